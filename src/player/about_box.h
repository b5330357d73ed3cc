#pragma once
#include <QDialog>

class QLabel;

// About: the program's name and version.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  QString VersionText() const;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  QLabel* Version;
};

// "Version a.b.c.d" from a dotted version ("1.68.0.0"); missing parts are 0.
QString FormatVersion(const QString& dotted);
