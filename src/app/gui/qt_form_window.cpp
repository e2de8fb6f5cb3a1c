#include "app/gui/qt_form_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "app/gui/origin_model.h"
#include "app_icon_png.h"
#include "base/codepage.h"

namespace rq {
namespace {

// An editable combo box whose text part ends before its arrow button. Some styles compute the
// two from rounded, resolution-scaled widths and let the text part cover the button's first
// column (at 120 and 144 dpi the separator line vanished and the text ran into the arrow).
class EditCombo final : public QComboBox {
 public:
  explicit EditCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // The combo box places its line edit on many occasions (resize, font, style, the current
    // entry's icon); each placement is corrected as it happens.
    lineEdit()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == lineEdit() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
      QStyleOptionComboBox option;
      initStyleOption(&option);
      const int arrowLeft =
          style()
              ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this)
              .left();
      QRect text = lineEdit()->geometry();
      if (text.right() >= arrowLeft) {
        text.setRight(arrowLeft - 1);
        lineEdit()->setGeometry(text);  // a second Resize, which finds nothing to correct
      }
    }
    return QComboBox::eventFilter(watched, event);
  }
};

// Whether the label's text fits its box in that font: a wrapped label in as many lines as its
// height holds, any other on one line.
bool Fits(const QLabel& label, const QFont& font) {
  const QFontMetricsF metrics(font);
  if (label.wordWrap()) {
    const QRectF box(0, 0, label.width(), 1e6);
    return metrics.boundingRect(box, Qt::TextWordWrap, label.text()).height() <= label.height();
  }
  return metrics.horizontalAdvance(label.text()) <= label.width();
}

