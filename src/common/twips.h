// Window geometry is written in twips, 1/1440 inch (15 to a pixel at 96 dots
// per inch), and becomes pixels only at the screen's own resolution, so that
// windows keep their size on high-DPI screens.
#pragma once

#include <cmath>
#include <cstdint>

namespace twips {

inline constexpr int kPerInch = 1440;

// The nearest whole pixel.
inline int ToPixels(std::int64_t length, int dpi) {
  return static_cast<int>(std::lround(static_cast<double>(length) * dpi / kPerInch));
}

inline double FromPixels(long pixels, int dpi) {
  return static_cast<double>(pixels) * kPerInch / dpi;
}

}  // namespace twips
