#include "player/klvmain.h"

#include <algorithm>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
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

#include "player/about_box.h"
#include "player/camsettings/setcamreg.h"
#include "player/form_parts.h"
#include "player/motion_group.h"
#include "player/diags.h"
#include "player/export_dialog.h"
#include "engine/motion_search.h"
#include "engine/texts.h"
#include "player/my_msg.h"
#include "player/picture_view.h"
#include "player/play_list_group.h"
#include "player/search_preview.h"
#include "player/seek_group.h"
#include "player/seek_slider.h"
#include "player/speed_group.h"
#include "player/stats_group.h"
#include "player/transport_icons.h"
#include "player/transport_panel.h"

using klv::ControlId;
using C = klv::ControlId;

namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) {
  const QByteArray b = QFile::encodeName(s);
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}
QRect R(const klv::Rect& r) { return QRect(r.left, r.top, std::max(0, r.width), std::max(0, r.height)); }

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

TfrmKLVMain::TfrmKLVMain(const std::string& settingsPath, QWidget* parent)
    : QMainWindow(parent), form_(this) {
  setObjectName("frmKLVMain");
  setWindowTitle("Kelvarn Player");
  setWindowIcon(klv::player::AppIcon());
  setMinimumSize(klv::DesignedLayout::kMinWidth, klv::DesignedLayout::kMinHeight);
  setAcceptDrops(true);
  for (int i = 0; i < klv::kControlCount; ++i)
    controls_[static_cast<size_t>(i)] = findChild<QObject*>(klv::ControlName(static_cast<ControlId>(i)));

  player_ = std::make_unique<klv::Player>(this);
  Connect();
  move(klv::DesignedLayout::kWindowLeft, klv::DesignedLayout::kWindowTop);
  resize(klv::DesignedLayout::kWindowWidth, klv::DesignedLayout::kWindowHeight);

  // Construction: the play list is empty and the transport off.
  player_->Initialize();
  qApp->installEventFilter(this);

  // Creation: settings, the display language, the picture in its view.
  player_->ini.SetPath(settingsPath);
  player_->ini.Load();
  player_->LoadSettings();
  if (player_->language != 1) InstallLanguage(player_->language);
  const bool menus = player_->settings.ShowMenus != 0;
  form_.Options1->menuAction()->setVisible(menus);
  form_.Help1->menuAction()->setVisible(menus);
  player_->ApplyZoom();
}

TfrmKLVMain::~TfrmKLVMain() {
  qApp->removeEventFilter(this);
  form_.Timer1->stop();
  form_.searchTimer->stop();
  player_->CloseSource();
}

