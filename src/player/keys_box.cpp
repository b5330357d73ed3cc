#include "player/keys_box.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <array>

#include "player/form_parts.h"

namespace klv::player {

namespace {

struct KeyRow {
  const char* key;
  const char* effect;
};

// The texts go through FormText when shown; QT_TRANSLATE_NOOP lets Linguist find them.
constexpr std::array<KeyRow, 9> kRows = {{
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "Space"), QT_TRANSLATE_NOOP("TfrmKLVMain", "Play / Pause")},
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "+, Right arrow"),
     QT_TRANSLATE_NOOP("TfrmKLVMain", "Forward 1 Frame (the arrow on release)")},
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "-, Left arrow"),
     QT_TRANSLATE_NOOP("TfrmKLVMain", "Backward 1 Frame (the arrow on release)")},
    {"Home, End", QT_TRANSLATE_NOOP("TfrmKLVMain", "First frame, last frame (paused)")},
    {"N, P", QT_TRANSLATE_NOOP("TfrmKLVMain", "Next Motion, Previous Motion")},
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "F11, Ctrl + double-click on the picture"),
     QT_TRANSLATE_NOOP("TfrmKLVMain", "Full screen on or off")},
    {"Esc", QT_TRANSLATE_NOOP("TfrmKLVMain", "Leave full screen, else clear the play list")},
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "Click on the picture"),
     QT_TRANSLATE_NOOP("TfrmKLVMain", "Next zoom; right button: zoom menu")},
    {QT_TRANSLATE_NOOP("TfrmKLVMain", "Click on the seek bar or the motion timeline"),
     QT_TRANSLATE_NOOP("TfrmKLVMain", "Go to that frame (paused)")},
}};

}  // namespace

KeysBox::KeysBox(QWidget* parent) : QDialog(parent) {
  setObjectName("KeysBox");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(18);
  grid->setVerticalSpacing(6);
  for (size_t i = 0; i < kRows.size(); ++i) {
    auto* key = new QLabel(this);
    key->setObjectName(QString("key%1").arg(i));
    QFont bold = key->font();
    bold.setBold(true);
    key->setFont(bold);
    auto* effect = new QLabel(this);
    effect->setObjectName(QString("effect%1").arg(i));
    grid->addWidget(key, static_cast<int>(i), 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(effect, static_cast<int>(i), 1, Qt::AlignLeft | Qt::AlignTop);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  setSizeGripEnabled(false);
  Retranslate();
}

int KeysBox::RowCount() { return static_cast<int>(kRows.size()); }

void KeysBox::Retranslate() {
  setWindowTitle(FormText("Keys"));
  for (size_t i = 0; i < kRows.size(); ++i) {
    findChild<QLabel*>(QString("key%1").arg(i))->setText(FormText(kRows[i].key));
    findChild<QLabel*>(QString("effect%1").arg(i))->setText(FormText(kRows[i].effect));
  }
}

void KeysBox::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QDialog::changeEvent(e);
}

}  // namespace klv::player
