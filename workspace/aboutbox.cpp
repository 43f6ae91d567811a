#include "aboutbox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QSysInfo>

namespace ws::desktop {

QString TAboutBox::PlatformName() {
  if (QSysInfo::kernelType() == "linux") return "Linux.";
  return QSysInfo::prettyProductName() + ".";
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setModal(false);
  auto* layout = new QGridLayout(this);

  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(":/weftsmith.png").pixmap(48, 48));
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);

  auto* product = new QLabel("Weftsmith", this);
  product->setObjectName("ProductName");
  QFont font = product->font();
  font.setUnderline(true);
  font.setPointSizeF(font.pointSizeF() * 1.5);
  product->setFont(font);
  layout->addWidget(product, 0, 1);
  auto* version = new QLabel("Version: " WEFTSMITH_VERSION, this);
  version->setObjectName("Version");
  layout->addWidget(version, 1, 1);
  auto* rights = new QLabel("Copyright \u00A9 the Weftsmith authors. All rights reserved.", this);
  rights->setObjectName("Copyright");
  layout->addWidget(rights, 2, 1);
  auto* comments = new QLabel("This application is designed to run only under", this);
  comments->setObjectName("Comments");
  comments->setWordWrap(true);
  layout->addWidget(comments, 3, 1);
  auto* platform = new QLabel(PlatformName(), this);
  platform->setObjectName("Platform");
  layout->addWidget(platform, 4, 1);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  layout->addWidget(ok, 5, 0, 1, 2, Qt::AlignHCenter);
  connect(ok, &QPushButton::clicked, this, &QDialog::hide);
}

}  // namespace ws::desktop
