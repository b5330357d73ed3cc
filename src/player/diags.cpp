#include "player/diags.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/output_file.h"
#include "platform/ini_store.h"

namespace {

constexpr const char* kWindow = "window";
constexpr const char* kSettings = "settings";
constexpr int kDeblockMethods = 3;
// The quantiser bar never grows beyond the largest quantiser scale twice over;
// the number beside it tells the rest.
constexpr int kMaxBarLength = 62;

std::string S(const QString& s) {
  const QByteArray b = QFile::encodeName(s);
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name) {
  auto* b = new QCheckBox(parent);
  b->setObjectName(name);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = QString()) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setTextFormat(Qt::PlainText);
  return l;
}

}  // namespace

TfrmDiags::TfrmDiags(klv::DiagnosticsOptions* options, klv::DecoderFlags* flags, QWidget* parent)
    : QWidget(parent, Qt::Window),
      options_(options != nullptr ? options : &ownOptions_),
      flags_(flags != nullptr ? flags : &ownFlags_) {
  setObjectName("frmDiags");
  CreateControls();
  Connect();
  Retranslate();
  SetBoxesFromFlags();
  resize(680, 460);
}

TfrmDiags::~TfrmDiags() = default;

void TfrmDiags::CreateControls() {
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  QFont bold = font();
  bold.setBold(true);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setFont(fixed);
  ListBox1->setUniformItemSizes(true);  // the log grows long; every line is one row
  ListBox1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListBox1->viewport()->installEventFilter(this);

  // Counter, quantiser bar and the (hidden) frame times under the log.
  Label1 = MakeLabel(this, "Label1");
  lblBadFrameCount = MakeLabel(this, "lblBadFrameCount", "0");
  lblBadFrameCount->setFont(bold);
  lblBadFrameCount->setMinimumWidth(lblBadFrameCount->fontMetrics().horizontalAdvance("000000"));
  lblQNum = MakeLabel(this, "lblQNum", "Q");
  lblQNum->setFont(bold);
  lblQNum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblQNum->setMinimumWidth(lblQNum->fontMetrics().horizontalAdvance("000"));
  lblQDisp = MakeLabel(this, "lblQDisp", "***");
  lblQDisp->setFont(fixed);
  // A long bar is cut short; it never widens the window.
  lblQDisp->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label2 = MakeLabel(this, "Label2");
  lblDecTime = MakeLabel(this, "lblDecTime");
  Label3 = MakeLabel(this, "Label3");
  lblDispTime = MakeLabel(this, "lblDispTime");
  for (QLabel* l : {Label2, lblDecTime, Label3, lblDispTime}) l->hide();
  Button1 = new QPushButton(this);
  Button1->setObjectName("Button1");

  cbShowExpo = MakeCheckBox(this, "cbShowExpo");
  cbShowTimes = MakeCheckBox(this, "cbShowTimes");
  cbDumpRTCData = MakeCheckBox(this, "cbDumpRTCData");
  cbForceBW = MakeCheckBox(this, "cbForceBW");
  cbShowQuant = MakeCheckBox(this, "cbShowQuant");

  rgDeBlockMethod = new QGroupBox(this);
  rgDeBlockMethod->setObjectName("rgDeBlockMethod");
  deblockButtons_ = new QButtonGroup(rgDeBlockMethod);
  auto* radios = new QVBoxLayout(rgDeBlockMethod);
  radios->setSpacing(4);
  for (int i = 0; i < kDeblockMethods; ++i) {
    auto* r = new QRadioButton(rgDeBlockMethod);
    r->setObjectName(QString("rgDeBlockMethod%1").arg(i));
    deblockButtons_->addButton(r, i);
    radios->addWidget(r);
  }

  Label4 = MakeLabel(this, "Label4");
  Label4->setFont(bold);
  cbPauseOnStop = MakeCheckBox(this, "cbPauseOnStop");
  cbEnableZTMSingleStep = MakeCheckBox(this, "cbEnableZTMSingleStep");
  bZTMRestart = new QPushButton(this);
  bZTMRestart->setObjectName("bZTMRestart");

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  PopupClear = PopupMenu1->addAction(QString());
  PopupMenu1->addSeparator();
  PopupCancel = PopupMenu1->addAction(QString());

  // The log on the left; the switches in a column on the right.
  auto* status = new QHBoxLayout;
  status->setSpacing(6);
  status->addWidget(Label1);
  status->addWidget(lblBadFrameCount);
  status->addSpacing(12);
  status->addWidget(lblQNum);
  status->addWidget(lblQDisp, 1);
  for (QLabel* l : {Label2, lblDecTime, Label3, lblDispTime}) status->addWidget(l);
  status->addWidget(Button1);

  auto* left = new QVBoxLayout;
  left->setSpacing(6);
  left->addWidget(ListBox1, 1);
  left->addLayout(status);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto* right = new QVBoxLayout;
  right->setSpacing(4);
  for (QCheckBox* b : {cbShowExpo, cbShowTimes, cbDumpRTCData, cbForceBW, cbShowQuant})
    right->addWidget(b);
  right->addSpacing(6);
  right->addWidget(rgDeBlockMethod);
  right->addSpacing(8);
  right->addWidget(rule);
  right->addSpacing(4);
  right->addWidget(Label4);
  right->addWidget(cbPauseOnStop);
  right->addWidget(cbEnableZTMSingleStep);
  right->addSpacing(4);
  right->addWidget(bZTMRestart, 0, Qt::AlignLeft);
  right->addStretch(1);

  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(10, 10, 10, 10);
  outer->setSpacing(12);
  outer->addLayout(left, 1);
  outer->addLayout(right, 0);
}

