// klvplay: the camera's movie player.
//
//   klvplay [--settings FILE] [MOVIE...]
//
// Each movie joins the play list; the earliest starts playing.

#include <QApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "player/about_box.h"
#include "player/camsettings/setcamreg.h"
#include "player/diags.h"
#include "player/klvmain.h"
#include "player/my_msg.h"
#include "player/transport_icons.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("klvplay");
  QApplication::setOrganizationName("kelvarn");
  QApplication::setDesktopFileName("klvplay");
  QApplication::setWindowIcon(klv::player::AppIcon());

  std::string settingsPath;
  std::vector<std::string> files;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--settings") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "klvplay: --settings needs a file\n");
        return 2;
      }
      settingsPath = QFile::encodeName(args[++i]).toStdString();
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::printf("usage: klvplay [--settings FILE] [MOVIE...]\n");
      return 0;
    } else {
      files.push_back(QFile::encodeName(args[i]).toStdString());
    }
  }
  if (settingsPath.empty()) settingsPath = klv::Player::DefaultSettingsPath();

  // The windows, in the order the player has always made them.
  TfrmKLVMain frmKLVMain(settingsPath);
  TAboutBox aboutBox(&frmKLVMain);
  klv::TfrmSetCamReg frmSetCamReg(&frmKLVMain);
  frmKLVMain.SetCameraSettingsDialog(&frmSetCamReg);
  TfrmDiags frmDiags(&frmKLVMain.player().diagOptions, &frmKLVMain.player().decoderFlags, &frmKLVMain);
  frmDiags.LoadSettings(frmKLVMain.player().ini, frmKLVMain.player().settings.ShowDiags);
  frmKLVMain.SetDiagnosticsWindow(&frmDiags);
  TfrmMyMsg frmMyMsg(&frmKLVMain);
  frmKLVMain.SetAboutBox(&aboutBox);
  frmKLVMain.SetMessageWindow(&frmMyMsg);

  frmKLVMain.show();
  frmKLVMain.Start(files);
  return app.exec();
}
