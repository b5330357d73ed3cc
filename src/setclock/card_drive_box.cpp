#include "setclock/card_drive_box.h"

#include <QDir>
#include <QFileDialog>
#include <QStyle>
#include <utility>

namespace klv {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kBrowseRole = Qt::UserRole + 1;

QString Clean(const QString& path) {
  if (path.isEmpty()) return path;
  return QDir::cleanPath(path);
}

}  // namespace

CardDriveBox::CardDriveBox(QWidget* parent) : QComboBox(parent) {
  volumes_ = [] { return ListVolumes(); };
  browse_ = [](QWidget* p, const QString& start) {
    return QFileDialog::getExistingDirectory(p, tr("Select the Flash Drive"), start);
  };
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(24);
  setPlaceholderText(tr("Select the flash drive"));
  connect(this, &QComboBox::activated, this, &CardDriveBox::onActivated);
  refresh();
}

void CardDriveBox::setVolumeSource(std::function<std::vector<Volume>()> source) {
  volumes_ = std::move(source);
  refresh();
}

void CardDriveBox::setBrowseHandler(std::function<QString(QWidget*, const QString&)> browse) {
  browse_ = std::move(browse);
}

QString CardDriveBox::cardPath() const { return current_; }

int CardDriveBox::browseIndex() const {
  for (int i = count() - 1; i >= 0; --i)
    if (itemData(i, kBrowseRole).toBool()) return i;
  return -1;
}

int CardDriveBox::indexOfPath(const QString& path) const {
  for (int i = 0; i < count(); ++i)
    if (!itemData(i, kBrowseRole).toBool() && itemData(i, kPathRole).toString() == path) return i;
  return -1;
}

int CardDriveBox::addFolderItem(const QString& path) {
  // Folders chosen by hand go after the volumes, before the separator.
  int at = browseIndex();
  if (at > 0) --at;  // the separator
  if (at < 0) at = count();
  insertItem(at, style()->standardIcon(QStyle::SP_DirIcon), QDir::toNativeSeparators(path), path);
  return at;
}

void CardDriveBox::refresh() {
  const QSignalBlocker block(this);
  clear();
  const QIcon removable = style()->standardIcon(QStyle::SP_DriveFDIcon);
  const QIcon fixed = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const Volume& v : volumes_()) {
    const QString mp = QString::fromStdString(v.mountPoint);
    const QString label = QString::fromStdString(v.label);
    const QString text = label == mp ? mp : QStringLiteral("%1  (%2)").arg(label, mp);
    addItem(v.removable ? removable : fixed, text, mp);
  }
  insertSeparator(count());
  addItem(tr("Browse…"));
  setItemData(count() - 1, true, kBrowseRole);
  for (const QString& folder : std::as_const(folders_))
    if (indexOfPath(folder) < 0) addFolderItem(folder);
  setCardPath(current_);
}

void CardDriveBox::setCardPath(const QString& path) {
  const QSignalBlocker block(this);
  current_ = Clean(path);
  if (current_.isEmpty()) {
    setCurrentIndex(-1);
    return;
  }
  int i = indexOfPath(current_);
  if (i < 0) {
    i = addFolderItem(current_);
    if (!folders_.contains(current_)) folders_.append(current_);
  }
  setCurrentIndex(i);
}

void CardDriveBox::showPopup() {
  refresh();  // a card inserted since the last look shows up
  QComboBox::showPopup();
}

void CardDriveBox::onActivated(int index) {
  if (itemData(index, kBrowseRole).toBool()) {
    const QString start = current_.isEmpty() ? QDir::homePath() : current_;
    const QString chosen = Clean(browse_(this, start));
    if (chosen.isEmpty()) {
      setCardPath(current_);  // cancelled: back to the previous choice
      return;
    }
    setCardPath(chosen);
  } else {
    const QSignalBlocker block(this);
    current_ = itemData(index, kPathRole).toString();
  }
  emit cardChanged(current_);
}

}  // namespace klv