void TfrmDiags::Connect() {
  // Each switch copies its state into the flag at once, whether the user or
  // the code changed it, so the box and the flag never part.
  const auto bind = [this](QCheckBox* box, bool* flag) {
    connect(box, &QCheckBox::toggled, this, [flag](bool on) { *flag = on; });
  };
  bind(cbShowExpo, &options_->bShowExpo);
  bind(cbShowTimes, &options_->bShowTimes);
  bind(cbDumpRTCData, &flags_->bDumpRTCData);
  bind(cbForceBW, &flags_->bForceBW);
  bind(cbShowQuant, &options_->bShowQuant);
  bind(cbPauseOnStop, &options_->bPauseOnStop);
  bind(cbEnableZTMSingleStep, &options_->bEnableZTMSingleStep);
  connect(deblockButtons_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) flags_->g_nDeblockMethod = id;
  });

  connect(Button1, &QPushButton::clicked, ListBox1, &QListWidget::clear);
  connect(PopupClear, &QAction::triggered, ListBox1, &QListWidget::clear);
  connect(bZTMRestart, &QPushButton::clicked, this, [this] {
    if (onZTMRestart) onZTMRestart();
  });
  connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(at));
  });
}

void TfrmDiags::Retranslate() {
  setWindowTitle(tr("Diagnostics"));
  Label1->setText(tr("Bad Frms:"));
  Label2->setText(tr("Dec"));
  Label3->setText(tr("Disp"));
  Button1->setText(tr("&Clear"));
  cbShowExpo->setText(tr("Show &Expo"));
  cbShowTimes->setText(tr("Show &Times"));
  cbDumpRTCData->setText(tr("Dump RTC Data"));
  cbForceBW->setText(tr("Force &B&&W"));
  cbShowQuant->setText(tr("Show QScale"));
  rgDeBlockMethod->setTitle(tr("DeBlock Method"));
  deblockButtons_->button(0)->setText(tr("0 - None"));
  deblockButtons_->button(1)->setText(tr("1 - Buffer-wide LPF"));
  deblockButtons_->button(2)->setText(tr("2 - ZTC Filter"));
  Label4->setText(tr("ZTM-Mode Debug Options"));
  cbPauseOnStop->setText(tr("ZTM Pause on Stop (don't reset movie)"));
  cbEnableZTMSingleStep->setText(tr("Enable ZTM Single Step"));
  bZTMRestart->setText(tr("ZTM Restart"));
  PopupClear->setText(tr("&Clear"));
  PopupCancel->setText(tr("C&ancel"));
}

void TfrmDiags::SetBoxesFromFlags() {
  cbShowExpo->setChecked(options_->bShowExpo);
  cbShowTimes->setChecked(options_->bShowTimes);
  cbDumpRTCData->setChecked(flags_->bDumpRTCData);
  cbForceBW->setChecked(flags_->bForceBW);
  cbShowQuant->setChecked(options_->bShowQuant);
  cbPauseOnStop->setChecked(options_->bPauseOnStop);
  cbEnableZTMSingleStep->setChecked(options_->bEnableZTMSingleStep);
  SelectDeblockMethod(flags_->g_nDeblockMethod);
}

// ---- settings ----------------------------------------------------------------------

void TfrmDiags::LoadSettings(const klv::IniStore& ini, int showDiags) {
  readX_ = ini.GetInt(kWindow, "nDiagWinX", -1);
  readY_ = ini.GetInt(kWindow, "nDiagWinY", -1);
  options_->bShowExpo = ini.GetInt(kSettings, "bShowExpo", 0) != 0;
  options_->bShowTimes = ini.GetInt(kSettings, "bShowTimes", 0) != 0;
  flags_->bDumpRTCData = ini.GetInt(kSettings, "bDumpRTCData", 0) != 0;

  placedX_ = readX_ >= 0;
  placedY_ = readY_ >= 0;
  if (placedX_ || placedY_) move(placedX_ ? readX_ : x(), placedY_ ? readY_ : y());
  if (showDiags != 0) show();
  SetBoxesFromFlags();
}