QFont FixedFont() {
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QString Name(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QString ToQt(std::string_view bytes) {
  return QString::fromStdString(Cp1252ToUtf8(bytes));
}

std::string ToBytes(const QString& text) {
  return Utf8ToCp1252(text.toStdString());
}

QtFormWindow::QtFormWindow(const FormSpec& form, QWidget* owner, ShowModalHook showModal)
    : QDialog(owner), showModal_(std::move(showModal)) {
  setObjectName(Name(form.name));
  setWindowTitle(ToQt(form.caption));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QPixmap icon;
  icon.loadFromData(kAppIconPng, sizeof kAppIconPng, "PNG");
  setWindowIcon(QIcon(icon));
  const int dpi = Dpi();
  const QSize client(TwipsToPixels(form.clientWidth, dpi), TwipsToPixels(form.clientHeight, dpi));
  if (form.resizable) {
    resize(client);
  } else {
    setFixedSize(client);
  }
  for (const ControlSpec& def : form.controls) {
    QWidget* parent = def.container == ControlId::kForm ? this : widget(def.container);
    QWidget* w = Build(def, parent);
    w->setObjectName(Name(def.name));
    w->setEnabled(def.enabled);
    widgets_[def.id] = w;
    Move(def.id, def.rect);
  }
  const std::vector<ControlId> order = TabOrder(form);
  for (std::size_t i = 1; i < order.size(); ++i)
    setTabOrder(widget(order[i - 1]), widget(order[i]));
  if (!order.empty()) widget(order.front())->setFocus(Qt::OtherFocusReason);
  FitFont(form);
}

QWidget* QtFormWindow::Build(const ControlSpec& def, QWidget* parent) {
  const QString caption = ToQt(def.caption);
  const ControlId id = def.id;
  switch (def.kind) {
    case ControlKind::kFrame:
      return new QGroupBox(parent);
    case ControlKind::kLabel:
    case ControlKind::kWrappedLabel: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      const bool wrapped = def.kind == ControlKind::kWrappedLabel;
      label->setWordWrap(wrapped);
      label->setAlignment(Qt::AlignLeft | (wrapped ? Qt::AlignTop : Qt::AlignVCenter));
      return label;
    }
    case ControlKind::kImageCombo: {
      auto* combo = new QComboBox(parent);
      connect(combo, &QComboBox::activated, this, [this, id] { Report(id, FormEvent::kClick); });
      return combo;
    }
    case ControlKind::kEditCombo:
      return new EditCombo(parent);
    case ControlKind::kTextBox:
      return new QLineEdit(parent);
    case ControlKind::kReportBox: {
      auto* box = new QPlainTextEdit(parent);
      box->setReadOnly(true);
      box->setLineWrapMode(QPlainTextEdit::NoWrap);
      box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setFont(FixedFont());
      // Log fields are TAB-separated: stops every eight characters keep most lines' columns.
      box->setTabStopDistance(8.0 * QFontMetricsF(box->font()).horizontalAdvance(' '));
      box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      // Tab goes on to the next control, as in every other box of the windows.
      box->setTabChangesFocus(true);
      return box;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kButton: {
      QAbstractButton* button = nullptr;
      if (def.kind == ControlKind::kCheckBox) {
        button = new QCheckBox(caption, parent);
      } else {
        auto* push = new QPushButton(caption, parent);
        // Enter in a text box starts nothing; a button is pressed by click, Space or accelerator.
        push->setAutoDefault(false);
        button = push;
      }
      connect(button, &QAbstractButton::clicked, this,
              [this, id] { Report(id, FormEvent::kClick); });
      return button;
    }
    case ControlKind::kListView: {
      auto* list = new QTreeView(parent);
      origins_ = new OriginModel(list);
      list->setModel(origins_);
      list->setRootIsDecorated(false);
      list->setItemsExpandable(false);
      list->setUniformRowHeights(true);
      list->setAllColumnsShowFocus(true);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSelectionBehavior(QAbstractItemView::SelectRows);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      list->header()->setSectionsMovable(false);
      list->header()->setStretchLastSection(true);
      list->installEventFilter(this);
      list->viewport()->installEventFilter(this);
      return list;
    }
    case ControlKind::kTreeView: {
      auto* tree = new QTreeWidget(parent);
      tree->setHeaderHidden(true);
      // Log lines are shown whole, with a scroll bar, not cut off at the window's edge.
      tree->header()->setStretchLastSection(false);
      tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
      tree->setFont(FixedFont());
      tree->setSelectionMode(QAbstractItemView::SingleSelection);
      tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
      return tree;
    }
  }
  return new QWidget(parent);
}

void QtFormWindow::Report(ControlId id, FormEvent event) {
  if (onEvent_) onEvent_(id, event);
}

void QtFormWindow::FitFont(const FormSpec& form) {
  std::vector<const QLabel*> labels;
  for (const ControlSpec& def : form.controls) {
    if (def.kind == ControlKind::kLabel || def.kind == ControlKind::kWrappedLabel) {
      labels.push_back(control<QLabel>(def.id));
    }
  }
  QFont fitted = font();
  fitted.setPointSizeF(FitFontPoints(fitted.pointSizeF(), [&](double points) {
    QFont candidate = fitted;
    candidate.setPointSizeF(points);
    return std::all_of(labels.begin(), labels.end(),
                       [&](const QLabel* label) { return Fits(*label, candidate); });
  }));
  setFont(fitted);
}

int QtFormWindow::Dpi() const {
  return logicalDpiX() > 0 ? logicalDpiX() : 96;
}

void QtFormWindow::RunModal() {
  if (showModal_) {
    showModal_(*this);
  } else {
    exec();
  }
}

void QtFormWindow::reject() {
  Report(ControlId::kForm, FormEvent::kCancel);
}

void QtFormWindow::closeEvent(QCloseEvent* event) {
  // The close box asks the logic; Close() ends the window without coming back here.
  event->ignore();
  if (!onEvent_ || !onEvent_(ControlId::kForm, FormEvent::kClose)) event->accept();
}

void QtFormWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int dpi = Dpi();
  if (onResize_) {
    onResize_(PixelsToTwips(event->size().width(), dpi),
              PixelsToTwips(event->size().height(), dpi));
  }
}

bool QtFormWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* list = qobject_cast<QTreeView*>(watched);
  if (list == nullptr && watched->parent() != nullptr) {
    list = qobject_cast<QTreeView*>(watched->parent());
  }
  if (list != nullptr && origins_ != nullptr && list->model() == origins_) {
    const ControlId id = ControlId::lvOrigins;
    if (event->type() == QEvent::MouseButtonDblClick) {
      const bool ctrl = (static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier) != 0;
      Report(id, ctrl ? FormEvent::kCtrlDblClick : FormEvent::kDblClick);
      return true;
    }
    if (event->type() == QEvent::ContextMenu) {
      const auto* menu = static_cast<QContextMenuEvent*>(event);
      if (menu->reason() == QContextMenuEvent::Mouse) {
        menuAt_ = menu->globalPos();
        Report(id, FormEvent::kContextMenu);
      }
      return true;  // the keys are handled below: only some platforms turn them into menus
    }
    // The Menu key and Shift+F10 open the menu at the current row. Only a key press is a key
    // event: any other event taken for one would be read past its end.
    const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    if (key != nullptr && (key->key() == Qt::Key_Menu ||
                           (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier))) {
      const QRect row = list->visualRect(list->currentIndex());
      menuAt_ = list->viewport()->mapToGlobal(row.isValid() ? row.center() : QPoint(0, 0));
      Report(id, FormEvent::kContextMenu);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

std::string QtFormWindow::Text(ControlId id) const {
  QWidget* w = widget(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return ToBytes(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(w)) return ToBytes(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(w)) return ToBytes(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return ToBytes(button->text());
  if (auto* box = qobject_cast<QPlainTextEdit*>(w)) return ToBytes(box->toPlainText());
  return {};
}

void QtFormWindow::SetText(ControlId id, std::string_view text) {
  QWidget* w = widget(id);
  const QString qt = ToQt(text);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(qt);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->setEditText(qt);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(qt);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(qt);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(w)) {
    box->setPlainText(qt);
  }
}

void QtFormWindow::SetEnabled(ControlId id, bool enabled) {
  widget(id)->setEnabled(enabled);
}

void QtFormWindow::SetFocus(ControlId id) {
  widget(id)->setFocus(Qt::OtherFocusReason);
}

void QtFormWindow::Move(ControlId id, const TwipsRect& rect) {
  const int dpi = Dpi();
  // Edges, not sizes, are rounded: neighbours that meet in twips meet in pixels, and a control
  // that ends where its container's inside ends is not cut off by a rounded-up width.
  const int left = TwipsToPixels(rect.left, dpi);
  const int top = TwipsToPixels(rect.top, dpi);
  widget(id)->setGeometry(left, top, TwipsToPixels(rect.right(), dpi) - left,
                          TwipsToPixels(rect.bottom(), dpi) - top);
  if (id == ControlId::lvOrigins) {
    auto* list = control<QTreeView>(id);
    // The last column stretches over what the others leave.
    const std::vector<int> widths = OriginColumnWidths(list->width() - 2 * list->frameWidth());
    for (std::size_t c = 0; c + 1 < widths.size(); ++c) {
      list->header()->resizeSection(static_cast<int>(c), widths[c]);
    }
  }
}

void QtFormWindow::SetClipboard(std::string_view text) {
  QGuiApplication::clipboard()->setText(ToQt(text));
}

void QtFormWindow::Close() {
  done(QDialog::Rejected);
}

CheckState QtFormWindow::Check(ControlId id) const {
  const Qt::CheckState state = control<QCheckBox>(id)->checkState();
  if (state == Qt::Checked) return CheckState::kChecked;
  return state == Qt::PartiallyChecked ? CheckState::kGrayed : CheckState::kUnchecked;
}

void QtFormWindow::ClearItems(ControlId id) {
  control<QComboBox>(id)->clear();
}

void QtFormWindow::AddItem(ControlId id, std::string_view key, std::string_view text) {
  control<QComboBox>(id)->addItem(ToQt(text),
                                  QByteArray(key.data(), static_cast<qsizetype>(key.size())));
}

void QtFormWindow::SelectItem(ControlId id, int index) {
  control<QComboBox>(id)->setCurrentIndex(index);
}

std::optional<std::string> QtFormWindow::SelectedKey(ControlId id) const {
  const auto* combo = control<QComboBox>(id);
  if (combo->currentIndex() < 0) return std::nullopt;
  return combo->currentData().toByteArray().toStdString();
}

void QtFormWindow::ShowOrigins(const OriginList& origins) {
  origins_->SetOrigins(origins);
}

std::optional<std::string> QtFormWindow::SelectedOriginKey() const {
  const auto* list = control<QTreeView>(ControlId::lvOrigins);
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.first().data(OriginModel::kKeyRole).toByteArray().toStdString();
}

std::optional<int> QtFormWindow::ShowMenu(ControlId id, std::span<const MenuItem> items) {
  QMenu menu(widget(id));
  std::vector<QAction*> actions;
  for (const MenuItem& item : items) {
    QAction* action = menu.addAction(ToQt(item.caption));
    action->setEnabled(item.enabled);
    if (item.isDefault) menu.setDefaultAction(action);
    actions.push_back(action);
  }
  const QAction* chosen = menu.exec(menuAt_);
  const auto at = std::find(actions.begin(), actions.end(), chosen);
  if (chosen == nullptr || at == actions.end()) return std::nullopt;
  return static_cast<int>(at - actions.begin());
}

void QtFormWindow::ShowTree(const std::vector<TreeBranch>& branches) {
  auto* tree = control<QTreeWidget>(ControlId::tvStory);
  tree->clear();
  for (const TreeBranch& branch : branches) {
    auto* heading = new QTreeWidgetItem(tree, QStringList(ToQt(branch.heading)));
    for (const std::string& row : branch.rows) new QTreeWidgetItem(heading, QStringList(ToQt(row)));
  }
  tree->expandAll();
  if (tree->topLevelItemCount() > 0) tree->setCurrentItem(tree->topLevelItem(0));
}

}  // namespace rq
