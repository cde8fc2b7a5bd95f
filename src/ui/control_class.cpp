#include "ui/control_class.h"

namespace ui {

void RegisterControlClass(const char* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXA control_class{};
  control_class.cbSize = sizeof control_class;
  control_class.lpfnWndProc = procedure;
  control_class.hInstance = ::GetModuleHandleA(nullptr);
  control_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  control_class.hbrBackground = background;
  control_class.lpszClassName = name;
  ::RegisterClassExA(&control_class);
}

}  // namespace ui
