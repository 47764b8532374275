// Internal to the canvas layer: realised fonts, glyph rendering and the glyph cache.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Font.h"

namespace gfx::detail {

// One line of text rendered unrotated into a cell-sized ink mask.
struct TextLine {
  int width = 0;   // sum of advances
  int height = 0;  // cell height
  int ascent = 0;
  std::vector<std::uint8_t> ink;  // width * height, row-major, 1 = text colour
  bool InkAt(int x, int y) const {
    return ink[std::size_t(y) * std::size_t(width) + std::size_t(x)] != 0;
  }
};

// Finds faces through fontconfig, renders them through FreeType without anti-aliasing and
// caches realised fonts and their glyphs. Lives for the process; not thread-safe by
// itself, so every entry point takes the engine's lock.
class TextEngine {
 public:
  // The process-wide engine (created on first use).
  static TextEngine& Instance();

  ~TextEngine();
  TextEngine(const TextEngine&) = delete;
  TextEngine& operator=(const TextEngine&) = delete;

  // Metrics of font; all 0 when no face is available.
  TextMetrics Metrics(const Font& font);
  // Sum of the advances of text; 0 when no face is available.
  int Width(const Font& font, const std::u32string& text);
  // The advance of each character of text, in order.
  std::vector<int> Advances(const Font& font, const std::u32string& text);
  // Renders text; underlineChar (an index into text, or -1) is underlined on its own, as
  // the prefix character of a label. Empty (0 x 0) when no face is available.
  TextLine Render(const Font& font, const std::u32string& text, int underlineChar = -1);
  // The font file the face name resolves to; empty when none is installed.
  std::string ResolveFile(const Font& font);

 private:
  TextEngine();
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace gfx::detail
