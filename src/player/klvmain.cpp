#include "player/klvmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#ifdef KLV_HAVE_CAMSETTINGS
#include "player/camsettings/setcamreg.h"
#endif
#include "player/about_box.h"
#include "player/diags.h"
#include "player/my_msg.h"
#include "player/picture_view.h"
#include "player/search_preview.h"
#include "player/transport_icons.h"

using klv::ControlId;
using C = klv::ControlId;
using klv::player::Glyph;
using klv::player::GlyphIcon;

namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) {
  const QByteArray b = QFile::encodeName(s);
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}
QRect R(const klv::Rect& r) { return QRect(r.left, r.top, std::max(0, r.width), std::max(0, r.height)); }

QToolButton* MakeButton(QWidget* parent, const char* name, Glyph glyph) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setIcon(GlyphIcon(glyph));
  b->setIconSize(QSize(20, 20));
  b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus
  b->setAutoRaise(false);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& r, bool bold = false) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setGeometry(r);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  return l;
}

// Qt message file of each display language slot (2-5); slot 1 is the source
// English, slot 6 has no translation and shows English.
const char* SlotSuffix(int slot) {
  switch (slot) {
    case 2: return "zh_TW";
    case 3: return "zh_CN";
    case 4: return "ja";
    case 5: return "ko";
    default: return nullptr;
  }
}

}  // namespace

TfrmKLVMain::TfrmKLVMain(const std::string& settingsPath, QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmKLVMain");
  setWindowTitle("Kelvarn Player");
  setWindowIcon(klv::player::AppIcon());
  setMinimumSize(klv::DesignedLayout::kMinWidth, klv::DesignedLayout::kMinHeight);
  setAcceptDrops(true);

  player_ = std::make_unique<klv::Player>(this);
  CreateMenus();
  CreateControls();
  Connect();
  Retranslate();
  move(klv::DesignedLayout::kWindowLeft, klv::DesignedLayout::kWindowTop);
  resize(klv::DesignedLayout::kWindowWidth, klv::DesignedLayout::kWindowHeight);

  // Construction: the search state list shows "Search Inactive"; the play
  // list is empty and the transport off.
  player_->Initialize();
  ShowSearchLabel(0);
  qApp->installEventFilter(this);

  // Creation: settings, the display language, the picture in its view.
  player_->ini.SetPath(settingsPath);
  player_->ini.Load();
  player_->LoadSettings();
  if (player_->language != 1) InstallLanguage(player_->language);
  const bool menus = player_->settings.ShowMenus != 0;
  Options1->menuAction()->setVisible(menus);
  Help1->menuAction()->setVisible(menus);
  player_->ApplyZoom();
}

TfrmKLVMain::~TfrmKLVMain() {
  qApp->removeEventFilter(this);
  Timer1->stop();
  searchTimer_->stop();
  player_->CloseSource();
}

