#pragma once
// gbStats: the capture interval (or shutdown delay), the elapsed time (or
// event number), the frame's date and time, and the display language.
#include <QGroupBox>

#include "engine/player_view.h"

class QLabel;

namespace klv::player {

class StatsGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit StatsGroup(QWidget* parent = nullptr);

  // Which movie the captions describe; they follow the display language.
  void SetCaptions(StatsCaptions captions);

  QLabel* Label3;
  QLabel* lblCapInterval;
  QLabel* Label4;
  QLabel* lblElapsedTime;
  QLabel* Label6;
  QLabel* lblDate;
  QLabel* lblTime;
  QLabel* lblLang;

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();

  StatsCaptions captions_ = StatsCaptions::kInterval;
};

}  // namespace klv::player
