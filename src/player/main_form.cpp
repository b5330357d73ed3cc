#include "player/main_form.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>

#include "player/form_parts.h"
#include "player/motion_group.h"
#include "player/picture_view.h"
#include "player/play_list_group.h"
#include "player/seek_group.h"
#include "player/speed_group.h"
#include "player/stats_group.h"
#include "player/transport_panel.h"

namespace klv::player {

using C = ControlId;

namespace {

QAction* NamedAction(QMenu* menu, C id) {
  QAction* a = menu->addAction(QString());
  a->setObjectName(ControlName(id));
  return a;
}

}  // namespace

MainForm::MainForm(QMainWindow* window) {
  QMenuBar* bar = window->menuBar();
  File1 = bar->addMenu(QString());
  Open1 = File1->addAction(QString());
  Open1->setShortcut(QKeySequence::Open);
  SaveCurrent1 = NamedAction(File1, C::SaveCurrent1);
  SaveCurrent1->setShortcut(QKeySequence::Save);
  ExportClip1 = File1->addAction(QString());
  ExportClip1->setObjectName("ExportClip1");
  File1->addSeparator();
  Exit1 = File1->addAction(QString());
  Exit1->setShortcut(QKeySequence::Quit);
  Motion1 = bar->addMenu(QString());
  Motion1->setObjectName("Motion1");
  NextMotion1 = Motion1->addAction(QString());
  NextMotion1->setObjectName("NextMotion1");
  PrevMotion1 = Motion1->addAction(QString());
  PrevMotion1->setObjectName("PrevMotion1");
  Options1 = bar->addMenu(QString());
  CameraSettings1 = NamedAction(Options1, C::CameraSettings1);
  EmbedTimestamp1 = NamedAction(Options1, C::EmbedTimestamp1);
  EmbedTimestamp1->setCheckable(true);
  Deblock1 = NamedAction(Options1, C::Deblock1);
  Deblock1->setCheckable(true);
  Help1 = bar->addMenu(QString());
  Keys1 = Help1->addAction(QString());
  Keys1->setObjectName("Keys1");
  About1 = Help1->addAction(QString());

  PopupMenu1 = new QMenu(window);
  Zoom1X = PopupMenu1->addAction(QString());
  Zoom2X = PopupMenu1->addAction(QString());
  ZoomVar = PopupMenu1->addAction(QString());
  PopupMenu1->addSeparator();
  PopupSave = PopupMenu1->addAction(QString());

  client = new QWidget(window);
  window->setCentralWidget(client);
  ScrollBox1 = new QScrollArea(client);
  ScrollBox1->setObjectName(ControlName(C::ScrollBox1));
  ScrollBox1->setFrameShape(QFrame::StyledPanel);
  ScrollBox1->setFrameShadow(QFrame::Sunken);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetSurround(ScrollBox1);
  canvas = new QWidget;
  SetSurround(canvas);
  Image1 = new PictureView(canvas);
  Image1->setObjectName(ControlName(C::Image1));
  ScrollBox1->setWidget(canvas);

  speed = new SpeedGroup(client);
  lblRate = new QLabel(client);
  lblRate->setObjectName(ControlName(C::lblRate));
  lblRate->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QFont bold = lblRate->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  lblRate->setFont(bold);
  stats = new StatsGroup(client);
  motion = new MotionSearchGroup(client);
  transport = new TransportPanel(client);
  seek = new SeekGroup(client);
  playList = new PlayListGroup(client);

  StatusBar1 = new QStatusBar(client);
  StatusBar1->setObjectName(ControlName(C::StatusBar1));
  StatusBar1->setSizeGripEnabled(true);
  for (size_t i = 0; i < panels.size(); ++i) {
    auto* l = new QLabel(StatusBar1);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    // At least the designed width; wider when a text needs it (a .ztm
    // recording's date and time, its elapsed time).
    l->setMinimumWidth(DesignedLayout::kStatusPanelWidths[i]);
    l->setTextFormat(Qt::PlainText);
    panels[i] = l;
    StatusBar1->addWidget(l, i + 1 < panels.size() ? 0 : 1);
  }

  Timer1 = new QTimer(window);
  Timer1->setObjectName("Timer1");
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(33);
  searchTimer = new QTimer(window);
  searchTimer->setObjectName("searchTimer");
  searchTimer->setInterval(0);
  RetranslateMenus();
}

void MainForm::RetranslateMenus() {
  File1->setTitle(FormText("&File"));
  Open1->setText(FormText("&Open"));
  SaveCurrent1->setText(FormText("&Save Current"));
  ExportClip1->setText(FormText("Export &Clip..."));
  Exit1->setText(FormText("&Exit"));
  // The keys are the window's own (not shortcuts): shown beside the items.
  Motion1->setTitle(FormText("&Motion"));
  NextMotion1->setText(FormText("&Next Motion") + "\tN");
  PrevMotion1->setText(FormText("&Previous Motion") + "\tP");
  Options1->setTitle(FormText("&Options"));
  CameraSettings1->setText(FormText("&Camera Settings"));
  EmbedTimestamp1->setText(FormText("&Embed Timestamp"));
  Deblock1->setText(FormText("Deblock"));
  Help1->setTitle(FormText("&Help"));
  Keys1->setText(FormText("&Keys"));
  About1->setText(FormText("&About"));
  Zoom1X->setText(FormText("1X zoom"));
  Zoom2X->setText(FormText("2X zoom"));
  ZoomVar->setText(FormText("Var zoom"));
  PopupSave->setText(FormText("&Save Current"));
}

void MainForm::UpdateCanvas(Size scrollBoxClient) {
  const QRect img = Image1->geometry();
  canvas->resize(std::max(img.right() + 1, scrollBoxClient.width),
                 std::max(img.bottom() + 1, scrollBoxClient.height));
}

}  // namespace klv::player