void TfrmKLVMain::InstallLanguage(int slot) {
  const char* suffix = SlotSuffix(slot);
  if (suffix == nullptr) return;
  if (qtTranslator_.load(QString("qtbase_") + suffix,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    qApp->installTranslator(&qtTranslator_);
  if (translator_.load(QString(":/i18n/klvplay_") + suffix)) qApp->installTranslator(&translator_);
  Retranslate();
}

void TfrmKLVMain::CreateMenus() {
  File1 = menuBar()->addMenu(QString());
  Open1 = File1->addAction(QString());
  Open1->setShortcut(QKeySequence::Open);
  SaveCurrent1 = File1->addAction(QString());
  SaveCurrent1->setShortcut(QKeySequence::Save);
  File1->addSeparator();
  Exit1 = File1->addAction(QString());
  Exit1->setShortcut(QKeySequence::Quit);

  Options1 = menuBar()->addMenu(QString());
  CameraSettings1 = Options1->addAction(QString());
  EmbedTimestamp1 = Options1->addAction(QString());
  EmbedTimestamp1->setCheckable(true);
  Deblock1 = Options1->addAction(QString());
  Deblock1->setCheckable(true);
  Help1 = menuBar()->addMenu(QString());
  About1 = Help1->addAction(QString());

  PopupMenu1 = new QMenu(this);
  Zoom1X = PopupMenu1->addAction(QString());
  Zoom2X = PopupMenu1->addAction(QString());
  ZoomVar = PopupMenu1->addAction(QString());
  PopupMenu1->addSeparator();
  PopupSave = PopupMenu1->addAction(QString());
}

void TfrmKLVMain::CreateControls() {
  client_ = new QWidget(this);
  setCentralWidget(client_);

  ScrollBox1 = new QScrollArea(client_);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setFrameShape(QFrame::StyledPanel);
  ScrollBox1->setFrameShadow(QFrame::Sunken);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The picture sits on a dark surround, as in any movie player.
  QPalette surround = ScrollBox1->palette();
  surround.setColor(QPalette::Window, QColor(0x26, 0x28, 0x2B));
  surround.setColor(QPalette::Dark, QColor(0x26, 0x28, 0x2B));
  ScrollBox1->setPalette(surround);
  ScrollBox1->setBackgroundRole(QPalette::Window);
  canvas_ = new QWidget;
  canvas_->setPalette(surround);
  canvas_->setBackgroundRole(QPalette::Window);
  canvas_->setAutoFillBackground(true);
  Image1 = new klv::player::PictureView(canvas_);
  ScrollBox1->setWidget(canvas_);

  gbPlayRate = new QGroupBox(client_);
  gbPlayRate->setObjectName("gbPlayRate");
  tbRate = new QSlider(Qt::Vertical, gbPlayRate);
  tbRate->setObjectName("tbRate");
  tbRate->setRange(0, 29);
  tbRate->setInvertedAppearance(true);  // position 0, 30 frames a second, at the top
  tbRate->setInvertedControls(true);
  tbRate->setTickPosition(QSlider::TicksRight);
  tbRate->setTickInterval(1);
  tbRate->setPageStep(5);
  tbRate->setValue(1);
  lblRate = new QLabel(client_);
  lblRate->setObjectName("lblRate");
  lblRate->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QFont bold = lblRate->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  lblRate->setFont(bold);

  gbStats = new QGroupBox(client_);
  gbStats->setObjectName("gbStats");
  Label3 = MakeLabel(gbStats, "Label3", QRect(8, 20, 107, 15));
  lblCapInterval = MakeLabel(gbStats, "lblCapInterval", QRect(16, 36, 99, 17), true);
  Label4 = MakeLabel(gbStats, "Label4", QRect(8, 60, 107, 15));
  lblElapsedTime = MakeLabel(gbStats, "lblElapsedTime", QRect(16, 76, 99, 34), true);
  lblElapsedTime->setWordWrap(true);
  lblElapsedTime->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label6 = MakeLabel(gbStats, "Label6", QRect(8, 114, 107, 15));
  lblDate = MakeLabel(gbStats, "lblDate", QRect(16, 130, 99, 17), true);
  lblTime = MakeLabel(gbStats, "lblTime", QRect(16, 148, 99, 17), true);
  lblLang = MakeLabel(gbStats, "lblLang", QRect(8, 180, 107, 15));
  lblLang->setForegroundRole(QPalette::PlaceholderText);

  gbMotion = new QGroupBox(client_);
  gbMotion->setObjectName("gbMotion");
  pnlSearch = new klv::player::SearchPreviewPanel(gbMotion);
  pnlSearch->setPalette(surround);
  pnlSearch->setBackgroundRole(QPalette::Window);
  pnlSearch->setAutoFillBackground(true);
  Thresh = MakeLabel(gbMotion, "Thresh", QRect(10, 90, 70, 20));
  edtMotionThreshold = new QLineEdit(gbMotion);
  edtMotionThreshold->setObjectName("edtMotionThreshold");
  edtMotionThreshold->setGeometry(88, 88, 52, 24);
  edtMotionThreshold->setText("00");
  sbSearchBackward = MakeButton(gbMotion, "sbSearchBackward", Glyph::SearchBackward);
  sbStopSearch = MakeButton(gbMotion, "sbStopSearch", Glyph::StopSearch);
  sbSearchForward = MakeButton(gbMotion, "sbSearchForward", Glyph::SearchForward);
  sbSearchBackward->setGeometry(29, 120, 30, 30);
  sbStopSearch->setGeometry(61, 120, 30, 30);
  sbSearchForward->setGeometry(93, 120, 30, 30);
  const char* labelNames[] = {"lblSrchMsg", "lblSearchForward", "lblSearchBackward",
                              "lblSearchFound"};
  for (size_t i = 0; i < searchLabels_.size(); ++i) {
    searchLabels_[i] = MakeLabel(gbMotion, labelNames[i], QRect(8, 160, 137, 18), true);
    searchLabels_[i]->setAlignment(Qt::AlignCenter);
    searchLabels_[i]->hide();
  }

  pnlPlayCtrl = new QWidget(client_);
  pnlPlayCtrl->setObjectName("pnlPlayCtrl");
  sbStop = MakeButton(pnlPlayCtrl, "sbStop", Glyph::Stop);
  sbPause = MakeButton(pnlPlayCtrl, "sbPause", Glyph::Pause);
  sbBackward = MakeButton(pnlPlayCtrl, "sbBackward", Glyph::PlayBackward);
  sbPrevious = MakeButton(pnlPlayCtrl, "sbPrevious", Glyph::StepBackward);
  sbNext = MakeButton(pnlPlayCtrl, "sbNext", Glyph::StepForward);
  sbForward = MakeButton(pnlPlayCtrl, "sbForward", Glyph::PlayForward);
  sbPrevEvent = MakeButton(pnlPlayCtrl, "sbPrevEvent", Glyph::PrevEvent);
  sbNextEvent = MakeButton(pnlPlayCtrl, "sbNextEvent", Glyph::NextEvent);

  gbSeek = new QGroupBox(client_);
  gbSeek->setObjectName("gbSeek");
  pnlWhere = new QWidget(gbSeek);
  pnlWhere->setObjectName("pnlWhere");
  tbWhere = new QSlider(Qt::Horizontal, pnlWhere);
  tbWhere->setObjectName("tbWhere");
  tbWhere->setRange(0, 100);
  tbWhere->setTickPosition(QSlider::TicksBelow);
  tbWhere->setTickInterval(10);
  pbWhere = new QProgressBar(pnlWhere);
  pbWhere->setObjectName("pbWhere");
  pbWhere->setRange(0, 100);
  pbWhere->setValue(0);
  pbWhere->setTextVisible(false);

  gbPlayList = new QGroupBox(client_);
  gbPlayList->setObjectName("gbPlayList");
  lbPlayList = new QListWidget(gbPlayList);
  lbPlayList->setObjectName("lbPlayList");
  lbPlayList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  lbPlayList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lbPlayList->setMouseTracking(true);
  lbPlayList->viewport()->setMouseTracking(true);
  lbPlayList->setUniformItemSizes(true);
  lblFilePath = new QLabel(gbPlayList);
  lblFilePath->setObjectName("lblFilePath");
  lblFilePath->setText("---");
  lblFilePath->setTextFormat(Qt::PlainText);
  pnlPLControls = new QWidget(gbPlayList);
  pnlPLControls->setObjectName("pnlPLControls");
  bPrevious = new QPushButton(pnlPLControls);
  bPrevious->setObjectName("bPrevious");
  bSkip = new QPushButton(pnlPLControls);
  bSkip->setObjectName("bSkip");
  bClearPlayList = new QPushButton(pnlPLControls);
  bClearPlayList->setObjectName("bClearPlayList");
  bPrevious->setGeometry(4, 2, 84, 26);
  bSkip->setGeometry(93, 2, 84, 26);
  bClearPlayList->setGeometry(182, 2, 84, 26);

  StatusBar1 = new QStatusBar(client_);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(true);
  const int widths[] = {160, 80, 120, 120, 50};
  for (size_t i = 0; i < panels_.size(); ++i) {
    auto* l = new QLabel(StatusBar1);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(widths[i]);
    if (i + 1 < panels_.size()) l->setFixedWidth(widths[i]);
    l->setTextFormat(Qt::PlainText);
    panels_[i] = l;
    StatusBar1->addWidget(l, i + 1 < panels_.size() ? 0 : 1);
  }

  lblDate->setText("00/00/00");
  lblTime->setText("00:00:00");
  lblCapInterval->setText("--");
  lblElapsedTime->setText("00:00:00");

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(33);
  searchTimer_ = new QTimer(this);
  searchTimer_->setObjectName("searchTimer");
  searchTimer_->setInterval(0);
}

void TfrmKLVMain::Connect() {
  klv::Player& p = *player_;
  connect(Open1, &QAction::triggered, this, [&p] { p.OpenFilesCommand(); });
  connect(SaveCurrent1, &QAction::triggered, this, [&p] { p.SaveCurrent(false); });
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  connect(CameraSettings1, &QAction::triggered, this, [this] { CameraSettingsCommand(); });
  connect(EmbedTimestamp1, &QAction::triggered, this, [&p] { p.EmbedTimestampCommand(); });
  connect(Deblock1, &QAction::triggered, this, [this, &p] {
    p.DeblockCommand();
    Deblock1->setChecked(p.decoderFlags.g_nDeblockMethod != 0);
    if (diags_ != nullptr && diags_->isVisible())
      diags_->SelectDeblockMethod(p.decoderFlags.g_nDeblockMethod);
  });
  connect(About1, &QAction::triggered, this, [this] { AboutCommand(); });
  connect(Zoom1X, &QAction::triggered, this, [&p] { p.SetZoom(100); });
  connect(Zoom2X, &QAction::triggered, this, [&p] { p.SetZoom(200); });
  connect(ZoomVar, &QAction::triggered, this, [&p] { p.SetZoom(0); });
  connect(PopupSave, &QAction::triggered, this, [&p] { p.SaveCurrent(true); });

  connect(sbStop, &QToolButton::clicked, this, [&p] { p.Stop(); });
  connect(sbPause, &QToolButton::clicked, this, [&p] { p.Pause(); });
  connect(sbBackward, &QToolButton::clicked, this, [&p] { p.Play(-1); });
  connect(sbPrevious, &QToolButton::clicked, this, [&p] { p.StepBackward(); });
  connect(sbNext, &QToolButton::clicked, this, [&p] { p.StepForward(); });
  connect(sbForward, &QToolButton::clicked, this, [&p] { p.Play(1); });
  connect(sbPrevEvent, &QToolButton::clicked, this, [&p] { p.PrevEventCommand(); });
  connect(sbNextEvent, &QToolButton::clicked, this, [&p] { p.NextEventCommand(); });
  connect(sbSearchBackward, &QToolButton::clicked, this, [&p] { p.StartBackwardSearch(); });
  connect(sbStopSearch, &QToolButton::clicked, this, [&p] { p.StopSearchCommand(); });
  connect(sbSearchForward, &QToolButton::clicked, this, [&p] { p.StartForwardSearch(); });

  connect(bPrevious, &QPushButton::clicked, this, [&p] { p.PreviousCommand(); });
  connect(bSkip, &QPushButton::clicked, this, [&p] { p.NextCommand(); });
  connect(bClearPlayList, &QPushButton::clicked, this, [&p] { p.ClearCommand(); });
  connect(lbPlayList, &QListWidget::itemDoubleClicked, this,
          [this, &p] { p.PlayListDoubleClick(lbPlayList->currentRow()); });

  connect(tbWhere, &QSlider::valueChanged, this, [&p](int v) { p.SeekBarChanged(v); });
  connect(tbRate, &QSlider::valueChanged, this, [&p](int v) { p.RateChanged(v); });
  connect(Timer1, &QTimer::timeout, this, [&p] { p.TimerTick(); });
  connect(searchTimer_, &QTimer::timeout, this, [&p] { p.SearchSlice(); });
  connect(Image1, &klv::player::PictureView::leftPressed, this, [&p] { p.CycleZoom(); });
  connect(Image1, &klv::player::PictureView::contextRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(at); });
}

void TfrmKLVMain::Retranslate() {
  File1->setTitle(tr("&File"));
  Open1->setText(tr("&Open"));
  SaveCurrent1->setText(tr("&Save Current"));
  Exit1->setText(tr("&Exit"));
  Options1->setTitle(tr("&Options"));
  CameraSettings1->setText(tr("&Camera Settings"));
  EmbedTimestamp1->setText(tr("&Embed Timestamp"));
  Deblock1->setText(tr("Deblock"));
  Help1->setTitle(tr("&Help"));
  About1->setText(tr("&About"));
  Zoom1X->setText(tr("1X zoom"));
  Zoom2X->setText(tr("2X zoom"));
  ZoomVar->setText(tr("Var zoom"));
  PopupSave->setText(tr("&Save Current"));

  gbPlayRate->setTitle(tr("Speed"));
  gbStats->setTitle(tr("Statistics"));
  Label3->setText(tr("Capture Interval"));
  Label4->setText(tr("Elapsed Time"));
  Label6->setText(tr("Date/Time"));
  lblLang->setText(tr("English", "name of the display language"));
  gbMotion->setTitle(tr("Motion Search"));
  Thresh->setText(tr("Threshold"));
  searchLabels_[0]->setText(tr("Search Inactive"));
  searchLabels_[1]->setText(tr("Search Forward"));
  searchLabels_[2]->setText(tr("Search Backward"));
  searchLabels_[3]->setText(tr("Found"));
  gbSeek->setTitle(tr("Seek"));
  gbPlayList->setTitle(tr("PlayList"));
  bPrevious->setText(tr("&Previous"));
  bSkip->setText(tr("&Next"));
  bClearPlayList->setText(tr("&Clear"));

  sbStop->setToolTip(tr("Stop"));
  sbPause->setToolTip(tr("Pause"));
  sbBackward->setToolTip(tr("Play Backward"));
  sbPrevious->setToolTip(tr("Backward 1 Frame"));
  sbNext->setToolTip(tr("Forward 1 Frame"));
  sbForward->setToolTip(tr("Play Forward"));
  sbPrevEvent->setToolTip(tr("Prev Event"));
  sbNextEvent->setToolTip(tr("Next Event"));
  sbSearchBackward->setToolTip(tr("Search Backward"));
  sbStopSearch->setToolTip(tr("Stop Search"));
  sbSearchForward->setToolTip(tr("Search Forward"));
}

void TfrmKLVMain::ShowSearchLabel(int index) {
  for (size_t i = 0; i < searchLabels_.size(); ++i)
    searchLabels_[i]->setVisible(static_cast<int>(i) == index);
}

void TfrmKLVMain::Start(const std::vector<std::string>& files) { player_->StartWithFiles(files); }

// ---- controls by id --------------------------------------------------------------

QWidget* TfrmKLVMain::Control(ControlId id) const {
  switch (id) {
    case C::pnlPlayCtrl: return pnlPlayCtrl;
    case C::sbStop: return sbStop;
    case C::sbPause: return sbPause;
    case C::sbBackward: return sbBackward;
    case C::sbPrevious: return sbPrevious;
    case C::sbNext: return sbNext;
    case C::sbForward: return sbForward;
    case C::sbPrevEvent: return sbPrevEvent;
    case C::sbNextEvent: return sbNextEvent;
    case C::ScrollBox1: return ScrollBox1;
    case C::Image1: return Image1;
    case C::gbPlayRate: return gbPlayRate;
    case C::tbRate: return tbRate;
    case C::lblRate: return lblRate;
    case C::gbStats: return gbStats;
    case C::Label3: return Label3;
    case C::lblCapInterval: return lblCapInterval;
    case C::Label4: return Label4;
    case C::lblElapsedTime: return lblElapsedTime;
    case C::lblDate: return lblDate;
    case C::lblTime: return lblTime;
    case C::gbMotion: return gbMotion;
    case C::pnlSearch: return pnlSearch;
    case C::edtMotionThreshold: return edtMotionThreshold;
    case C::sbSearchBackward: return sbSearchBackward;
    case C::sbStopSearch: return sbStopSearch;
    case C::sbSearchForward: return sbSearchForward;
    case C::gbSeek: return gbSeek;
    case C::pnlWhere: return pnlWhere;
    case C::tbWhere: return tbWhere;
    case C::pbWhere: return pbWhere;
    case C::gbPlayList: return gbPlayList;
    case C::lbPlayList: return lbPlayList;
    case C::lblFilePath: return lblFilePath;
    case C::pnlPLControls: return pnlPLControls;
    case C::bPrevious: return bPrevious;
    case C::bSkip: return bSkip;
    case C::bClearPlayList: return bClearPlayList;
    case C::StatusBar1: return StatusBar1;
    default: return nullptr;
  }
}

QAction* TfrmKLVMain::MenuItem(ControlId id) const {
  switch (id) {
    case C::SaveCurrent1: return SaveCurrent1;
    case C::CameraSettings1: return CameraSettings1;
    case C::EmbedTimestamp1: return EmbedTimestamp1;
    case C::Deblock1: return Deblock1;
    default: return nullptr;
  }
}

QString TfrmKLVMain::StatusPanel(int i) const {
  return i >= 0 && i < static_cast<int>(panels_.size()) ? panels_[static_cast<size_t>(i)]->text()
                                                         : QString();
}

// ---- klv::PlayerView ---------------------------------------------------------------

void TfrmKLVMain::SetEnabled(ControlId id, bool on) {
  if (QAction* a = MenuItem(id)) a->setEnabled(on);
  else if (QWidget* w = Control(id)) w->setEnabled(on);
}

void TfrmKLVMain::SetVisible(ControlId id, bool on) {
  if (QAction* a = MenuItem(id)) a->setVisible(on);
  else if (QWidget* w = Control(id)) w->setVisible(on);
}

void TfrmKLVMain::SetChecked(ControlId id, bool on) {
  if (QAction* a = MenuItem(id)) a->setChecked(on);
}

void TfrmKLVMain::SetText(ControlId id, const std::string& text) {
  if (id == C::edtMotionThreshold) {
    edtMotionThreshold->setText(Q(text));
    return;
  }
  if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setText(Q(text));
}

void TfrmKLVMain::SetBounds(ControlId id, const klv::Rect& bounds) {
  switch (id) {
    case C::tbRate:
    case C::tbWhere:
    case C::pbWhere:
      return;  // they fill their group and panel
    default:
      break;
  }
  QWidget* w = Control(id);
  if (w == nullptr) return;
  w->setGeometry(R(bounds));
  if (id == C::Image1 || id == C::ScrollBox1) UpdateCanvas();
  if (id == C::pnlWhere || id == C::gbPlayRate) PlaceChildren();
}

void TfrmKLVMain::PlaceChildren() {
  tbWhere->setGeometry(pnlWhere->rect());
  pbWhere->setGeometry(pnlWhere->rect());
  const int h = gbPlayRate->height();
  tbRate->setGeometry(18, 22, gbPlayRate->width() - 36, std::max(0, h - 30));
}

void TfrmKLVMain::UpdateCanvas() {
  const klv::Size client = ScrollBoxClientSize();
  const QRect img = Image1->geometry();
  canvas_->resize(std::max(img.right() + 1, client.width), std::max(img.bottom() + 1, client.height));
}

void TfrmKLVMain::SetFocus(ControlId id) {
  if (QWidget* w = Control(id)) w->setFocus();
}

void TfrmKLVMain::SetRange(ControlId id, int minimum, int maximum) {
  if (id == C::tbWhere) tbWhere->setRange(minimum, std::max(minimum, maximum));
  else if (id == C::pbWhere) pbWhere->setRange(minimum, std::max(minimum + 1, maximum));
  else if (id == C::tbRate) tbRate->setRange(minimum, maximum);
}

void TfrmKLVMain::SetPosition(ControlId id, int position) {
  if (id == C::tbWhere) {
    tbWhere->setValue(position);
  } else if (id == C::pbWhere) {
    // A progress bar repaints at once when its value moves it; while a search
    // runs, it takes the last frame's position once per turn of the event loop.
    if (searchTimer_->isActive()) {
      const bool queued = pendingProgress_ >= 0;
      pendingProgress_ = position;
      if (!queued)
        QTimer::singleShot(0, this, [this] {
          if (pendingProgress_ >= 0) pbWhere->setValue(pendingProgress_);
          pendingProgress_ = -1;
        });
    } else {
      pendingProgress_ = -1;
      pbWhere->setValue(position);
    }
  } else if (id == C::tbRate) {
    tbRate->setValue(position);
  }
}

void TfrmKLVMain::SetTickFrequency(ControlId id, int frequency) {
  if (id == C::tbWhere) tbWhere->setTickInterval(frequency);
}

void TfrmKLVMain::SetCaption(const std::string& text) { setWindowTitle(Q(text)); }

void TfrmKLVMain::SetStatusPanel(int panel, const std::string& text) {
  if (panel < 0 || panel >= static_cast<int>(panels_.size())) return;
  QLabel* l = panels_[static_cast<size_t>(panel)];
  l->setText(Q(text));
  if (panel == 0) l->setToolTip(Q(text));
}

klv::Size TfrmKLVMain::ClientSize() { return {client_->width(), client_->height()}; }

klv::Size TfrmKLVMain::ScrollBoxClientSize() {
  const int frame = ScrollBox1->frameWidth();
  int w = ScrollBox1->width() - 2 * frame;
  int h = ScrollBox1->height() - 2 * frame;
  if (player_->state.zoom > 0) {
    // Scroll bars take their room when the picture does not fit.
    const int bar = ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox1);
    const klv::Rect& img = player_->Bounds(C::Image1);
    bool hbar = img.width > w;
    bool vbar = img.height > h;
    if (hbar && !vbar) vbar = img.height > h - bar;
    if (vbar && !hbar) hbar = img.width > w - bar;
    if (hbar) h -= bar;
    if (vbar) w -= bar;
  }
  return {std::max(0, w), std::max(0, h)};
}

