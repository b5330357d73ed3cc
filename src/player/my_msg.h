#pragma once
#include <QDialog>
#include <string>

class QLabel;

// The player's message window: one of four fixed texts, chosen by the caller
// before it is shown modally, and what is wrong in a few plain words.
class TfrmMyMsg : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMyMsg(QWidget* parent = nullptr);

  int MessageKind = 0;
  // What is wrong, in plain English words ("the file is empty"); shown in the
  // display language under the message. Empty: nothing more.
  std::string Reason;

  // A reason in the display language.
  static QString ReasonText(const std::string& reason);

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
  QLabel* lblReason;
};