void TfrmKLVMain::InstallLanguage(int slot) {
  const char* suffix = SlotSuffix(slot);
  if (suffix == nullptr) return;
  if (qtTranslator_.load(QString("qtbase_") + suffix,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    qApp->installTranslator(&qtTranslator_);
  if (translator_.load(QString(":/i18n/klvplay_") + suffix)) qApp->installTranslator(&translator_);
  // At once, not when the event loop comes round: the form reaches every group.
  QEvent change(QEvent::LanguageChange);
  QCoreApplication::sendEvent(this, &change);
}

void TfrmKLVMain::Connect() {
  klv::Player& p = *player_;
  klv::player::MainForm& f = form_;
  connect(f.Open1, &QAction::triggered, this, [&p] { p.OpenFilesCommand(); });
  connect(f.SaveCurrent1, &QAction::triggered, this, [&p] { p.SaveCurrent(false); });
  connect(f.ExportClip1, &QAction::triggered, this, [this] { ExportClipCommand(); });
  connect(f.Exit1, &QAction::triggered, this, &QWidget::close);
  connect(f.CameraSettings1, &QAction::triggered, this, [this] { CameraSettingsCommand(); });
  connect(f.EmbedTimestamp1, &QAction::triggered, this, [&p] { p.EmbedTimestampCommand(); });
  connect(f.Deblock1, &QAction::triggered, this, [this, &f, &p] {
    p.DeblockCommand();
    f.Deblock1->setChecked(p.decoderFlags.g_nDeblockMethod != 0);
    if (diags_ != nullptr && diags_->isVisible()) diags_->SelectDeblockMethod(p.decoderFlags.g_nDeblockMethod);
  });
  connect(f.About1, &QAction::triggered, this, [this] { AboutCommand(); });
  connect(f.Zoom1X, &QAction::triggered, this, [&p] { p.SetZoom(100); });
  connect(f.Zoom2X, &QAction::triggered, this, [&p] { p.SetZoom(200); });
  connect(f.ZoomVar, &QAction::triggered, this, [&p] { p.SetZoom(0); });
  connect(f.PopupSave, &QAction::triggered, this, [&p] { p.SaveCurrent(true); });

  const klv::player::TransportPanel& t = *f.transport;
  connect(t.sbStop, &QToolButton::clicked, this, [&p] { p.Stop(); });
  connect(t.sbPause, &QToolButton::clicked, this, [&p] { p.Pause(); });
  connect(t.sbBackward, &QToolButton::clicked, this, [&p] { p.Play(-1); });
  connect(t.sbPrevious, &QToolButton::clicked, this, [&p] { p.StepBackward(); });
  connect(t.sbNext, &QToolButton::clicked, this, [&p] { p.StepForward(); });
  connect(t.sbForward, &QToolButton::clicked, this, [&p] { p.Play(1); });
  connect(t.sbPrevEvent, &QToolButton::clicked, this, [&p] { p.PrevEventCommand(); });
  connect(t.sbNextEvent, &QToolButton::clicked, this, [&p] { p.NextEventCommand(); });
  const klv::player::MotionSearchGroup& m = *f.motion;
  connect(m.sbSearchBackward, &QToolButton::clicked, this, [&p] { p.StartBackwardSearch(); });
  connect(m.sbStopSearch, &QToolButton::clicked, this, [&p] { p.StopSearchCommand(); });
  connect(m.sbSearchForward, &QToolButton::clicked, this, [&p] { p.StartForwardSearch(); });
  const klv::player::PlayListGroup& l = *f.playList;
  connect(l.bPrevious, &QPushButton::clicked, this, [&p] { p.PreviousCommand(); });
  connect(l.bSkip, &QPushButton::clicked, this, [&p] { p.NextCommand(); });
  connect(l.bClearPlayList, &QPushButton::clicked, this, [&p] { p.ClearCommand(); });
  connect(l.lbPlayList, &QListWidget::itemDoubleClicked, this,
          [&l, &p] { p.PlayListDoubleClick(l.lbPlayList->currentRow()); });

  connect(f.seek->tbWhere, &QSlider::valueChanged, this, [&p](int v) { p.SeekBarChanged(v); });
  connect(f.speed->tbRate, &QSlider::valueChanged, this, [&p](int v) { p.RateChanged(v); });
  connect(f.Timer1, &QTimer::timeout, this, [&p] { p.TimerTick(); });
  connect(f.searchTimer, &QTimer::timeout, this, [&p] { p.SearchSlice(); });
  connect(f.Image1, &klv::player::PictureView::leftPressed, this, [&p] { p.CycleZoom(); });
  connect(f.Image1, &klv::player::PictureView::contextRequested, this,
          [&f](const QPoint& at) { f.PopupMenu1->popup(at); });
  ConnectMotionTimeline();
}

void TfrmKLVMain::Start(const std::vector<std::string>& files) { player_->StartWithFiles(files); }

void TfrmKLVMain::ExportClipCommand() {
  klv::Player& p = *player_;
  if (exportRun_ || p.state.playListCount == 0) {
    Beep();
    return;
  }
  const int shown = std::clamp(p.state.playListIndex, 0, p.state.playListCount - 1);
  const std::string& shownPath = p.playList[static_cast<size_t>(shown)].path;
  ExportChoices initial;
  initial.stamp = p.state.embedTime;
  initial.output = klv::FolderOf(shownPath) + QFileInfo(Q(klv::NameOf(shownPath))).completeBaseName().toStdString() +
                   "_clip.mp4";
  const int threshold = klv::ParseMotionThreshold(GetText(C::edtMotionThreshold));
  ExportClipDialog dialog(this, threshold, initial);
  if (dialog.exec() != QDialog::Accepted) return;
  const ExportChoices c = dialog.Choices();
  std::vector<klv::ClipPart> parts;
  const int first = c.fromShown ? shown : 0;
  for (int i = first; i < p.state.playListCount; ++i)
    parts.push_back({p.playList[static_cast<size_t>(i)].path, i == first && c.fromShown ? std::max(0, p.CurrentFrame()) : 0, -1});
  klv::ClipOptions options;
  options.output = c.output;
  options.stamp = c.stamp;
  options.motionOnly = c.motionOnly;
  options.threshold = threshold;
  // A core is left to playback, which goes on meanwhile.
  options.jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()) - 1);
  options.encoderThreads = options.jobs;
  exportRun_ = std::make_unique<ClipExportRun>(this, std::move(parts), std::move(options));
  connect(exportRun_.get(), &ClipExportRun::finished, this, [this] {
    const klv::ClipResult r = exportRun_->Result();
    exportRun_.release()->deleteLater();  // it is in the middle of telling us
    const QString title = ExportClipDialog::tr("Export Clip");
    if (r.status == klv::ClipResult::Status::kFailed) {
      ShowErrorBox(S(title), S(ExportClipDialog::tr("The clip could not be exported:")) + "\n" + r.error);
    } else if (r.status == klv::ClipResult::Status::kDone && !r.notes.empty()) {
      std::string text = S(ExportClipDialog::tr("The clip was exported without:"));
      for (const std::string& n : r.notes) text += "\n" + n;
      if (errorBoxHook) errorBoxHook(S(title), text);
      else QMessageBox::information(this, title, Q(text));
    }
  });
  exportRun_->Start();
}