void TfrmDiags::SaveSettings(klv::IniStore& ini) const {
  // A window that was never on the screen has no place of its own: the
  // settings keep what they said (-1 leaves the placing to the desktop).
  ini.WriteInt(kWindow, "nDiagWinX", shown_ || placedX_ ? x() : readX_);
  ini.WriteInt(kWindow, "nDiagWinY", shown_ || placedY_ ? y() : readY_);
}

void TfrmDiags::SelectDeblockMethod(int method) {
  if (QAbstractButton* b = deblockButtons_->button(method)) {
    b->setChecked(true);
  } else if (QAbstractButton* checked = deblockButtons_->checkedButton()) {
    deblockButtons_->setExclusive(false);
    checked->setChecked(false);
    deblockButtons_->setExclusive(true);
  }
  flags_->g_nDeblockMethod = method;
}

// ---- the log -------------------------------------------------------------------------

int TfrmDiags::LineCount() const { return ListBox1->count(); }

std::string TfrmDiags::Line(int index) const {
  const QListWidgetItem* item = ListBox1->item(index);
  return item != nullptr ? item->text().toStdString() : std::string();
}

bool TfrmDiags::SaveLog(const std::string& path) {
  std::string text;
  for (int i = 0; i < ListBox1->count(); ++i) {
    text += ListBox1->item(i)->text().toStdString();
    text += "\r\n";
  }
  std::string error;
  if (klv::WriteFileAtomically(path, text, &error)) return true;
  ShowError(tr("The log could not be saved as \"%1\".").arg(QFile::decodeName(path.c_str())) +
            "\n" + QString::fromLocal8Bit(error.c_str()));
  return false;
}

std::string TfrmDiags::SuggestedLogPath() {
  QString folder;
  const QString state = qEnvironmentVariable("XDG_STATE_HOME");
  const QString home = qEnvironmentVariable("HOME");
  if (state.startsWith('/')) folder = state + "/kelvarn";
  else if (!home.isEmpty()) folder = home + "/.local/state/kelvarn";
  else folder = QCoreApplication::applicationDirPath();
  QDir().mkpath(folder);
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  if (name.isEmpty()) name = "klvplay";
  return S(folder + "/" + name + ".log");
}

void TfrmDiags::SaveLogCommand() {
  const std::string suggested = SuggestedLogPath();
  std::optional<std::string> chosen;
  if (saveDialogHook) {
    chosen = saveDialogHook(suggested);
  } else {
    const QString name = QFileDialog::getSaveFileName(this, tr("Save Log"),
                                                      QFile::decodeName(suggested.c_str()),
                                                      QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (!name.isEmpty()) chosen = S(name);
  }
  if (chosen && !chosen->empty()) SaveLog(*chosen);
}

void TfrmDiags::ShowError(const QString& text) {
  if (messageHook) {
    messageHook(windowTitle().toStdString(), text.toStdString());
    return;
  }
  QMessageBox::warning(this, windowTitle(), text);
}

// ---- klv::DiagnosticsSink ------------------------------------------------------------

bool TfrmDiags::Visible() const { return isVisible(); }

void TfrmDiags::AddLine(std::string_view line) {
  if (!Visible()) return;
  ListBox1->addItem(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
}

void TfrmDiags::CountBadFrame() {
  if (!Visible()) return;
  ++badFrames_;
  lblBadFrameCount->setText(QString::number(badFrames_));
}

void TfrmDiags::ShowQuantiser(int q) {
  if (!Visible() || shownQuantiser_ == q) return;
  shownQuantiser_ = q;
  lblQDisp->setText(q > 0 ? QString(std::min(q, kMaxBarLength), QChar('*')) : QString());
  lblQNum->setText(QString::number(q));
}

void TfrmDiags::ShowFrameTimes(int decodeMs, int displayMs) {
  if (!Visible()) return;
  lblDecTime->setText(QString::number(decodeMs));
  lblDispTime->setText(QString::number(displayMs));
}

void TfrmDiags::ShowLastLines(int lines) {
  const int count = ListBox1->count();
  if (count == 0) return;
  const long long top = std::clamp(static_cast<long long>(count) - lines, 0LL, count - 1LL);
  ListBox1->scrollToItem(ListBox1->item(static_cast<int>(top)), QAbstractItemView::PositionAtTop);
}

// ---- window events -------------------------------------------------------------------

void TfrmDiags::showEvent(QShowEvent* e) {
  shown_ = true;
  QWidget::showEvent(e);
}

void TfrmDiags::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QWidget::changeEvent(e);
}

bool TfrmDiags::eventFilter(QObject* watched, QEvent* e) {
  if (watched == ListBox1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
    SaveLogCommand();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}
