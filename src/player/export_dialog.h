#pragma once
// File > Export Clip: what of the play list goes into an MP4 movie
// (ExportClipDialog), then the export itself on a worker thread with its own
// readers and decoders, shown by a progress dialog whose Cancel ends it and
// leaves no file (ClipExportRun). Playback goes on meanwhile.

#include <QDialog>
#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/clip_export.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;

// What the user chose.
struct ExportChoices {
  bool fromShown = true;   // false: the whole play list
  bool motionOnly = false;
  bool stamp = false;
  std::string output;
};

class ExportClipDialog : public QDialog {
  Q_OBJECT

 public:
  // `threshold`: the motion threshold box's value (0: motion only cannot be
  // chosen, as a search could not run).
  ExportClipDialog(QWidget* parent, int threshold, const ExportChoices& initial);
  ExportChoices Choices() const;

  // Answers the save dialog in tests; unset: the platform's.
  std::function<std::optional<std::string>(const std::string&)> saveDialogHook;

  QRadioButton* rbFromShown;
  QRadioButton* rbWholeList;
  QCheckBox* cbMotionOnly;
  QCheckBox* cbStamp;
  QLineEdit* edtOutput;
  QPushButton* btnBrowse;
  QPushButton* btnExport;

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Browse();
  void Retranslate();

  int threshold_;
  QLabel* lblOutput;
  QPushButton* btnCancel;
};

// One export on its own thread. The progress dialog is not modal, so that the
// player stays in use; Cancel (or destruction) ends the export, and nothing
// of it is left.
class ClipExportRun : public QObject {
  Q_OBJECT

 public:
  ClipExportRun(QWidget* parent, std::vector<klv::ClipPart> parts, klv::ClipOptions options);
  ~ClipExportRun() override;

  void Start();
  void Cancel();
  bool Running() const { return thread_.joinable() && !finished_; }
  const klv::ClipResult& Result() const { return result_; }
  QProgressDialog* Progress() const { return progress_; }

 signals:
  // On the user-interface thread, once the export has ended in any way.
  void finished();

 private:
  void Report(const klv::ClipProgress& p);
  void Finish();

  std::vector<klv::ClipPart> parts_;
  klv::ClipOptions options_;
  klv::ClipExport job_;
  klv::ClipResult result_;
  std::thread thread_;
  bool finished_ = false;
  QProgressDialog* progress_;
  // The worker posts progress at most this often.
  std::atomic<int64_t> nextPost_ {0};
};