// ---- controls by id --------------------------------------------------------------

QWidget* TfrmKLVMain::Control(ControlId id) const {
  const int i = static_cast<int>(id);
  return i >= 0 && i < klv::kControlCount ? qobject_cast<QWidget*>(controls_[static_cast<size_t>(i)]) : nullptr;
}

QAction* TfrmKLVMain::MenuItem(ControlId id) const {
  const int i = static_cast<int>(id);
  return i >= 0 && i < klv::kControlCount ? qobject_cast<QAction*>(controls_[static_cast<size_t>(i)]) : nullptr;
}

QString TfrmKLVMain::StatusPanel(int i) const {
  return i >= 0 && i < klv::kStatusPanelCount ? form_.panels[static_cast<size_t>(i)]->text() : QString();
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
    form_.motion->edtMotionThreshold->setText(Q(text));
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
  if (id == C::Image1 || id == C::ScrollBox1) form_.UpdateCanvas(ScrollBoxClientSize());
}

void TfrmKLVMain::SetFocus(ControlId id) {
  if (QWidget* w = Control(id)) w->setFocus();
}

void TfrmKLVMain::SetRange(ControlId id, int minimum, int maximum) {
  if (id == C::tbWhere) form_.seek->tbWhere->setRange(minimum, std::max(minimum, maximum));
  else if (id == C::pbWhere) form_.seek->pbWhere->setRange(minimum, std::max(minimum + 1, maximum));
  else if (id == C::tbRate) form_.speed->tbRate->setRange(minimum, maximum);
}

void TfrmKLVMain::SetPosition(ControlId id, int position) {
  if (id == C::tbWhere) {
    form_.seek->tbWhere->setValue(position);
  } else if (id == C::pbWhere) {
    // A progress bar repaints at once when its value moves it; while a search
    // runs, it takes the last frame's position once per turn of the event loop.
    if (form_.searchTimer->isActive()) {
      const bool queued = pendingProgress_ >= 0;
      pendingProgress_ = position;
      if (!queued)
        QTimer::singleShot(0, this, [this] {
          if (pendingProgress_ >= 0) form_.seek->pbWhere->setValue(pendingProgress_);
          pendingProgress_ = -1;
        });
    } else {
      pendingProgress_ = -1;
      form_.seek->pbWhere->setValue(position);
    }
  } else if (id == C::tbRate) {
    form_.speed->tbRate->setValue(position);
  }
}

