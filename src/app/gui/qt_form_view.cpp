#include "app/gui/qt_form_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <algorithm>
#include <vector>

#include "app/gui/origin_model.h"
#include "app/gui/twips.h"
#include "base/codepage.h"

namespace rq {
namespace {

QString ToQt(std::string_view bytes) {
  return QString::fromStdString(Cp1252ToUtf8(bytes));
}

std::string ToBytes(const QString& text) {
  return Utf8ToCp1252(text.toStdString());
}

// An editable combo box whose text part ends before its arrow button. Some styles compute the
// two from rounded, resolution-scaled widths and let the text part cover the button's first
// column (at 120 and 144 dpi the separator line vanished and the text ran into the arrow).
class EditCombo final : public QComboBox {
 public:
  explicit EditCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
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

}  // namespace

QtFormView::QtFormView(const FormSpec& form, QWidget& window) : window_(window) {
  window.setObjectName(
      QString::fromUtf8(form.name.data(), static_cast<qsizetype>(form.name.size())));
  window.setWindowTitle(ToQt(form.caption));
  const double dpi = Dpi();
  const QSize client(TwipsToPixels(form.clientWidth, dpi), TwipsToPixels(form.clientHeight, dpi));
  if (form.resizable) {
    window.resize(client);
  } else {
    window.setFixedSize(client);
  }
  for (const ControlSpec& def : form.controls) {
    QWidget* parent = def.container == ControlId::kForm ? &window : widget(def.container);
    QWidget* w = Build(def, parent);
    w->setObjectName(QString::fromUtf8(def.name.data(), static_cast<qsizetype>(def.name.size())));
    w->setEnabled(def.enabled);
    widgets_[def.id] = w;
    Move(def.id, def.rect);
  }
  // Controls created later lie on top; the table lists a control drawn over the frame after it.
  std::vector<const ControlSpec*> tabStops;
  for (const ControlSpec& def : form.controls) {
    if (def.tabIndex != kNoTabStop) tabStops.push_back(&def);
  }
  std::sort(tabStops.begin(), tabStops.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tabIndex < b->tabIndex; });
  for (std::size_t i = 1; i < tabStops.size(); ++i) {
    QWidget::setTabOrder(widget(tabStops[i - 1]->id), widget(tabStops[i]->id));
  }
  FitFont(form);
}

QWidget* QtFormView::Build(const ControlSpec& def, QWidget* parent) {
  const QString caption = ToQt(def.caption);
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
    case ControlKind::kImageCombo:
      return new QComboBox(parent);
    case ControlKind::kEditCombo: {
      auto* combo = new EditCombo(parent);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->setCompleter(nullptr);
      return combo;
    }
    case ControlKind::kTextBox:
      return new QLineEdit(parent);
    case ControlKind::kReportBox: {
      auto* box = new QPlainTextEdit(parent);
      box->setReadOnly(true);
      box->setLineWrapMode(QPlainTextEdit::NoWrap);
      box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
      // Log fields are TAB-separated: stops every eight characters keep most lines' columns.
      box->setTabStopDistance(8.0 * QFontMetricsF(box->font()).horizontalAdvance(' '));
      box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      return box;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(caption, parent);
    case ControlKind::kButton: {
      auto* button = new QPushButton(caption, parent);
      // Enter in a text box starts nothing; a button is pressed by click, Space or accelerator.
      button->setAutoDefault(false);
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
      return list;
    }
  }
  return new QWidget(parent);
}

void QtFormView::FitFont(const FormSpec& form) {
  std::vector<const QLabel*> labels;
  for (const ControlSpec& def : form.controls) {
    if (def.kind == ControlKind::kLabel || def.kind == ControlKind::kWrappedLabel) {
      labels.push_back(control<QLabel>(def.id));
    }
  }
  QFont font = window_.font();
  font.setPointSizeF(FitFontPoints(font.pointSizeF(), [&](double points) {
    QFont candidate = font;
    candidate.setPointSizeF(points);
    return std::all_of(labels.begin(), labels.end(),
                       [&](const QLabel* label) { return Fits(*label, candidate); });
  }));
  window_.setFont(font);
}

double QtFormView::Dpi() const {
  return window_.logicalDpiX() > 0 ? window_.logicalDpiX() : 96.0;
}

std::string QtFormView::Text(ControlId id) const {
  QWidget* w = widget(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return ToBytes(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(w)) return ToBytes(combo->currentText());
  if (auto* label = qobject_cast<QLabel*>(w)) return ToBytes(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return ToBytes(button->text());
  if (auto* box = qobject_cast<QPlainTextEdit*>(w)) return ToBytes(box->toPlainText());
  return {};
}

void QtFormView::SetText(ControlId id, std::string_view text) {
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

void QtFormView::SetEnabled(ControlId id, bool enabled) {
  widget(id)->setEnabled(enabled);
}

CheckState QtFormView::Check(ControlId id) const {
  const auto* box = qobject_cast<QCheckBox*>(widget(id));
  if (box == nullptr) return CheckState::kUnchecked;
  switch (box->checkState()) {
    case Qt::Checked:
      return CheckState::kChecked;
    case Qt::PartiallyChecked:
      return CheckState::kGrayed;
    case Qt::Unchecked:
      break;
  }
  return CheckState::kUnchecked;
}

void QtFormView::ClearItems(ControlId id) {
  if (auto* combo = qobject_cast<QComboBox*>(widget(id))) combo->clear();
}

void QtFormView::AddItem(ControlId id, std::string_view key, std::string_view text) {
  if (auto* combo = qobject_cast<QComboBox*>(widget(id))) {
    combo->addItem(ToQt(text), QByteArray(key.data(), static_cast<qsizetype>(key.size())));
  }
}

void QtFormView::SelectItem(ControlId id, int index) {
  if (auto* combo = qobject_cast<QComboBox*>(widget(id))) combo->setCurrentIndex(index);
}

std::optional<std::string> QtFormView::SelectedKey(ControlId id) const {
  const auto* combo = qobject_cast<QComboBox*>(widget(id));
  if (combo == nullptr || combo->currentIndex() < 0) return std::nullopt;
  return combo->currentData().toByteArray().toStdString();
}

void QtFormView::ShowOrigins(const OriginList& origins) {
  origins_->SetOrigins(origins);
}

std::optional<std::string> QtFormView::SelectedOriginKey() const {
  const auto* list = control<QTreeView>(ControlId::lvOrigins);
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.first().data(OriginModel::kKeyRole).toByteArray().toStdString();
}

void QtFormView::SetFocus(ControlId id) {
  widget(id)->setFocus(Qt::OtherFocusReason);
}

void QtFormView::Move(ControlId id, const TwipsRect& rect) {
  const double dpi = Dpi();
  // Edges, not sizes, are rounded: neighbours that meet in twips meet in pixels, and a control
  // that ends where its container's inside ends is not cut off by a rounded-up width.
  const int left = TwipsToPixels(rect.left, dpi);
  const int top = TwipsToPixels(rect.top, dpi);
  widget(id)->setGeometry(left, top, TwipsToPixels(rect.right(), dpi) - left,
                          TwipsToPixels(rect.bottom(), dpi) - top);
  if (auto* list = qobject_cast<QTreeView*>(widget(id))) {
    const int inner = list->width() - 2 * list->frameWidth();
    // The last column stretches over what the others leave.
    const auto columns = OriginListColumns();
    for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
      list->header()->resizeSection(static_cast<int>(c), inner * columns[c].fifths / 5);
    }
  }
}

void QtFormView::Close() {
  window_.close();
}

}  // namespace rq
