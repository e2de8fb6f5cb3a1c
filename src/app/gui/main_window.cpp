#include "app/gui/main_window.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace rq {

using enum ControlId;

MainWindow::MainWindow(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
                       ShowModalHook showModal, QWidget* parent)
    : QtFormWindow(MainFormSpec(), parent),
      report_(ui, [this, showModal] { return std::make_unique<TraceWindow>(this, showModal); }),
      form_(server, dateFormat, *this, ui, report_,
            [this, showModal] { return std::make_unique<StoryDialog>(this, showModal); }) {
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  Drive(form_);
  // Keys typed into the date box reach the combo box, which hands them to its line edit itself,
  // past any filter on the line edit: the filter sits on both.
  auto* date = control<QComboBox>(cboDate);
  date->installEventFilter(this);
  date->lineEdit()->installEventFilter(this);
  // Pasted or dropped text keeps only what typing would have let in.
  connect(date->lineEdit(), &QLineEdit::textEdited, this, [date](const QString& text) {
    const QString kept = ToQt(DateBoxPasteFilter(ToBytes(text)));
    if (kept == text) return;
    QLineEdit* edit = date->lineEdit();
    const int cursor = static_cast<int>(
        ToQt(DateBoxPasteFilter(ToBytes(text.left(edit->cursorPosition())))).size());
    edit->setText(kept);
    edit->setCursorPosition(cursor);
  });
}

void MainWindow::showEvent(QShowEvent* event) {
  // The focus is on the connector box from the start; draw it as after a key press, or the
  // user cannot see where typing goes until the first key.
  setAttribute(Qt::WA_KeyboardFocusChange);
  QtFormWindow::showEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* date = control<QComboBox>(cboDate);
  if ((watched == date || watched == date->lineEdit()) && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys that type no character (arrows, Delete, Tab) and control keys (Ctrl+V, Ctrl+A, which
    // edit rather than type) work as usual.
    const bool command = (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
    if (command || text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) {
      return false;
    }
    return DateBoxKeyFilter(static_cast<int>(text.at(0).unicode())) == 0;
  }
  return QtFormWindow::eventFilter(watched, event);
}

}  // namespace rq