void TfrmKLVMain::SetTickFrequency(ControlId id, int frequency) {
  if (id == C::tbWhere) form_.seek->tbWhere->setTickInterval(frequency);
}

void TfrmKLVMain::SetCaption(const std::string& text) { setWindowTitle(Q(text)); }

void TfrmKLVMain::SetStatusPanel(klv::StatusPanel panel, const std::string& text) {
  const int i = static_cast<int>(panel);
  if (i < 0 || i >= klv::kStatusPanelCount) return;
  QLabel* l = form_.panels[static_cast<size_t>(i)];
  l->setText(Q(text));
  if (panel == klv::StatusPanel::kName) l->setToolTip(Q(text));
}

void TfrmKLVMain::ShowStatsCaptions(klv::StatsCaptions captions) { form_.stats->SetCaptions(captions); }

klv::Size TfrmKLVMain::ClientSize() { return {form_.client->width(), form_.client->height()}; }

klv::Size TfrmKLVMain::ScrollBoxClientSize() {
  QScrollArea* box = form_.ScrollBox1;
  const int frame = box->frameWidth();
  int w = box->width() - 2 * frame;
  int h = box->height() - 2 * frame;
  if (player_ != nullptr && player_->state.zoom > 0) {
    // Scroll bars take their room when the picture does not fit.
    const int bar = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
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

void TfrmKLVMain::ShowPicture(const klv::FramePicture* picture) { form_.Image1->SetPicture(picture); }

void TfrmKLVMain::SetListItems(const std::vector<std::string>& lines) {
  QListWidget* box = form_.playList->lbPlayList;
  box->clear();
  for (const std::string& l : lines) box->addItem(Q(l));
}

void TfrmKLVMain::SelectListItem(int index) {
  QListWidget* box = form_.playList->lbPlayList;
  if (index >= 0 && index < box->count()) box->setCurrentRow(index);
}

void TfrmKLVMain::SetHintDelays(int, int) {
  // The path appears in its own label; tool tips keep the desktop's delays.
}

void TfrmKLVMain::ShowMessage(klv::MessageKind kind, const std::string& reason) {
  if (messageHook) {
    messageHook(kind);
    return;
  }
  if (msgWindow_ == nullptr) {
    QString text = QString::fromUtf8(klv::MessageText(kind));
    if (!reason.empty()) text += "\n" + TfrmMyMsg::ReasonText(reason);
    QMessageBox::critical(this, klv::player::FormText("Error"), text);
    return;
  }
  msgWindow_->MessageKind = static_cast<int>(kind);
  msgWindow_->Reason = reason;
  msgWindow_->exec();
}

void TfrmKLVMain::ShowSkipped(const std::string& fileName, const std::string& reason) {
  // A note, not a dialog: an unattended run goes on past the file.
  form_.StatusBar1->showMessage(
      klv::player::FormText("Skipped %1: %2").arg(Q(fileName), TfrmMyMsg::ReasonText(reason)), 15000);
}

void TfrmKLVMain::ShowErrorBox(const std::string& title, const std::string& text) {
  if (errorBoxHook) {
    errorBoxHook(title, text);
    return;
  }
  QMessageBox::critical(this, Q(title), Q(text));
}

std::optional<std::string> TfrmKLVMain::RunSaveDialog(const std::string& suggestedPath) {
  if (saveDialogHook) return saveDialogHook(suggestedPath);
  const QString chosen = QFileDialog::getSaveFileName(this, klv::player::FormText("Save Current"),
                                                      Q(suggestedPath), QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return std::nullopt;
  return S(chosen);
}

std::optional<std::vector<std::string>> TfrmKLVMain::RunOpenDialog() {
  static QString folder = QDir::currentPath();
  using klv::player::FormText;
  const QString filters = FormText("Camera movies (*.avi *.m4v *.ztm)") + ";;" + FormText("AVI (*.avi)") +
                          ";;" + FormText("All files (*)");
  const QStringList chosen = QFileDialog::getOpenFileNames(this, FormText("Open"), folder, filters);
  if (chosen.isEmpty()) return std::nullopt;
  folder = QFileInfo(chosen.front()).absolutePath();
  std::vector<std::string> files;
  for (const QString& f : chosen) files.push_back(S(f));
  return files;
}

void TfrmKLVMain::Beep() { QApplication::beep(); }

void TfrmKLVMain::SetTimerInterval(int ms) {
  if (form_.Timer1->interval() != ms) form_.Timer1->setInterval(ms);
}

void TfrmKLVMain::SetTimerEnabled(bool on) {
  if (on && !form_.Timer1->isActive()) form_.Timer1->start();
  else if (!on) form_.Timer1->stop();
}

void TfrmKLVMain::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void TfrmKLVMain::PostToUi(std::function<void()> call) {
  // A queued call: safe from the sound device's thread, dropped with the window.
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

std::string TfrmKLVMain::GetText(ControlId id) {
  if (id == C::edtMotionThreshold) return S(form_.motion->edtMotionThreshold->text());
  if (auto* l = qobject_cast<QLabel*>(Control(id))) return S(l->text());
  return {};
}

void TfrmKLVMain::ShowSearchLabel(klv::SearchLabel label) { form_.motion->ShowLabel(label); }

void TfrmKLVMain::ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) {
  form_.motion->pnlSearch->SetPicture(width, height, stride, bits);
}

void TfrmKLVMain::SetSearchTimerEnabled(bool on) {
  if (on && !form_.searchTimer->isActive()) form_.searchTimer->start();
  else if (!on) form_.searchTimer->stop();
}

// ---- window events -------------------------------------------------------------------

void TfrmKLVMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) player_->KeepOnScreen();
}

void TfrmKLVMain::closeEvent(QCloseEvent* e) {
  form_.Timer1->stop();
  form_.searchTimer->stop();
  // The diagnostics window's place joins the settings before they are written.
  if (diags_ != nullptr) diags_->SaveSettings(player_->ini);
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
  if (window != nullptr) window->onZTMRestart = [this] { player_->ZtmRestartCommand(); };
  if (window != nullptr)
    connect(window, &QObject::destroyed, this, [this] {
      diags_ = nullptr;
      player_->SetDiagnostics(nullptr);
    });
}

void TfrmKLVMain::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) form_.RetranslateMenus();
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
  if (HandlePlayerKey(e, press)) return true;
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
    QPushButton* clear = form_.playList->bClearPlayList;
    if (clear->isVisible() && clear->isEnabled()) clear->click();
    return true;
  }
  const QString text = e->text();
  if (text == "+") return p.KeyStepForward();
  if (text == "-") return p.KeyStepBackward();
  return false;
}

