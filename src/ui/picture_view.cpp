#include "ui/picture_view.h"

#include "common/failure.h"
#include "common/identifiers.h"
#include "platform/win32/handles.h"
#include "ui/control_class.h"

namespace ui {
namespace {
namespace win32 = platform::win32;

HBITMAP Of(HWND view) {
  return reinterpret_cast<HBITMAP>(::GetWindowLongPtrA(view, GWLP_USERDATA));
}

void Paint(HWND view) {
  const win32::PaintScope paint(view);
  RECT client{};
  ::GetClientRect(view, &client);
  const HBITMAP bitmap = Of(view);
  BITMAP size{};
  if (!bitmap || !::GetObjectA(bitmap, sizeof size, &size)) {
    ::FillRect(paint.Dc(), &client, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const win32::UniqueDc source(::CreateCompatibleDC(paint.Dc()));
  if (!source) return;
  const win32::Selection selected(source.Get(), bitmap);
  ::SetStretchBltMode(paint.Dc(), COLORONCOLOR);
  ::StretchBlt(paint.Dc(), 0, 0, client.right, client.bottom, source.Get(), 0, 0, size.bmWidth,
               size.bmHeight, SRCCOPY);
}

LRESULT CALLBACK PictureProcedure(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  return failure::Untrapped([&]() -> LRESULT {
    switch (message) {
      case WM_PAINT:
        Paint(view);
        return 0;
      case WM_ERASEBKGND:
        return 1;  // the picture covers it all
      case WM_CTLCOLORSTATIC:
        return ::SendMessageA(::GetParent(view), message, wparam, lparam);
    }
    return ::DefWindowProcA(view, message, wparam, lparam);
  });
}

}  // namespace

void RegisterPictureView() {
  RegisterControlClass(ids::window_class::kPictureView, &PictureProcedure);
}

void ShowBitmap(HWND view, HBITMAP bitmap) {
  ::SetWindowLongPtrA(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bitmap));
  ::InvalidateRect(view, nullptr, FALSE);
}

}  // namespace ui
