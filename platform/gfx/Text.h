// Text measurement without a canvas (the same engine the canvas draws with).
#pragma once

#include <string>
#include <string_view>

#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"

namespace gfx {

// Metrics of font as realised. When no face can be found at all every field is 0.
TextMetrics GetTextMetrics(const Font& font);

// Width (sum of advances) and cell height of one line of CP936 text; control characters
// (line breaks included) take no space. {0, 0} when no face is available.
Size GetTextExtent(const Font& font, std::string_view text);

// The font file a face name resolves to ("宋体" -> the Song face, "Tahoma" -> the Latin
// sans face, anything else -> the Latin sans face); empty when none is installed.
std::string ResolveFontFile(const Font& font);

// Converts CP936 bytes to UTF-32 code points; a byte sequence that is not valid CP936
// becomes U+FFFD and decoding goes on.
std::u32string DecodeCP936(std::string_view text);

}  // namespace gfx
