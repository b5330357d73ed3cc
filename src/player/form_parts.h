#pragma once
// Small pieces shared by the main window's groups: the window's texts (one
// translation context for the whole form, as the Linguist files keep it),
// designed rectangles, and the controls every group makes.

#include <QCoreApplication>
#include <QRect>
#include <QString>

#include "engine/layout.h"

class QLabel;
class QToolButton;
class QWidget;

namespace klv::player {

enum class Glyph;

// A text of the main window in the display language.
inline QString FormText(const char* source, const char* comment = nullptr) {
  return QCoreApplication::translate("TfrmKLVMain", source, comment);
}

// The designed rectangle of a control.
inline QRect Designed(ControlId id) {
  const Rect r = DesignedLayout::Bounds(id);
  return QRect(r.left, r.top, r.width, r.height);
}

// A speed button: a glyph, never taking the focus. Named by its control.
QToolButton* MakeButton(QWidget* parent, ControlId id, Glyph glyph);
// A label at its designed place; `bold` for the values beside a caption.
QLabel* MakeLabel(QWidget* parent, ControlId id, bool bold = false);
// The dark surround pictures sit on, as in any movie player.
void SetSurround(QWidget* w);

}  // namespace klv::player
