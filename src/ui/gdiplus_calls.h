// GDI+, loaded with the first picture decoded, and the memory stream it
// reads from.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

namespace ui {

struct GdiplusCalls {
  decltype(Gdiplus::GdiplusStartup)* GdiplusStartup;
  decltype(Gdiplus::GdiplusShutdown)* GdiplusShutdown;
  decltype(Gdiplus::DllExports::GdipLoadImageFromStream)* GdipLoadImageFromStream;
  decltype(Gdiplus::DllExports::GdipDisposeImage)* GdipDisposeImage;
  decltype(Gdiplus::DllExports::GdipImageGetFrameCount)* GdipImageGetFrameCount;
  decltype(Gdiplus::DllExports::GdipImageSelectActiveFrame)* GdipImageSelectActiveFrame;
  decltype(Gdiplus::DllExports::GdipGetPropertyItemSize)* GdipGetPropertyItemSize;
  decltype(Gdiplus::DllExports::GdipGetPropertyItem)* GdipGetPropertyItem;
  decltype(Gdiplus::DllExports::GdipCreateFromHDC)* GdipCreateFromHDC;
  decltype(Gdiplus::DllExports::GdipDeleteGraphics)* GdipDeleteGraphics;
  decltype(Gdiplus::DllExports::GdipDrawImageRectI)* GdipDrawImageRectI;
  // From the shell's light-weight library.
  IStream*(WINAPI* SHCreateMemStream)(const BYTE*, UINT);
};

// Every call above, resolved once; throws when one is missing.
const GdiplusCalls& GdiplusApi();

}  // namespace ui
