// Wall-clock seconds for the benchmarks, and the median of several runs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double Seconds() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The middle one of the values (the upper of the two middle ones for an even
// count): a run disturbed by the machine does not move it.
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
