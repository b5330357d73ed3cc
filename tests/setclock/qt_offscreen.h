#pragma once
// One QApplication for a test program, on the offscreen platform unless the
// environment names another.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace klv::test {

inline QApplication* QtApp() {
  static int argc = 1;
  static char name[] = "klv_qt_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

// Runs the event loop until `done` or a generous limit; never a fixed wait.
template <typename F>
bool WaitFor(F done, int limitMs = 60000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > limitMs) return false;
    QTest::qWait(5);
  }
  return true;
}

// Delete as X11 and Wayland deliver it: with the text "\x7f".
inline void PressDelete(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

// Types "10" into the interval box `name` of `window`, then presses Delete
// before the "1"; returns what the box shows then.
inline QString DeleteAfterTyping(QWidget* window, const char* name) {
  auto* e = window->findChild<QLineEdit*>(QLatin1String(name));
  if (e == nullptr) return QStringLiteral("no box");
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, QStringLiteral("10"));
  e->home(false);
  PressDelete(e);
  return e->text();
}

}  // namespace klv::test

// Fontconfig keeps caches for the life of the process; they are not ours.
// Put this once in each Qt test program.
#define KLV_QT_TEST_LEAK_SUPPRESSIONS \
  extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
