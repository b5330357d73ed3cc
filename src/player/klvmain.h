#pragma once
// The player's main window: the designed form (MainForm) with the engine
// behind it. This class is the engine's view: it turns the engine's calls into
// the form's controls and the form's events into the engine's commands.

#include <QMainWindow>
#include <QTranslator>
#include <array>
#include <functional>
#include <memory>

#include "engine/player.h"
#include "player/main_form.h"

class ClipExportRun;
class QAction;
class QDialog;
class QMenu;
class QStatusBar;
class TAboutBox;
class TfrmDiags;
class TfrmMyMsg;

namespace klv {
class TfrmSetCamReg;
}

class TfrmKLVMain : public QMainWindow, public klv::PlayerView {
  Q_OBJECT

 public:
  // Loads the settings from `settingsPath` (the creation handler's work).
  explicit TfrmKLVMain(const std::string& settingsPath, QWidget* parent = nullptr);
  ~TfrmKLVMain() override;

  klv::Player& player() { return *player_; }

  void SetAboutBox(TAboutBox* box) { aboutBox_ = box; }
  void SetMessageWindow(TfrmMyMsg* window) { msgWindow_ = window; }
  void SetCameraSettingsDialog(klv::TfrmSetCamReg* dialog) { camSettings_ = dialog; }
  // The diagnostics window: the engine's sink for its lines; placed and
  // saved with the settings, closed with this window. Null detaches it.
  void SetDiagnosticsWindow(TfrmDiags* window);
  // The command line's files: the first starts playing.
  void Start(const std::vector<std::string>& files);
  void CameraSettingsCommand();
  // File > Export Clip: the play list, or its part from the frame shown, as
  // an MP4 movie made on a worker thread (export_dialog.h).
  void ExportClipCommand();
  ClipExportRun* ExportRun() const { return exportRun_.get(); }

  // Tests answer the modal dialogs themselves.
  std::function<std::optional<std::string>(const std::string&)> saveDialogHook;
  std::function<void(klv::MessageKind)> messageHook;
  std::function<void(const std::string& title, const std::string& text)> errorBoxHook;

  // The controls by their designed names (widgets; menu items are actions).
  QWidget* Control(klv::ControlId id) const;
  QAction* MenuItem(klv::ControlId id) const;
  QStatusBar* StatusBar() const { return form_.StatusBar1; }
  QString StatusPanel(int i) const;
  QAction* SaveCurrentAction() const { return form_.SaveCurrent1; }
  QAction* ExitAction() const { return form_.Exit1; }
  QMenu* PopupMenu() const { return form_.PopupMenu1; }

  // ---- klv::PlayerView ------------------------------------------------------
  void SetEnabled(klv::ControlId id, bool on) override;
  void SetVisible(klv::ControlId id, bool on) override;
  void SetChecked(klv::ControlId id, bool on) override;
  void SetText(klv::ControlId id, const std::string& text) override;
  void SetBounds(klv::ControlId id, const klv::Rect& bounds) override;
  void SetFocus(klv::ControlId id) override;
  void SetRange(klv::ControlId id, int minimum, int maximum) override;
  void SetPosition(klv::ControlId id, int position) override;
  void SetTickFrequency(klv::ControlId id, int frequency) override;
  void SetCaption(const std::string& text) override;
  void SetStatusPanel(klv::StatusPanel panel, const std::string& text) override;
  void ShowStatsCaptions(klv::StatsCaptions captions) override;
  klv::Size ClientSize() override;
  klv::Size ScrollBoxClientSize() override;
  klv::Rect WindowBounds() override;
  void SetWindowBounds(const klv::Rect& bounds) override;
  klv::Size ScreenSize() override;
  void BringToFront() override;
  void ShowPicture(const klv::FramePicture* picture) override;
  void SetListItems(const std::vector<std::string>& lines) override;
  void SelectListItem(int index) override;
  void SetHintDelays(int showMs, int hideMs) override;
  void ShowMessage(klv::MessageKind kind, const std::string& reason) override;
  void ShowErrorBox(const std::string& title, const std::string& text) override;
  void ShowSkipped(const std::string& fileName, const std::string& reason) override;
  std::optional<std::string> RunSaveDialog(const std::string& suggestedPath) override;
  std::optional<std::vector<std::string>> RunOpenDialog() override;
  void Beep() override;
  void SetTimerInterval(int ms) override;
  void SetTimerEnabled(bool on) override;
  void ProcessPendingEvents() override;
  void PostToUi(std::function<void()> call) override;
  std::string GetText(klv::ControlId id) override;
  void ShowSearchLabel(klv::SearchLabel label) override;
  void ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) override;
  void SetSearchTimerEnabled(bool on) override;
  void ShowMotionTimeline(std::shared_ptr<const klv::TimelineValues> values) override;

  // Full screen (F11, Ctrl + double-click on the picture; Esc leaves it).
  void ToggleFullScreen();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Connect();
  void InstallLanguage(int slot);
  bool HandleKey(QKeyEvent* e, bool press);
  // Space, Home, End, N, P, F11 and Esc in full screen (klvmain_keys.cpp).
  bool HandlePlayerKey(QKeyEvent* e, bool press);
  void ConnectMotionTimeline();
  void ShowKeys();
  void AboutCommand();

  std::unique_ptr<klv::Player> player_;
  klv::player::MainForm form_;
  // Every control by its id, found by its designed name.
  std::array<QObject*, klv::kControlCount> controls_ {};
  TAboutBox* aboutBox_ = nullptr;
  TfrmMyMsg* msgWindow_ = nullptr;
  klv::TfrmSetCamReg* camSettings_ = nullptr;
  TfrmDiags* diags_ = nullptr;
  QTranslator translator_;
  QTranslator qtTranslator_;
  int pendingProgress_ = -1;  // pbWhere's position waiting for the event loop
  Qt::WindowStates windowedState_ = Qt::WindowNoState;  // restored when full screen ends
  QDialog* keysBox_ = nullptr;
  std::unique_ptr<ClipExportRun> exportRun_;  // the export under way
};
