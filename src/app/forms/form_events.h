// The events of a window as data: which control's event runs which handler of the window's form
// logic. A view reports each event it sees as (control, event); the table decides what, if
// anything, it starts, so that both views start the same handlers on the same events.
#pragma once

#include <span>

#include "app/forms/form_table.h"

namespace rq {

enum class FormEvent {
  kClick,         // a button, the check box, an entry chosen in the image combo
  kDblClick,      // a double-click on a list row
  kCtrlDblClick,  // the same with Ctrl held
  kContextMenu,   // right click, the Menu key or Shift+F10
  kCancel,        // Escape, wherever the focus is in the window (control kForm)
  kClose,         // the close box (control kForm)
};

template <class Form>
struct EventRow {
  ControlId control;
  FormEvent event;
  void (Form::*handler)();
};

// Runs the handler the table has for the event; false when it has none.
template <class Form>
bool Dispatch(std::span<const EventRow<Form>> table, Form& form, ControlId control,
              FormEvent event) {
  for (const EventRow<Form>& row : table) {
    if (row.control == control && row.event == event) {
      (form.*row.handler)();
      return true;
    }
  }
  return false;
}

}  // namespace rq
