// Forward declarations of the canvas layer.
#pragma once

namespace gfx {
struct Point;
struct Size;
struct Rect;
struct Font;
struct TextMetrics;
struct Pen;
struct Brush;
class Surface;
class Region;
class Canvas;
}  // namespace gfx