klv::Rect TfrmKLVMain::WindowBounds() { return {x(), y(), width(), height()}; }

void TfrmKLVMain::SetWindowBounds(const klv::Rect& b) {
  move(b.left, b.top);
  resize(b.width, b.height);
}

klv::Size TfrmKLVMain::ScreenSize() {
  QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (s == nullptr) return {1 << 20, 1 << 20};
  return {s->geometry().width(), s->geometry().height()};
}

void TfrmKLVMain::BringToFront() {
  // Raise without taking the keyboard from whatever the user is typing into.
  raise();
}

void TfrmKLVMain::ShowPicture(const klv::FramePicture* picture) { Image1->SetPicture(picture); }

void TfrmKLVMain::SetListItems(const std::vector<std::string>& lines) {
  lbPlayList->clear();
  for (const std::string& l : lines) lbPlayList->addItem(Q(l));
}

void TfrmKLVMain::SelectListItem(int index) {
  if (index >= 0 && index < lbPlayList->count()) lbPlayList->setCurrentRow(index);
}

void TfrmKLVMain::SetHintDelays(int, int) {
  // The path appears in its own label; tool tips keep the desktop's delays.
}

void TfrmKLVMain::ShowMessage(klv::MessageKind kind) {
  if (messageHook) {
    messageHook(kind);
    return;
  }
  if (msgWindow_ == nullptr) {
    QMessageBox::critical(this, tr("Error"), QString::fromUtf8(klv::MessageText(static_cast<int>(kind))));
    return;
  }
  msgWindow_->MessageKind = static_cast<int>(kind);
  msgWindow_->exec();
}

