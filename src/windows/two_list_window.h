// The window of two lists side by side, the unprotected on the left under a
// red heading and the protected on the right under a green one, with a hint
// under them and a strip of two buttons: one that Apply disables, and Done.
// The Cookie Manager and Browser Cookies are two of it; each says what a
// row is, how the lists are filled and what a move does.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/tooltips.h"
#include "ui/window.h"

namespace windows {

// What one two-list window has of its own; the rest of its layout is shared.
struct TwoListParts {
  struct List {
    int id;
    int heading_id;
    const char* heading;
    const char* tip;
    bool moves = false;  // a double-click or Enter moves its selected row
  };
  // A label under the lists, bold for the hint and regular for the status.
  struct Label {
    int id = 0;  // 0: the window has none
    const char* text = "";
    unsigned long style = SS_LEFT;
    int width = 0;  // twips
    int height = 0;
  };
  struct Button {
    int id;
    const char* text;
    unsigned long style = 0;  // beside a push button's own
  };

  const char* class_name;
  const char* caption;
  int client_height;  // twips
  // The least outer size, in pixels at 96 dpi; 0: as the layout makes it.
  int least_width = 0, least_height = 0;
  unsigned long list_style;  // beside what both lists have
  List unprotected;
  List protected_list;
  Label hint;
  Label status = {};  // in red, under the hint
  int strip_id;
  Button action;  // disabled while Apply runs
  int done_id;
  // Said when a move is asked for while Apply runs.
  const char* refusal;
};

class TwoListWindow : public ui::Window {
 public:
  // While Apply changes what the lists show, the action button is disabled
  // and moves are refused; afterwards the lists are read again.
  void AllowChanges(bool allowed);

 protected:
  // Creates the window hidden with its controls and tips, owned by the main
  // window: that keeps it out of the task bar with its own icon. The parts
  // outlive the window.
  TwoListWindow(const TwoListParts& parts, HWND owner);

  // Puts the window on top, at least at its least size, centres and draws it:
  // the start of a Load.
  void Place();
  // False, with the user told why, while changes are not allowed.
  bool ChangesAllowed() const;

 private:
  // Moves the selected row of a list that moves rows.
  virtual void MoveSelected(int list) = 0;
  // The action button, clicked while changes are allowed.
  virtual void Act() = 0;
  // Apply has ended: what the lists show may have changed.
  virtual void ReadAgain() = 0;

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) final;
  LRESULT OnCommand(WPARAM wparam);

  const TwoListParts& parts_;
  bool changes_allowed_ = true;
  std::unique_ptr<ui::Tooltips> tooltips_;
};

}  // namespace windows
