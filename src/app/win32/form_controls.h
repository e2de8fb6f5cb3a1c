// The controls of one form of the shared table, as common controls: created as children of the
// window in the table's focus order, placed by their twips rectangles at the window's DPI.
#pragma once

#include <array>

#include "app/forms/form_table.h"
#include "app/win32/handles.h"

namespace rq::win32 {

class FormControls {
 public:
  // Creates every control of `form` as a child of `parent`. A control's id (WM_COMMAND) is
  // kFirstId plus its ControlId.
  void Create(HWND parent, const FormSpec& form);

  HWND operator[](ControlId id) const { return hwnds_[static_cast<std::size_t>(id)]; }
  // The control with that window handle, or kForm.
  ControlId IdOf(HWND hwnd) const;

  // Places a control at `rect`, in twips relative to its container, at `dpi`.
  void Place(ControlId id, const TwipsRect& rect, UINT dpi) const;
  // Places every control where the table has it and gives it `font`.
  void PlaceAll(UINT dpi, HFONT font) const;

  static constexpr int kFirstId = 1000;

 private:
  const FormSpec* form_ = nullptr;
  std::array<HWND, static_cast<std::size_t>(ControlId::kForm)> hwnds_{};
};

}  // namespace rq::win32
