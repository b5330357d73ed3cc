#pragma once
// One QApplication for a test program, on the offscreen platform unless the
// environment names another.
#include <QApplication>
#include <QKeyEvent>

namespace klv::test {

inline QApplication* QtApp() {
  static int argc = 1;
  static char name[] = "klv_qt_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// Delete as X11 and Wayland deliver it: with the text "\x7f".
inline void PressDelete(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

}  // namespace klv::test

// Fontconfig keeps caches for the life of the process; they are not ours.
// Put this once in each Qt test program.
#define KLV_QT_TEST_LEAK_SUPPRESSIONS \
  extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
