// The base of the program's top-level windows: creates the window hidden
// with its controls from a layout table; the window's messages go to one
// member of the derived window, behind the untrapped-failure guard. Each
// window has its task queue, whose reports the framework runs.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/handles.h"
#include "ui/layout.h"
#include "ui/task_queue.h"

namespace ui {

struct FrameSpec {
  const char* class_name;
  const char* caption;
  DWORD style;
  DWORD ex_style;
  int client_width;  // twips
  int client_height;
  HICON icon;
};

// What the mouse pointer looks like over a window's client area: the
// system's arrow, or the window's own pointing hand.
enum class Pointer { kDefault, kHand };

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const { return hwnd_; }
  platform::ui::WindowId Id() const { return reinterpret_cast<platform::ui::WindowId>(hwnd_); }
  int Dpi() const { return dpi_; }

  // A top-level window of one of the program's windows, not a message box
  // or a window of another program.
  static bool IsProgramWindow(HWND window);

  void Show();
  void Hide();
  void Repaint();
  // Destroys the window; the object stays, without a window.
  void Unload();
  // Asks the window to close (WM_CLOSE) once the handler that asks has
  // returned: a handler of a control's notification must not destroy the
  // control that is still at work on it.
  void CloseLater();

  // Expires with the object. A handler that runs a nested message loop (a
  // message box) checks it before touching the object again: meanwhile the
  // window's owner may have closed it and built a new one.
  std::weak_ptr<const bool> Alive() const { return alive_; }

  // Work off the window's thread that reports back to it; reports that come
  // after the window is gone are dropped. Made with the window.
  TaskQueue& Tasks() { return *tasks_; }

 protected:
  // Creates the hidden window and its controls from the layout table. The
  // window takes the menu bar, if any.
  void Create(const FrameSpec& frame, std::span<const ControlSpec> controls, HWND owner = nullptr,
              platform::win32::UniqueMenu menu = {});
  // A control of the layout table, nested ones included.
  HWND Control(int id) const;
  // The control's rectangle in client coordinates.
  RECT ControlRect(int id) const;
  bool ControlContains(int id, POINT point) const;

  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  HFONT Font(const FontStyle& style);
  struct Placed;
  // Grows the control to the height its text needs and to what the controls
  // lying in it need, fitted first; true when it grew.
  bool Fit(std::vector<Placed>& placed, std::size_t i) const;
  // Fits each control of the window, and the window to the controls.
  void FitToText(const FrameSpec& frame, std::vector<Placed>& placed);
  // Moves and stretches the anchored controls to the window's new size.
  void FollowSize();

  struct Anchored {
    HWND control;
    unsigned anchor;
    RECT rect;  // at the size the window was made with
  };

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
  std::unique_ptr<TaskQueue> tasks_;
  std::vector<std::pair<FontStyle, platform::win32::UniqueFont>> fonts_;
  std::vector<Anchored> anchored_;
  // The table's controls by id: asking the window system each time costs a
  // round trip under Wine, and the proxy list asks once per entry.
  std::vector<std::pair<int, HWND>> controls_;
  SIZE made_client_{};  // the client size the anchors count from
  SIZE made_outer_{};   // the smallest size the user may make it
};

// A window's text (a control's caption or contents).
std::string WindowText(HWND window);

// The answer to WM_CTLCOLORSTATIC for a label drawn in a colour of its own
// on the dialog face.
LRESULT ColouredLabel(WPARAM dc, COLORREF colour);

// The point a mouse message carries, in client coordinates.
inline POINT MousePoint(LPARAM lparam) {
  return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
}

}  // namespace ui