void TfrmKLVMain::ShowErrorBox(const std::string& title, const std::string& text) {
  if (messageHook) {
    messageHook(static_cast<klv::MessageKind>(-1));
    return;
  }
  QMessageBox::critical(this, Q(title), Q(text));
}

std::optional<std::string> TfrmKLVMain::RunSaveDialog(const std::string& suggestedPath) {
  if (saveDialogHook) return saveDialogHook(suggestedPath);
  const QString chosen = QFileDialog::getSaveFileName(this, tr("Save Current"), Q(suggestedPath),
                                                      QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return std::nullopt;
  return S(chosen);
}

std::optional<std::vector<std::string>> TfrmKLVMain::RunOpenDialog() {
  static QString folder = QDir::currentPath();
  const QString filters =
      tr("Camera movies (*.avi *.m4v *.ztm)") + ";;" + tr("AVI (*.avi)") + ";;" + tr("All files (*)");
  const QStringList chosen = QFileDialog::getOpenFileNames(this, tr("Open"), folder, filters);
  if (chosen.isEmpty()) return std::nullopt;
  folder = QFileInfo(chosen.front()).absolutePath();
  std::vector<std::string> files;
  for (const QString& f : chosen) files.push_back(S(f));
  return files;
}

void TfrmKLVMain::Beep() { QApplication::beep(); }

void TfrmKLVMain::SetTimerInterval(int ms) {
  if (Timer1->interval() != ms) Timer1->setInterval(ms);
}

void TfrmKLVMain::SetTimerEnabled(bool on) {
  if (on && !Timer1->isActive()) Timer1->start();
  else if (!on) Timer1->stop();
}

void TfrmKLVMain::ProcessPendingEvents() { QCoreApplication::processEvents(); }

std::string TfrmKLVMain::GetText(ControlId id) {
  if (id == C::edtMotionThreshold) return S(edtMotionThreshold->text());
  if (auto* l = qobject_cast<QLabel*>(Control(id))) return S(l->text());
  return {};
}

void TfrmKLVMain::ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) {
  pnlSearch->SetPicture(width, height, stride, bits);
}

