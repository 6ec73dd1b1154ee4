// lattrix: the desktop program. One optional argument, the input file to
// read at start-up.
#include <QApplication>

#include <clocale>

#include "ui/LattrixApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Numbers on the form and in files never follow the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  CLattrixApp app;
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  if (!app.InitInstance(arguments)) return 1;
  return QApplication::exec();
}
