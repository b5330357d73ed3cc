#pragma once
#include <QComboBox>
#include <functional>
#include <vector>

#include "platform/volumes.h"

namespace klv {

// The card's drive box: the mounted cards, removable media first, then the
// folders chosen with "Browse…" or remembered from before, and "Browse…" for
// any other folder. The card is the folder chosen here; the settings file
// goes under it.
class CardDriveBox : public QComboBox {
  Q_OBJECT
 public:
  explicit CardDriveBox(QWidget* parent = nullptr);

  // The chosen folder; empty when none.
  QString cardPath() const;
  // Selects the folder, adding it to the list when it is not mounted now
  // (a remembered card that is not inserted yet, a folder of the user's); it
  // stays listed while the box lives. Emits nothing.
  void setCardPath(const QString& path);

  // Lists the volumes again, keeping the choice and the folders.
  void refresh();

  // Where the volumes and the Browse… choice come from; tests replace them.
  void setVolumeSource(std::function<std::vector<Volume>()> source);
  void setBrowseHandler(std::function<QString(QWidget* parent, const QString& start)> browse);

  void showPopup() override;

 signals:
  // The user chose another folder.
  void cardChanged(const QString& path);

 private:
  void onActivated(int index);
  int browseIndex() const;
  int indexOfPath(const QString& path) const;
  int addFolderItem(const QString& path);

  std::function<std::vector<Volume>()> volumes_;
  std::function<QString(QWidget*, const QString&)> browse_;
  QString current_;
  QStringList folders_;  // chosen by hand or remembered, in the order they came
};

}  // namespace klv
