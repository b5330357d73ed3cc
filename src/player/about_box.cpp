#include "player/about_box.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>
#include <QHBoxLayout>

#include "player/transport_icons.h"

#ifndef KLV_VERSION_STRING
#define KLV_VERSION_STRING "0.0.0.0"
#endif

QString FormatVersion(const QString& dotted) {
  const QStringList parts = dotted.split('.');
  int v[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4 && i < parts.size(); ++i) v[i] = parts[i].toInt() & 0xFFFF;
  return QString::asprintf("Version %d.%d.%d.%d", v[0], v[1], v[2], v[3]);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setLineWidth(1);

  auto* Image1 = new QLabel(panel);
  Image1->setPixmap(klv::player::AppPixmap(32));
  Image1->setFixedSize(40, 40);
  auto* ProductName = new QLabel("Viewer for ZTC Cameras", panel);
  QFont big = ProductName->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.25);
  ProductName->setFont(big);
  Version = new QLabel("Version 0.0.0.0", panel);
  auto* Comments = new QLabel("Kelvarn time-lapse camera software", panel);

  auto* text = new QVBoxLayout;
  text->addWidget(ProductName);
  text->addWidget(Version);
  text->addSpacing(8);
  text->addWidget(Comments);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(14, 14, 14, 14);
  row->setSpacing(14);
  row->addWidget(Image1, 0, Qt::AlignTop);
  row->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* OKButton = buttons->button(QDialogButtonBox::Ok);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(10, 10, 10, 10);
  outer->addWidget(panel);
  outer->addWidget(buttons);
  setFixedSize(sizeHint());
}

QString TAboutBox::VersionText() const { return Version->text(); }

void TAboutBox::showEvent(QShowEvent* e) {
  // The version is compiled in from the project's version.
  Version->setText(FormatVersion(QStringLiteral(KLV_VERSION_STRING)));
  if (QScreen* s = screen()) move(s->geometry().center() - rect().center());
  QDialog::showEvent(e);
}
