#include "player/export_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) {
  const QByteArray b = QFile::encodeName(s);
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ExportClipDialog::ExportClipDialog(QWidget* parent, int threshold, const ExportChoices& initial)
    : QDialog(parent), threshold_(threshold) {
  setObjectName("ExportClipDialog");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  rbFromShown = new QRadioButton(this);
  rbFromShown->setObjectName("rbFromShown");
  rbWholeList = new QRadioButton(this);
  rbWholeList->setObjectName("rbWholeList");
  (initial.fromShown ? rbFromShown : rbWholeList)->setChecked(true);
  cbMotionOnly = new QCheckBox(this);
  cbMotionOnly->setObjectName("cbMotionOnly");
  cbMotionOnly->setChecked(initial.motionOnly && threshold > 0);
  cbMotionOnly->setEnabled(threshold > 0);
  cbStamp = new QCheckBox(this);
  cbStamp->setObjectName("cbStamp");
  cbStamp->setChecked(initial.stamp);

  lblOutput = new QLabel(this);
  edtOutput = new QLineEdit(Q(initial.output), this);
  edtOutput->setObjectName("edtOutput");
  edtOutput->setMinimumWidth(360);
  lblOutput->setBuddy(edtOutput);
  btnBrowse = new QPushButton(this);
  btnBrowse->setObjectName("btnBrowse");
  connect(btnBrowse, &QPushButton::clicked, this, [this] { Browse(); });

  auto* buttons = new QDialogButtonBox(this);
  btnExport = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  btnExport->setObjectName("btnExport");
  btnExport->setDefault(true);
  btnCancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  const auto named = [this] { btnExport->setEnabled(!edtOutput->text().trimmed().isEmpty()); };
  connect(edtOutput, &QLineEdit::textChanged, this, named);
  named();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rbFromShown);
  layout->addWidget(rbWholeList);
  layout->addSpacing(6);
  layout->addWidget(cbMotionOnly);
  layout->addWidget(cbStamp);
  layout->addSpacing(6);
  auto* row = new QHBoxLayout;
  row->addWidget(lblOutput);
  row->addWidget(edtOutput, 1);
  row->addWidget(btnBrowse);
  layout->addLayout(row);
  layout->addWidget(buttons);
  Retranslate();
}

void ExportClipDialog::Retranslate() {
  setWindowTitle(tr("Export Clip"));
  rbFromShown->setText(tr("From the frame shown to the end of the list"));
  rbWholeList->setText(tr("The whole play list"));
  cbMotionOnly->setText(tr("Only the frames with motion (threshold %1), with 5 frames around each").arg(threshold_));
  cbStamp->setText(tr("Stamp the date and time into the pictures"));
  lblOutput->setText(tr("Save as:"));
  btnBrowse->setText(tr("Browse..."));
  btnExport->setText(tr("Export"));
  btnCancel->setText(tr("Cancel"));
}

void ExportClipDialog::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QDialog::changeEvent(e);
}

void ExportClipDialog::Browse() {
  std::optional<std::string> chosen;
  if (saveDialogHook) {
    chosen = saveDialogHook(S(edtOutput->text()));
  } else {
    const QString name =
        QFileDialog::getSaveFileName(this, tr("Export Clip"), edtOutput->text(), tr("MP4 movies (*.mp4)"));
    if (!name.isEmpty()) chosen = S(name);
  }
  if (!chosen) return;
  QString name = Q(*chosen);
  if (QFileInfo(name).suffix().isEmpty()) name += ".mp4";
  edtOutput->setText(name);
}

ExportChoices ExportClipDialog::Choices() const {
  ExportChoices c;
  c.fromShown = rbFromShown->isChecked();
  c.motionOnly = cbMotionOnly->isChecked();
  c.stamp = cbStamp->isChecked();
  c.output = S(edtOutput->text().trimmed());
  return c;
}

// ---- the export itself ------------------------------------------------------------

ClipExportRun::ClipExportRun(QWidget* parent, std::vector<klv::ClipPart> parts, klv::ClipOptions options)
    : QObject(parent), parts_(std::move(parts)), options_(std::move(options)) {
  progress_ = new QProgressDialog(parent);
  progress_->setObjectName("ExportClipProgress");
  progress_->setWindowTitle(ExportClipDialog::tr("Export Clip"));
  progress_->setLabelText(ExportClipDialog::tr("Exporting the clip..."));
  progress_->setCancelButtonText(ExportClipDialog::tr("Cancel"));
  progress_->setWindowModality(Qt::NonModal);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setMinimumDuration(0);
  progress_->setRange(0, 0);
  connect(progress_, &QProgressDialog::canceled, this, [this] { Cancel(); });
}

ClipExportRun::~ClipExportRun() {
  job_.Cancel();
  if (thread_.joinable()) thread_.join();
  delete progress_;
}

void ClipExportRun::Start() {
  progress_->show();
  job_.progress = [this](const klv::ClipProgress& p) {
    // Not every picture: the window needs to hear only a few times a second.
    const int64_t now = NowMs();
    if (p.done < p.total && now < nextPost_.load()) return;
    nextPost_ = now + 100;
    QMetaObject::invokeMethod(this, [this, p] { Report(p); }, Qt::QueuedConnection);
  };
  thread_ = std::thread([this] {
    result_ = job_.Run(parts_, options_);
    QMetaObject::invokeMethod(this, [this] { Finish(); }, Qt::QueuedConnection);
  });
}

void ClipExportRun::Cancel() {
  job_.Cancel();
  progress_->setLabelText(ExportClipDialog::tr("Cancelling..."));
}

void ClipExportRun::Report(const klv::ClipProgress& p) {
  if (finished_) return;
  progress_->setLabelText(p.scanning ? ExportClipDialog::tr("Looking for motion...")
                                     : ExportClipDialog::tr("Exporting the clip..."));
  const int total = static_cast<int>(std::min<int64_t>(p.total, INT32_MAX));
  progress_->setRange(0, total);
  progress_->setValue(static_cast<int>(std::min<int64_t>(p.done, total)));
}

void ClipExportRun::Finish() {
  if (thread_.joinable()) thread_.join();
  finished_ = true;
  progress_->hide();
  emit finished();
}
