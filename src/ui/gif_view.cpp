#include "ui/gif_view.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "common/identifiers.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "ui/control_class.h"
#include "ui/gdiplus_calls.h"

namespace ui {
namespace {

constexpr UINT_PTR kFrameTimer = 1;
// GIFs that give no delay are played at the pace browsers use.
constexpr UINT kDefaultDelayMs = 100;
// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872}: the time dimension of a GIF.
constexpr GUID kFrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

struct ImageDeleter {
  void operator()(Gdiplus::GpImage* image) const { GdiplusApi().GdipDisposeImage(image); }
};
struct StreamDeleter {
  void operator()(IStream* stream) const { stream->Release(); }
};
struct GraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* graphics) const {
    GdiplusApi().GdipDeleteGraphics(graphics);
  }
};

// What one view shows.
struct Animation {
  // The image reads from the stream as long as it lives: the stream goes
  // last. Reading the file into memory leaves the file free to be replaced.
  std::unique_ptr<IStream, StreamDeleter> stream;
  std::unique_ptr<Gdiplus::GpImage, ImageDeleter> image;
  std::vector<UINT> delays_ms;  // one per frame
  UINT loops = 0;               // 0: for ever
  UINT frame = 0;
  UINT loops_done = 0;
};

// Reads a 32-bit property array of the image; empty when it has none.
std::vector<UINT> IntegerProperty(Gdiplus::GpImage* image, PROPID id) {
  UINT size = 0;
  if (GdiplusApi().GdipGetPropertyItemSize(image, id, &size) != Gdiplus::Ok ||
      size < sizeof(Gdiplus::PropertyItem))
    return {};
  std::vector<BYTE> bytes(size);
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(bytes.data());
  if (GdiplusApi().GdipGetPropertyItem(image, id, size, item) != Gdiplus::Ok) return {};
  std::vector<UINT> values;
  if (item->type == PropertyTagTypeLong) {
    const auto* longs = static_cast<const UINT*>(item->value);
    values.assign(longs, longs + item->length / sizeof(UINT));
  } else if (item->type == PropertyTagTypeShort) {
    const auto* shorts = static_cast<const USHORT*>(item->value);
    values.assign(shorts, shorts + item->length / sizeof(USHORT));
  }
  return values;
}

// GDI+ starts with the first picture decoded, not with the program: nothing
// that comes before (the splash) waits for it.
void StartGdiplus() {
  static const struct Session {
    ULONG_PTR token = 0;
    Session() {
      Gdiplus::GdiplusStartupInput input;
      GdiplusApi().GdiplusStartup(&token, &input, nullptr);
    }
    ~Session() {
      if (token) GdiplusApi().GdiplusShutdown(token);
    }
  } session;
}

