#pragma once
#include <QDialog>

class QLabel;

// The player's message window: one of four fixed texts, chosen by the caller
// before it is shown modally.
class TfrmMyMsg : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMyMsg(QWidget* parent = nullptr);

  int MessageKind = 0;

  // The label of a kind (0-3); null for others.
  QLabel* Label(int kind) const;

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();

  QLabel* lblNoDir;
  QLabel* lblNotFound;
  QLabel* lblUnkFormat;
  QLabel* lblNoFrames;
};
