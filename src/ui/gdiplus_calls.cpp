#include "ui/gdiplus_calls.h"

#include "platform/win32/system_library.h"

namespace ui {

const GdiplusCalls& GdiplusApi() {
  static const GdiplusCalls calls = [] {
    static platform::win32::SystemLibrary gdiplus("gdiplus.dll");
    static platform::win32::SystemLibrary shlwapi("shlwapi.dll");
    GdiplusCalls found{};
    MASKFOLD_REQUIRE(gdiplus, found, GdiplusStartup);
    MASKFOLD_REQUIRE(gdiplus, found, GdiplusShutdown);
    MASKFOLD_REQUIRE(gdiplus, found, GdipLoadImageFromStream);
    MASKFOLD_REQUIRE(gdiplus, found, GdipDisposeImage);
    MASKFOLD_REQUIRE(gdiplus, found, GdipImageGetFrameCount);
    MASKFOLD_REQUIRE(gdiplus, found, GdipImageSelectActiveFrame);
    MASKFOLD_REQUIRE(gdiplus, found, GdipGetPropertyItemSize);
    MASKFOLD_REQUIRE(gdiplus, found, GdipGetPropertyItem);
    MASKFOLD_REQUIRE(gdiplus, found, GdipCreateFromHDC);
    MASKFOLD_REQUIRE(gdiplus, found, GdipDeleteGraphics);
    MASKFOLD_REQUIRE(gdiplus, found, GdipDrawImageRectI);
    MASKFOLD_REQUIRE(shlwapi, found, SHCreateMemStream);
    return found;
  }();
  return calls;
}

}  // namespace ui
