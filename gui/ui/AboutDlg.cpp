#include "ui/AboutDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "LattrixVersion.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutDialog");
  setWindowTitle(QStringLiteral("Lattrix"));
  setFont(QFont(QStringLiteral("Times New Roman"), 9));
  auto* icon = new QLabel(this);
  icon->setObjectName("aboutIcon");
  icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  auto* text = new QLabel(QStringLiteral("Lattrix Version " LATTRIX_VERSION), this);
  text->setObjectName("aboutText");
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("buttonOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addSpacing(12);
  row->addWidget(text, 1, Qt::AlignVCenter);
  row->addSpacing(12);
  row->addWidget(ok, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
