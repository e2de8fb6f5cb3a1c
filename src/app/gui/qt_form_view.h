// The Qt side of the view interface: builds a form's widgets from its table and answers the
// form logic's verbs on them. Both windows use it; they add only their event wiring.
#pragma once

#include <QWidget>
#include <map>

#include "app/forms/form_view.h"

class QTreeView;

namespace rq {

class OriginModel;

class QtFormView final : public FormView {
 public:
  // Creates every control of `form` in `window` (objectName the control's name, caption, place,
  // enabled state, tab order), sized for the window's resolution, with one font for the window:
  // the largest, up to the window's own, at which every label's text fits its box.
  QtFormView(const FormSpec& form, QWidget& window);

  QWidget* widget(ControlId id) const { return widgets_.at(id); }
  template <typename T>
  T* control(ControlId id) const {
    return static_cast<T*>(widget(id));
  }

  std::string Text(ControlId id) const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetEnabled(ControlId id, bool enabled) override;
  CheckState Check(ControlId id) const override;
  void ClearItems(ControlId id) override;
  void AddItem(ControlId id, std::string_view key, std::string_view text) override;
  void SelectItem(ControlId id, int index) override;
  std::optional<std::string> SelectedKey(ControlId id) const override;
  void ShowOrigins(const OriginList& origins) override;
  std::optional<std::string> SelectedOriginKey() const override;
  void SetFocus(ControlId id) override;
  void Move(ControlId id, const TwipsRect& rect) override;
  void Close() override;

  // The window's resolution in dots per inch, for twips.
  double Dpi() const;

 private:
  QWidget* Build(const ControlSpec& def, QWidget* parent);
  void FitFont(const FormSpec& form);

  QWidget& window_;
  std::map<ControlId, QWidget*> widgets_;
  OriginModel* origins_ = nullptr;
};

}  // namespace rq