void TfrmKLVMain::SetSearchTimerEnabled(bool on) {
  if (on && !searchTimer_->isActive()) searchTimer_->start();
  else if (!on) searchTimer_->stop();
}

// ---- window events -------------------------------------------------------------------

void TfrmKLVMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) player_->KeepOnScreen();
}

void TfrmKLVMain::closeEvent(QCloseEvent* e) {
  Timer1->stop();
  searchTimer_->stop();
  // The diagnostics window's place and switches join the settings before they are written.
  if (diags_ != nullptr) {
    diags_->SaveSettings(player_->ini);
    player_->settings.bShowExpo = diagOptions_.bShowExpo;
    player_->settings.bShowTimes = diagOptions_.bShowTimes;
  }
  player_->Shutdown();
  // Closing the main window ends the program: the other windows go with it.
  if (aboutBox_ != nullptr) aboutBox_->close();
  if (diags_ != nullptr) diags_->close();
  e->accept();
}

void TfrmKLVMain::SetDiagnosticsWindow(TfrmDiags* window) {
  if (diags_ != nullptr) disconnect(diags_, &QObject::destroyed, this, nullptr);
  diags_ = window;
  player_->SetDiagnostics(window);
  if (window != nullptr)
    connect(window, &QObject::destroyed, this, [this] {
      diags_ = nullptr;
      player_->SetDiagnostics(nullptr);
    });
}

