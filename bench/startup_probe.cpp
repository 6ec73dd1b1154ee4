// Start-up to a shown main window, for timing whole processes:
//   startup_probe bare           a QMainWindow with one label
//   startup_probe lattrix [JOB]  the desktop program's own start-up
// Both quit as soon as the window has been shown and painted once.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <clocale>
#include <cstring>

#include "ui/LattrixApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
  QMainWindow window;
  CLattrixApp app;
  if (bare) {
    window.setCentralWidget(new QLabel("Lattrix"));
    window.show();
  } else {
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    arguments.removeFirst();
    if (!app.InitInstance(arguments)) return 1;
  }
  QTimer::singleShot(0, &application, &QApplication::quit);
  return QApplication::exec();
}
