// The font a canvas draws text with, and the metrics it reports.
#pragma once

#include <string>

#include "platform/gfx/Color.h"

namespace gfx {

// Style bits of a Font (the class library's fsBold ...).
enum FontStyle : unsigned {
  fsBold = 1u << 0,
  fsItalic = 1u << 1,
  fsUnderline = 1u << 2,
  fsStrikeOut = 1u << 3,
};

// What text is drawn with. The face name is code page 936 text ("宋体" as GBK bytes).
// height < 0: character height in pixels (em size, no internal leading), the usual form;
// height > 0: cell height (ascent + descent); 0: the default of 13-pixel cells.
struct Font {
  std::string name = "MS Sans Serif";
  int height = -11;
  unsigned style = 0;  // FontStyle bits
  TColor color = clWindowText;
  int escapement = 0;  // tenths of a degree, counter-clockwise; 900 = bottom to top

  // The size in points at 96 dpi: -height * 72 / 96, rounded (0 for a zero height).
  int Size() const;
  // Sets the size in points at 96 dpi: height = -MulDiv(points, 96, 72).
  void SetSize(int points);

  bool bold() const { return style & fsBold; }
  bool italic() const { return style & fsItalic; }
  bool underline() const { return style & fsUnderline; }
  bool strikeOut() const { return style & fsStrikeOut; }

  friend bool operator==(const Font&, const Font&) = default;
};

// Metrics of a realised font, in pixels, as the desktop's TEXTMETRIC reports them.
struct TextMetrics {
  int height = 0;           // ascent + descent: the cell height
  int ascent = 0;           // baseline to the top of the cell
  int descent = 0;          // baseline to the bottom of the cell
  int internalLeading = 0;  // height - em size
  int externalLeading = 0;  // advised gap between lines
  int aveCharWidth = 0;     // advance of 'x'
  int maxCharWidth = 0;     // widest advance of the printable ASCII range
  friend bool operator==(const TextMetrics&, const TextMetrics&) = default;
};

}  // namespace gfx
