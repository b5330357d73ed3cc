#pragma once
// Help > Keys: the keys and mouse actions of the main window, in the display
// language. Not modal; closed with the main window.
#include <QDialog>

namespace klv::player {

class KeysBox : public QDialog {
  Q_OBJECT

 public:
  explicit KeysBox(QWidget* parent = nullptr);
  // Rows of the table: the key (or mouse action) and what it does.
  static int RowCount();

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();
};

}  // namespace klv::player
