#pragma once
// One QApplication for a test program, on the offscreen platform unless the
// environment names another.
#include <QApplication>

namespace klv::test {

inline QApplication* QtApp() {
  static int argc = 1;
  static char name[] = "klv_qt_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

}  // namespace klv::test

// Fontconfig keeps caches for the life of the process; they are not ours.
// Put this once in each Qt test program.
#define KLV_QT_TEST_LEAK_SUPPRESSIONS \
  extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
