#include "platform/gfx/Font.h"

#include "platform/gfx/Geometry.h"

namespace gfx {

int Font::Size() const { return height == 0 ? 0 : -MulDiv(height, 72, 96); }

void Font::SetSize(int points) { height = -MulDiv(points, 96, 72); }

}  // namespace gfx