void TfrmKLVMain::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QMainWindow::changeEvent(e);
}

void TfrmKLVMain::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TfrmKLVMain::dropEvent(QDropEvent* e) {
  std::vector<std::string> files;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(S(url.toLocalFile()));
  e->acceptProposedAction();
  player_->DropFiles(files);
}

bool TfrmKLVMain::HandleKey(QKeyEvent* e, bool press) {
  klv::Player& p = *player_;
  const int key = e->key();
  if (key == Qt::Key_Right || key == Qt::Key_Left) {
    const ControlId button = key == Qt::Key_Right ? C::sbNext : C::sbPrevious;
    if (!p.Enabled(button)) return false;
    // The step runs when the key is released, once, however long it was held.
    if (!press && !e->isAutoRepeat()) {
      if (key == Qt::Key_Right) p.KeyStepForward();
      else p.KeyStepBackward();
    }
    return true;
  }
  if (!press) return false;
  if (key == Qt::Key_Escape) {
    if (bClearPlayList->isVisible() && bClearPlayList->isEnabled()) bClearPlayList->click();
    return true;
  }
  const QString text = e->text();
  if (text == "+") return p.KeyStepForward();
  if (text == "-") return p.KeyStepBackward();
  return false;
}

bool TfrmKLVMain::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w == nullptr || w->window() != this || QApplication::activeModalWidget() != nullptr ||
          QApplication::activePopupWidget() != nullptr)
        break;
      if (w == edtMotionThreshold && static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape) break;
      if (HandleKey(static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress)) return true;
      break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      const bool in = e->type() == QEvent::FocusIn;
      if (watched == tbWhere) player_->SeekBarFocus(in);
      else if (watched == tbRate) player_->RateBarFocus(in);
      else if (watched == lbPlayList && !in) player_->PlayListExit();
      break;
    }
    case QEvent::MouseMove:
      if (watched == lbPlayList->viewport()) {
        const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
        int itemHeight = lbPlayList->count() > 0 ? lbPlayList->visualItemRect(lbPlayList->item(0)).height()
                                                 : 0;
        if (itemHeight <= 0) itemHeight = lbPlayList->fontMetrics().height();
        player_->PlayListMouseMove(at.x(), at.y(), itemHeight,
                                   lbPlayList->verticalScrollBar()->value(),
                                   lbPlayList->width(), lbPlayList->height());
      }
      break;
    case QEvent::Resize:
      if (watched == client_) player_->LayoutWindow();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TfrmKLVMain::AboutCommand() {
  if (!player_->AboutAllowed() || aboutBox_ == nullptr) return;
  aboutBox_->show();
  aboutBox_->raise();
}

