#pragma once
// The diagnostics window: a developer's window with the log that the decoders
// and the playback engine write to while it is visible, the bad-frame counter,
// the quantiser bar, and the debug switches they read.

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "media/common/decoder_flags.h"
#include "platform/diagnostics.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace klv {
class IniStore;
}

class TfrmDiags : public QWidget, public klv::DiagnosticsSink {
  Q_OBJECT

 public:
  // The switches live in `options` and `flags` (owned by the caller, read by
  // the engine and the decoders); each click copies into them at once.
  TfrmDiags(klv::DiagnosticsOptions* options, klv::DecoderFlags* flags, QWidget* parent = nullptr);
  ~TfrmDiags() override;

  // Creation, after the main window has read the settings: "window"
  // nDiagWinX/nDiagWinY (0 or more moves that edge), "settings" bShowExpo,
  // bShowTimes, bDumpRTCData into the flags; shown (not modal) when
  // `showDiags` is non-zero; the boxes and the deblocking choice follow the flags.
  void LoadSettings(const klv::IniStore& ini, int showDiags);
  // Exit: the window's left and top as nDiagWinX/nDiagWinY into "window".
  // The main window's settings save writes the file (and the three flags).
  void SaveSettings(klv::IniStore& ini) const;

  // Selects `method` in "DeBlock Method" and sets the flag to it (the main
  // window's Deblock command). A method outside 0-2 leaves no choice selected.
  void SelectDeblockMethod(int method);

  // Writes every line of the log, each ended by CR LF, replacing the file at
  // `path` in one step. On failure says so in a message box, leaves an earlier
  // file as it was and returns false.
  bool SaveLog(const std::string& path);
  // Double click on the log: offers SuggestedLogPath(), saves when confirmed.
  void SaveLogCommand();
  // "<folder>/<program name>.log", the folder being $XDG_STATE_HOME/kelvarn/
  // (~/.local/state/kelvarn/), created when missing.
  static std::string SuggestedLogPath();

  const klv::DiagnosticsOptions& Options() const { return *options_; }
  int LineCount() const;
  std::string Line(int index) const;
  int BadFrameCount() const { return badFrames_; }
  QMenu* PopupMenu() const { return PopupMenu1; }

  // "ZTM Restart": the engine decides whether it acts.
  std::function<void()> onZTMRestart;
  // Tests answer the save dialog and the message box themselves.
  std::function<std::optional<std::string>(const std::string&)> saveDialogHook;
  std::function<void(const std::string& title, const std::string& text)> messageHook;

  // ---- klv::DiagnosticsSink ---------------------------------------------------
  bool Visible() const override;
  void AddLine(std::string_view line) override;
  void CountBadFrame() override;
  void ShowQuantiser(int q) override;
  void ShowFrameTimes(int decodeMs, int displayMs) override;
  void ShowLastLines(int lines) override;

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  void Connect();
  void Retranslate();
  void SetBoxesFromFlags();
  void ShowError(const QString& text);

  klv::DiagnosticsOptions ownOptions_;  // stand-ins when the caller gives none
  klv::DecoderFlags ownFlags_;
  klv::DiagnosticsOptions* options_;
  klv::DecoderFlags* flags_;

  int badFrames_ = 0;
  std::optional<int> shownQuantiser_;  // none until the first quantiser is shown
  // The position read from the settings, written back unchanged while the
  // window has neither been shown nor placed by them.
  int readX_ = -1;
  int readY_ = -1;
  bool placedX_ = false;
  bool placedY_ = false;
  bool shown_ = false;

  // Controls, by their designed names.
  QListWidget* ListBox1 = nullptr;
  QLabel* Label1 = nullptr;  // "Bad Frms:"
  QLabel* lblBadFrameCount = nullptr;
  QLabel* lblQDisp = nullptr;
  QLabel* lblQNum = nullptr;
  QLabel* Label2 = nullptr;  // "Dec"
  QLabel* lblDecTime = nullptr;
  QLabel* Label3 = nullptr;  // "Disp"
  QLabel* lblDispTime = nullptr;
  QPushButton* Button1 = nullptr;
  QCheckBox* cbShowExpo = nullptr;
  QCheckBox* cbShowTimes = nullptr;
  QCheckBox* cbDumpRTCData = nullptr;
  QCheckBox* cbForceBW = nullptr;
  QCheckBox* cbShowQuant = nullptr;
  QGroupBox* rgDeBlockMethod = nullptr;
  QButtonGroup* deblockButtons_ = nullptr;
  QLabel* Label4 = nullptr;  // "ZTM-Mode Debug Options"
  QCheckBox* cbPauseOnStop = nullptr;
  QCheckBox* cbEnableZTMSingleStep = nullptr;
  QPushButton* bZTMRestart = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* PopupClear = nullptr;
  QAction* PopupCancel = nullptr;
};
