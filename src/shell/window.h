// A top-level window of the program: created with its load on first touch,
// hidden until shown; its messages go to one member of the derived form.
#pragma once

#include <windows.h>

#include <span>

#include "platform/ui.h"
#include "platform/win32/handles.h"
#include "shell/layout.h"

namespace shell {

struct FrameSpec {
  const char* class_name;
  const char* caption;
  DWORD style;
  DWORD ex_style;
  int client_width;  // twips
  int client_height;
  HICON icon;
  HMENU menu;  // the window takes ownership
};

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const { return hwnd_; }
  platform::ui::Window Id() const { return reinterpret_cast<platform::ui::Window>(hwnd_); }
  int Dpi() const { return dpi_; }

  // A top-level window of one of the program's forms, not a message box or
  // a window of another program.
  static bool IsProgramWindow(HWND window);

  void Show();
  void Hide();
  void Repaint();
  // Destroys the window; the object stays, without a window.
  void Unload();

 protected:
  // Creates the hidden window and its controls from the layout table.
  void Create(const FrameSpec& frame, std::span<const ControlSpec> controls, HWND owner = nullptr);
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  // The control's rectangle in client coordinates.
  RECT ControlRect(int id) const;

  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  platform::win32::UniqueFont font_;
};

// Creates a font of the given face and point size for this resolution.
platform::win32::UniqueFont MakeFont(const char* face, double points, int dpi, bool bold = false,
                                     bool underline = false);

}  // namespace shell