bool TfrmKLVMain::eventFilter(QObject* watched, QEvent* e) {
  QListWidget* list = form_.playList->lbPlayList;
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w == nullptr || w->window() != this || QApplication::activeModalWidget() != nullptr ||
          QApplication::activePopupWidget() != nullptr)
        break;
      if (w == form_.motion->edtMotionThreshold && static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape &&
          static_cast<QKeyEvent*>(e)->key() != Qt::Key_F11)
        break;
      if (HandleKey(static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress)) return true;
      break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      const bool in = e->type() == QEvent::FocusIn;
      if (watched == form_.seek->tbWhere) player_->SeekBarFocus(in);
      else if (watched == form_.speed->tbRate) player_->RateBarFocus(in);
      else if (watched == list && !in) player_->PlayListExit();
      break;
    }
    case QEvent::MouseMove:
      if (watched == list->viewport()) {
        const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
        int itemHeight = list->count() > 0 ? list->visualItemRect(list->item(0)).height() : 0;
        if (itemHeight <= 0) itemHeight = list->fontMetrics().height();
        player_->PlayListMouseMove(at.x(), at.y(), itemHeight, list->verticalScrollBar()->value(),
                                   list->width(), list->height());
      }
      break;
    case QEvent::Resize:
      if (watched == form_.client) player_->LayoutWindow();
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
      [this](int kind) { ShowMessage(static_cast<klv::MessageKind>(kind), ""); });
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
}
