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

// One control of a window's layout table. Controls are created in table
// order, which is also their tab order. A control's height is where its text
// fits at this resolution; one that needs more grows downwards, and what
// holds it grows with it.
struct ControlSpec {
  int id;
  const char* window_class;
  const char* text;
  unsigned long style;
  int left, top, width, height;  // twips, relative to the parent's client area
  int parent = 0;                // the id of a control it lies in; 0: the window
  unsigned long ex_style = 0;
  FontStyle font = {};
  unsigned anchor = 0;
};

}  // namespace ui
