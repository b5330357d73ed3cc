// KLVSetClk: sets the camera's clock and settings on its card.
#include <QApplication>
#include <QCommandLineParser>

#include "setclock/klvsetclk1.h"
#include "setclock/setclk_settings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KLVSetClk"));
  QApplication::setApplicationVersion(QStringLiteral(KLV_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("KLVSetClk"));

  QCommandLineParser args;
  args.addHelpOption();
  args.addVersionOption();
  args.addOption({QStringLiteral("settings"), QStringLiteral("Use FILE as the settings file."),
                  QStringLiteral("FILE")});
  args.process(app);

  klv::TfrmKLSetClk window(
      klv::LocateSetClkIni(args.value(QStringLiteral("settings")).toStdString()));
  window.show();
  window.exec();
  return 0;
}
