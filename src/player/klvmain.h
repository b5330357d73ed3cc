#pragma once
// The player's main window: every control of the designed form, placed by
// the engine's layout, and the view the engine drives.

#include <QMainWindow>
#include <QTranslator>
#include <array>
#include <functional>
#include <memory>

#include "engine/player.h"
#include "platform/diagnostics.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSlider;
class QStatusBar;
class QTimer;
class QToolButton;
class TAboutBox;
class TfrmDiags;
class TfrmMyMsg;

namespace klv {
class TfrmSetCamReg;
}
namespace klv::player {
class PictureView;
class SearchPreviewPanel;
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
  klv::DiagnosticsOptions* DiagnosticsSwitches() { return &diagOptions_; }
  // The command line's files: the first starts playing.
  void Start(const std::vector<std::string>& files);

  // Tests answer the modal dialogs themselves.
  std::function<std::optional<std::string>(const std::string&)> saveDialogHook;
  std::function<void(klv::MessageKind)> messageHook;

  QWidget* Control(klv::ControlId id) const;
  QAction* MenuItem(klv::ControlId id) const;
  QStatusBar* StatusBar() const { return StatusBar1; }
  QString StatusPanel(int i) const;
  QAction* SaveCurrentAction() const { return SaveCurrent1; }
  QAction* ExitAction() const { return Exit1; }
  QMenu* PopupMenu() const { return PopupMenu1; }

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
  void SetStatusPanel(int panel, const std::string& text) override;
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
  void ShowMessage(klv::MessageKind kind) override;
  void ShowErrorBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> RunSaveDialog(const std::string& suggestedPath) override;
  std::optional<std::vector<std::string>> RunOpenDialog() override;
  void Beep() override;
  void SetTimerInterval(int ms) override;
  void SetTimerEnabled(bool on) override;
  void ProcessPendingEvents() override;
  std::string GetText(klv::ControlId id) override;
  void ShowSearchLabel(int index) override;
  void ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) override;
  void SetSearchTimerEnabled(bool on) override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  void CreateMenus();
  void Connect();
  void Retranslate();
  void InstallLanguage(int slot);
  bool HandleKey(QKeyEvent* e, bool press);
  void PlaceChildren();
  void UpdateCanvas();

 public:
  void CameraSettingsCommand();

 private:
  void AboutCommand();

  std::unique_ptr<klv::Player> player_;
  TAboutBox* aboutBox_ = nullptr;
  TfrmMyMsg* msgWindow_ = nullptr;
  klv::TfrmSetCamReg* camSettings_ = nullptr;
  TfrmDiags* diags_ = nullptr;
  klv::DiagnosticsOptions diagOptions_;  // the diagnostics window's switches the engine reads
  QTranslator translator_;
  QTranslator qtTranslator_;
  bool laidOut_ = false;

  // Controls, by their designed names.
  QWidget* client_ = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QWidget* canvas_ = nullptr;
  klv::player::PictureView* Image1 = nullptr;
  QGroupBox* gbPlayRate = nullptr;
  QSlider* tbRate = nullptr;
  QLabel* lblRate = nullptr;
  QLabel* lblLang = nullptr;
  QGroupBox* gbStats = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lblCapInterval = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* lblElapsedTime = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* lblDate = nullptr;
  QLabel* lblTime = nullptr;
  QGroupBox* gbMotion = nullptr;
  klv::player::SearchPreviewPanel* pnlSearch = nullptr;
  QLabel* Thresh = nullptr;
  QLineEdit* edtMotionThreshold = nullptr;
  QToolButton* sbSearchBackward = nullptr;
  QToolButton* sbStopSearch = nullptr;
  QToolButton* sbSearchForward = nullptr;
  std::array<QLabel*, 4> searchLabels_ {};  // lblSrchMsg, lblSearchForward, lblSearchBackward, lblSearchFound
  QWidget* pnlPlayCtrl = nullptr;
  QToolButton* sbStop = nullptr;
  QToolButton* sbPause = nullptr;
  QToolButton* sbBackward = nullptr;
  QToolButton* sbPrevious = nullptr;
  QToolButton* sbNext = nullptr;
  QToolButton* sbForward = nullptr;
  QToolButton* sbPrevEvent = nullptr;
  QToolButton* sbNextEvent = nullptr;
  QGroupBox* gbSeek = nullptr;
  QWidget* pnlWhere = nullptr;
  QSlider* tbWhere = nullptr;
  QProgressBar* pbWhere = nullptr;
  QGroupBox* gbPlayList = nullptr;
  QListWidget* lbPlayList = nullptr;
  QLabel* lblFilePath = nullptr;
  QWidget* pnlPLControls = nullptr;
  QPushButton* bPrevious = nullptr;
  QPushButton* bSkip = nullptr;
  QPushButton* bClearPlayList = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 5> panels_ {};
  QTimer* Timer1 = nullptr;
  QTimer* searchTimer_ = nullptr;  // runs the motion search's slices from the event loop
  int pendingProgress_ = -1;       // pbWhere's position waiting for the event loop

  QMenu* File1 = nullptr;
  QMenu* Options1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* SaveCurrent1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* CameraSettings1 = nullptr;
  QAction* EmbedTimestamp1 = nullptr;
  QAction* Deblock1 = nullptr;
  QAction* About1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Zoom1X = nullptr;
  QAction* Zoom2X = nullptr;
  QAction* ZoomVar = nullptr;
  QAction* PopupSave = nullptr;
};
