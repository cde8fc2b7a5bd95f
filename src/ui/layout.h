// Window layouts, written in twips (common/twips.h).
#pragma once

namespace ui {

// The face every control of the program is written in, and its size.
inline constexpr char kControlFace[] = "MS Sans Serif";
inline constexpr double kControlPoints = 8.25;

struct FontStyle {
  double points = kControlPoints;
  bool bold = false;
  bool underline = false;
  bool operator==(const FontStyle&) const = default;
};

inline constexpr FontStyle kBold{.bold = true};
inline constexpr FontStyle kUnderlined{.underline = true};

// How a control follows a window that the user resizes: by default it keeps
// its place and size.
enum Anchor : unsigned {
  kStretchWidth = 1,   // its right edge keeps its distance to the window's
  kStretchHeight = 2,  // its bottom edge keeps its distance to the window's
  kFollowRight = 4,    // it moves with the window's right edge
  kFollowBottom = 8,   // it moves with the window's bottom edge
};

// Where a control lies, in twips, relative to its parent's client area.
struct TwipRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// One row of a window's layout table, written with the fields' names; what
// a row leaves out keeps its default. Controls are created in table order,
// which is also their tab order, and a control comes after the one it lies
// in. A control is as high as its text needs at this resolution: one that
// needs more grows downwards, and what holds it grows with it.
struct ControlSpec {
  int id = 0;
  const char* window_class = "";
  const char* text = "";
  unsigned long style = 0;
  TwipRect rect = {};
  int parent = 0;  // the id of the control it lies in; 0: the window
  unsigned long ex_style = 0;
  FontStyle font = {};
  unsigned anchor = 0;
};

}  // namespace ui