std::unique_ptr<Animation> Load(const std::string& bytes) {
  StartGdiplus();
  auto animation = std::make_unique<Animation>();
  animation->stream.reset(GdiplusApi().SHCreateMemStream(
      reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!animation->stream) return nullptr;
  Gdiplus::GpImage* image = nullptr;
  if (GdiplusApi().GdipLoadImageFromStream(animation->stream.get(), &image) != Gdiplus::Ok ||
      !image)
    return nullptr;
  animation->image.reset(image);

  UINT frames = 1;
  if (GdiplusApi().GdipImageGetFrameCount(image, &kFrameDimensionTime, &frames) != Gdiplus::Ok ||
      frames == 0)
    frames = 1;
  const std::vector<UINT> delays = IntegerProperty(image, PropertyTagFrameDelay);
  for (UINT i = 0; i < frames; ++i) {
    const UINT hundredths = i < delays.size() ? delays[i] : 0;
    animation->delays_ms.push_back(hundredths ? hundredths * 10 : kDefaultDelayMs);
  }
  const std::vector<UINT> loops = IntegerProperty(image, PropertyTagLoopCount);
  animation->loops = loops.empty() ? 0 : loops.front();
  return animation;
}

// What one view holds: the file to read when it is first drawn, or the
// animation read.
struct View {
  std::optional<std::string> pending_file;
  std::unique_ptr<Animation> animation;
};

View* Of(HWND view) { return reinterpret_cast<View*>(::GetWindowLongPtrA(view, GWLP_USERDATA)); }

void Replace(HWND view, std::unique_ptr<Animation> next) {
  ::KillTimer(view, kFrameTimer);
  View* state = Of(view);
  if (!state) return;
  state->animation = std::move(next);
  if (state->animation && state->animation->delays_ms.size() > 1)
    ::SetTimer(view, kFrameTimer, state->animation->delays_ms[0], nullptr);
}

void NextFrame(HWND view) {
  View* state = Of(view);
  Animation* animation = state ? state->animation.get() : nullptr;
  if (!animation) return;
  const UINT frames = static_cast<UINT>(animation->delays_ms.size());
  UINT next = animation->frame + 1;
  if (next == frames) {
    ++animation->loops_done;
    if (animation->loops && animation->loops_done >= animation->loops) {
      ::KillTimer(view, kFrameTimer);  // the last frame stays
      return;
    }
    next = 0;
  }
  animation->frame = next;
  GdiplusApi().GdipImageSelectActiveFrame(animation->image.get(), &kFrameDimensionTime, next);
  ::SetTimer(view, kFrameTimer, animation->delays_ms[next], nullptr);
  ::InvalidateRect(view, nullptr, FALSE);
}

void Paint(HWND view) {
  const platform::win32::PaintScope paint(view);
  View* state = Of(view);
  if (!state) return;
  if (state->pending_file) {
    // Missing or unreadable: the view stays empty.
    const std::string path = *std::exchange(state->pending_file, std::nullopt);
    const std::string bytes = failure::Trap([&] { return platform::files::ReadWholeFile(path); },
                                            [] { return std::string(); });
    Replace(view, Load(bytes));
  }
  Animation* animation = state->animation.get();
  if (!animation) return;
  RECT client{};
  ::GetClientRect(view, &client);
  Gdiplus::GpGraphics* created = nullptr;
  if (GdiplusApi().GdipCreateFromHDC(paint.Dc(), &created) != Gdiplus::Ok) return;
  const std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter> graphics(created);
  GdiplusApi().GdipDrawImageRectI(graphics.get(), animation->image.get(), 0, 0, client.right,
                                  client.bottom);
}

LRESULT OnMessage(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      ::SetWindowLongPtrA(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new View));
      break;
    case WM_TIMER:
      if (wparam == kFrameTimer) NextFrame(view);
      return 0;
    case WM_PAINT:
      Paint(view);
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(view, &client);
      ::FillRect(reinterpret_cast<HDC>(wparam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      // Labels lying in the view take their colours from the window.
      return ::SendMessageA(::GetParent(view), message, wparam, lparam);
    case WM_NCDESTROY:
      ::KillTimer(view, kFrameTimer);
      delete Of(view);
      ::SetWindowLongPtrA(view, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcA(view, message, wparam, lparam);
}

LRESULT CALLBACK GifViewProcedure(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
  return failure::Untrapped([&] { return OnMessage(view, message, wparam, lparam); });
}

// The state of a view of this thread. The view is changed by calls, not by
// messages: a message carrying a pointer could come from any program.
View* OwnView(HWND view) {
  if (::GetWindowThreadProcessId(view, nullptr) != ::GetCurrentThreadId() ||
      ::GetClassLongPtrA(view, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&GifViewProcedure))
    return nullptr;
  return Of(view);
}

}  // namespace

void RegisterGifView() { RegisterControlClass(ids::window_class::kGifView, &GifViewProcedure); }

void ShowGifFile(HWND view, const std::string& path) {
  View* state = OwnView(view);
  if (!state) return;
  // Read when the view is next drawn: a view that is not shown yet costs
  // nothing.
  Replace(view, nullptr);
  state->pending_file = path;
  ::SetWindowTextA(view, path.c_str());
  ::InvalidateRect(view, nullptr, TRUE);
}

void ShowGifBytes(HWND view, const std::string& bytes) {
  if (!OwnView(view)) return;
  Replace(view, Load(bytes));
  ::InvalidateRect(view, nullptr, TRUE);
}

}  // namespace ui