void TfrmKLVMain::CameraSettingsCommand() {
#ifdef KLV_HAVE_CAMSETTINGS
  if (camSettings_ == nullptr) return;
  klv::PlayerSettings& s = player_->settings;
  klv::CameraDialogSettings d;
  d.nInt1 = s.nInt1;
  d.nInt2 = s.nInt2;
  d.nInt3 = s.nInt3;
  d.nAVIQuant = s.nAVIQuant;
  d.nFlicker = s.nFlicker;
  d.cDrive = static_cast<unsigned char>(s.cDrive);
  d.cardPath = s.szCardPath;
  d.wCamMode = s.wCamMode;
  d.nResolution = s.nResolution;
  camSettings_->setWriteFailedHandler(
      [this](int kind) { ShowMessage(static_cast<klv::MessageKind>(kind)); });
  camSettings_->Execute(&d);
  s.nInt1 = d.nInt1;
  s.nInt2 = d.nInt2;
  s.nInt3 = d.nInt3;
  s.nAVIQuant = d.nAVIQuant;
  s.nFlicker = d.nFlicker;
  s.cDrive = static_cast<char>(d.cDrive);
  s.szCardPath = d.cardPath;
  s.wCamMode = static_cast<uint16_t>(d.wCamMode);
  s.nResolution = d.nResolution;
#endif
}
