#include "player/my_msg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QHBoxLayout>

TfrmMyMsg::TfrmMyMsg(QWidget* parent) : QDialog(parent) {
  setObjectName("frmMyMsg");
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(side));
  icon->setAlignment(Qt::AlignTop);

  // The four labels share one place; at most one is visible.
  auto* texts = new QWidget(this);
  auto* stack = new QVBoxLayout(texts);
  stack->setContentsMargins(0, 0, 0, 0);
  QFont bold = font();
  bold.setBold(true);
  for (QLabel** l : {&lblNoDir, &lblNotFound, &lblUnkFormat, &lblNoFrames}) {
    *l = new QLabel(texts);
    (*l)->setFont(bold);
    (*l)->setWordWrap(true);
    (*l)->setMinimumWidth(260);
    (*l)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    (*l)->hide();
    stack->addWidget(*l);
  }
  lblNoDir->setObjectName("lblNoDir");
  lblNotFound->setObjectName("lblNotFound");
  lblUnkFormat->setObjectName("lblUnkFormat");
  lblNoFrames->setObjectName("lblNoFrames");
  lblReason = new QLabel(texts);
  lblReason->setObjectName("lblReason");
  lblReason->setWordWrap(true);
  lblReason->setTextFormat(Qt::PlainText);
  lblReason->hide();
  stack->addWidget(lblReason);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* bbOK = buttons->button(QDialogButtonBox::Ok);
  bbOK->setObjectName("bbOK");
  bbOK->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->setSpacing(14);
  row->addWidget(icon);
  row->addWidget(texts, 1);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(16, 16, 16, 12);
  outer->setSpacing(14);
  outer->addLayout(row);
  outer->addWidget(buttons);
  Retranslate();
}

QLabel* TfrmMyMsg::Label(int kind) const {
  switch (kind) {
    case 0: return lblNoDir;
    case 1: return lblNotFound;
    case 2: return lblUnkFormat;
    case 3: return lblNoFrames;
    default: return nullptr;
  }
}

void TfrmMyMsg::Retranslate() {
  setWindowTitle(tr("Error"));
  lblNoDir->setText(tr("Could not create directory for Camera Settings.  Please make sure you have "
                       "selected the USB flash drive and connected it to the PC"));
  lblNotFound->setText(tr("File Not Found"));
  lblUnkFormat->setText(tr("Unknown Format"));
  lblNoFrames->setText(tr("File Does Not Contain Any Frames"));
}

QString TfrmMyMsg::ReasonText(const std::string& reason) {
  // The engine's reasons are a fixed set of English phrases; an operating
  // system's own words stay as they come.
  return QCoreApplication::translate("OpenProblem", reason.c_str());
}

void TfrmMyMsg::showEvent(QShowEvent* e) {
  if (QLabel* l = Label(MessageKind)) l->show();
  lblReason->setText(ReasonText(Reason));
  lblReason->setVisible(!Reason.empty());
  adjustSize();
  if (parentWidget() != nullptr) {
    const QRect owner = parentWidget()->window()->frameGeometry();
    move(owner.center() - rect().center());
  }
  QDialog::showEvent(e);
}

void TfrmMyMsg::hideEvent(QHideEvent* e) {
  if (QLabel* l = Label(MessageKind)) l->hide();
  lblReason->hide();
  QDialog::hideEvent(e);
}

void TfrmMyMsg::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QDialog::changeEvent(e);
}
