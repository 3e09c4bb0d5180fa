#pragma once
// The one vocabulary of places and sizes: pixel rectangles and points as GDI has them, and
// control rectangles in twips as the form lays them out.
#include <cstdint>

namespace corvane {

// Pixels; right and bottom exclusive, as in GDI.
struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Position and size in twips, in a form's client area.
struct TwipsRect {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

}  // namespace corvane
