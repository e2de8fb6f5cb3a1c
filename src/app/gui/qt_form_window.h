// The Qt view of the forms: one dialog class builds any form's widgets from its table, answers
// the form logic's verbs on them and reports each event as (control, event) to the window's
// event table. The windows add only what is theirs.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <map>

#include "app/forms/form_events.h"
#include "app/forms/form_view.h"

namespace rq {

class OriginModel;

class QtFormWindow : public QDialog, public FormView, public StoryView {
  Q_OBJECT

 public:
  // Runs the handler of the window's event table; false when the table has none.
  using EventHandler = std::function<bool(ControlId, FormEvent)>;
  // The client area became width x height twips.
  using ResizeHandler = std::function<void(int width, int height)>;

  // Shows a window modally and returns when it is closed; tests replace QDialog::exec.
  using ShowModalHook = std::function<void(QtFormWindow&)>;

  // Creates every control of `form` (objectName the control's name, caption, place, enabled
  // state, tab order), sized for the window's resolution, with one font for the window: the
  // largest, up to the window's own, at which every label's text fits its box.
  QtFormWindow(const FormSpec& form, QWidget* owner, ShowModalHook showModal = {});

  // Hands the window's events to `form` through its table, and its size when it has a layout.
  template <class Form>
  void Drive(Form& form) {
    onEvent_ = [&form](ControlId id, FormEvent event) {
      return Dispatch(Form::Events(), form, id, event);
    };
    if constexpr (requires { form.Form_Resize(0, 0); }) {
      onResize_ = [&form](int width, int height) { form.Form_Resize(width, height); };
    }
  }
  // Shows the window modally (or through the test's hook).
  void RunModal();

  QWidget* widget(ControlId id) const { return widgets_.at(id); }
  template <typename T>
  T* control(ControlId id) const {
    return static_cast<T*>(widget(id));
  }
  // The window's resolution in dots per inch, for twips.
  int Dpi() const;

  std::string Text(ControlId id) const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetEnabled(ControlId id, bool enabled) override;
  void SetFocus(ControlId id) override;
  void Move(ControlId id, const TwipsRect& rect) override;
  void SetClipboard(std::string_view text) override;
  void Close() override;
  CheckState Check(ControlId id) const override;
  void ClearItems(ControlId id) override;
  void AddItem(ControlId id, std::string_view key, std::string_view text) override;
  void SelectItem(ControlId id, int index) override;
  std::optional<std::string> SelectedKey(ControlId id) const override;
  void ShowOrigins(const OriginList& origins) override;
  std::optional<std::string> SelectedOriginKey() const override;
  std::optional<int> ShowMenu(ControlId id, std::span<const MenuItem> items) override;
  void ShowTree(const std::vector<TreeBranch>& branches) override;

 public slots:
  // Escape, wherever the focus is: the table's kCancel, or nothing.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Build(const ControlSpec& def, QWidget* parent);
  void Report(ControlId id, FormEvent event);
  void FitFont(const FormSpec& form);

  std::map<ControlId, QWidget*> widgets_;
  OriginModel* origins_ = nullptr;
  ShowModalHook showModal_;
  EventHandler onEvent_;
  ResizeHandler onResize_;
  QPoint menuAt_;  // where the context menu opens, in global coordinates
};

// 8-bit text (Windows-1252) for a widget, and back.
QString ToQt(std::string_view bytes);
std::string ToBytes(const QString& text);

}  // namespace rq
