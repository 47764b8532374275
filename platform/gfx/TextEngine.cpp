#include "platform/gfx/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <unordered_map>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/gfx/Text.h"

namespace gfx::detail {
namespace {

// The two families every face name maps to.
enum class Family { kSong, kLatin };

constexpr const char* kSongFamily = "AR PL UMing CN";
constexpr const char* kLatinFamily = "DejaVu Sans";

// Pixel sizes outside this range are clamped: a stray height must not allocate a
// gigantic glyph.
constexpr int kMinPixels = 1;
constexpr int kMaxPixels = 512;
// A zero height asks for the default cell.
constexpr int kDefaultCellHeight = 13;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

Family FamilyOf(const std::string& cp936Name) {
  std::u32string name = DecodeCP936(cp936Name);
  for (char32_t& c : name)
    if (c >= U'A' && c <= U'Z') c += U'a' - U'A';
  // UTF-32 literals: unlike narrow ones they are not turned into code page 936.
  static const char32_t* const kSongNames[] = {U"宋体", U"新宋体", U"simsun", U"nsimsun",
                                               U"ar pl uming cn"};
  for (const char32_t* song : kSongNames)
    if (name == song) return Family::kSong;
  return Family::kLatin;
}

struct FaceFile {
  std::string path;
  int index = 0;
};

// The installed file of family (in the wanted style when there is one); nothing when
// fontconfig only offers a substitute of another family.
std::optional<FaceFile> FindFamily(const char* family, bool bold, bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  std::optional<FaceFile> found;
  bool sameFamily = false;
  FcChar8* value = nullptr;
  for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &value) == FcResultMatch; ++n)
    if (Lower(reinterpret_cast<const char*>(value)) == Lower(family)) sameFamily = true;
  FcChar8* file = nullptr;
  int index = 0;
  if (sameFamily && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found = FaceFile{reinterpret_cast<const char*>(file), index};
  }
  FcPatternDestroy(match);
  return found;
}

struct Glyph {
  int advance = 0;
  int left = 0;  // from the pen position to the first ink column
  int top = 0;   // from the baseline up to the first ink row
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> ink;  // width * height, 1 = ink
};

// A face opened at one pixel size, with what the style asked for but the face lacks.
struct SizedFace {
  FT_Face face = nullptr;
  bool fromStrike = false;
  bool emboldenByHand = false;
  bool slantByHand = false;

  SizedFace() = default;
  SizedFace(const SizedFace&) = delete;
  SizedFace& operator=(const SizedFace&) = delete;
  ~SizedFace() {
    if (face) FT_Done_Face(face);
  }
};

// A font as realised: the family's face, the other family's face for characters the
// first lacks, the metrics and the glyphs rendered so far.
struct RealFont {
  std::unique_ptr<SizedFace> primary;
  std::unique_ptr<SizedFace> secondary;
  bool secondaryTried = false;
  Family family = Family::kLatin;
  int em = 0;
  bool bold = false, italic = false;
  TextMetrics metrics;
  int underlineRow = 0, underlineThickness = 1, strikeRow = 0;
  std::unordered_map<char32_t, Glyph> glyphs;
};

int Round26_6(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

int Scale(long long units, int pixels, int unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  return static_cast<int>(std::llround(static_cast<double>(units) * pixels / unitsPerEm));
}

// Sets face to em pixels, on a bitmap strike of that size when the face has one.
bool SizeFace(SizedFace& sized, int em) {
  FT_Face face = sized.face;
  for (int i = 0; i < face->num_fixed_sizes; ++i)
    if (Round26_6(face->available_sizes[i].y_ppem) == em && FT_Select_Size(face, i) == 0) {
      sized.fromStrike = true;
      return true;
    }
  if (FT_IS_SCALABLE(face)) return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) == 0;
  return false;
}

bool HasStrike(FT_Face face, int em) {
  for (int i = 0; i < face->num_fixed_sizes; ++i)
    if (Round26_6(face->available_sizes[i].y_ppem) == em) return true;
  return false;
}

// Windows-style vertical extent in font units: the OS/2 "win" metrics when present.
std::pair<long long, long long> AscentDescentUnits(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) return {os2->usWinAscent, os2->usWinDescent};
  return {face->ascender, -static_cast<long long>(face->descender)};
}

Glyph Rasterise(const SizedFace& sized, FT_UInt index) {
  Glyph g;
  FT_Face face = sized.face;
  if (sized.slantByHand && !sized.fromStrike) {
    FT_Matrix shear{0x10000, 0x3800, 0, 0x10000};  // about 12 degrees
    FT_Set_Transform(face, &shear, nullptr);
  }
  const FT_Error error =
      FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
  if (sized.slantByHand && !sized.fromStrike) FT_Set_Transform(face, nullptr, nullptr);
  if (error) return g;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  g.advance = Round26_6(slot->advance.x);
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.ink.assign(std::size_t(g.width) * std::size_t(g.height), 0);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<long>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      const bool on =
          bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
      g.ink[std::size_t(y) * std::size_t(g.width) + std::size_t(x)] = on ? 1 : 0;
    }
  }
  if (sized.emboldenByHand && g.width > 0) {
    // Synthetic bold: every ink pixel is doubled one column to the right.
    Glyph wide = g;
    wide.width = g.width + 1;
    wide.ink.assign(std::size_t(wide.width) * std::size_t(g.height), 0);
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x)
        if (g.ink[std::size_t(y) * std::size_t(g.width) + std::size_t(x)]) {
          wide.ink[std::size_t(y) * std::size_t(wide.width) + std::size_t(x)] = 1;
          wide.ink[std::size_t(y) * std::size_t(wide.width) + std::size_t(x) + 1] = 1;
        }
    g = std::move(wide);
  }
  if (sized.emboldenByHand) ++g.advance;
  return g;
}

}  // namespace

struct TextEngine::State {
  std::mutex lock;
  FT_Library library = nullptr;
  bool fontconfigReady = false;
  using Key = std::tuple<Family, int, bool, bool>;  // family, height, bold, italic
  std::map<Key, std::unique_ptr<RealFont>> fonts;
  std::map<std::tuple<Family, bool, bool>, std::optional<FaceFile>> files;

  ~State() {
    fonts.clear();
    if (library) FT_Done_FreeType(library);
    // Gives back fontconfig's caches, which a leak checker would otherwise report.
    if (fontconfigReady) FcFini();
  }

  const std::optional<FaceFile>& FileOf(Family family, bool bold, bool italic) {
    const auto key = std::make_tuple(family, bold, italic);
    auto it = files.find(key);
    if (it == files.end()) {
      std::optional<FaceFile> file;
      if (fontconfigReady)
        file = FindFamily(family == Family::kSong ? kSongFamily : kLatinFamily, bold, italic);
      it = files.emplace(key, std::move(file)).first;
    }
    return it->second;
  }

  std::unique_ptr<SizedFace> Open(Family family, int em, bool bold, bool italic) {
    if (!library) return nullptr;
    const auto& file = FileOf(family, bold, italic);
    if (!file) return nullptr;
    auto sized = std::make_unique<SizedFace>();
    if (FT_New_Face(library, file->path.c_str(), file->index, &sized->face) != 0) {
      sized->face = nullptr;
      return nullptr;
    }
    if (!SizeFace(*sized, em)) return nullptr;
    sized->emboldenByHand = bold && !(sized->face->style_flags & FT_STYLE_FLAG_BOLD);
    sized->slantByHand = italic && !(sized->face->style_flags & FT_STYLE_FLAG_ITALIC);
    return sized;
  }

  RealFont* Realise(const Font& font) {
    const Family family = FamilyOf(font.name);
    const int height =
        std::clamp(font.height == 0 ? kDefaultCellHeight : font.height, -kMaxPixels, kMaxPixels);
    const Key key{family, height, font.bold(), font.italic()};
    auto it = fonts.find(key);
    if (it != fonts.end()) return it->second.get();
    auto real = Build(family, height, font.bold(), font.italic());
    RealFont* result = real.get();
    fonts.emplace(key, std::move(real));
    return result;
  }

  // height < 0: em size; height > 0: cell height.
  std::unique_ptr<RealFont> Build(Family family, int height, bool bold, bool italic) {
    auto real = std::make_unique<RealFont>();
    real->family = family;
    real->bold = bold;
    real->italic = italic;
    // Probe the face at a nominal size first to learn how em and cell relate.
    auto probe = Open(family, 12, bold, italic);
    if (!probe) return real;
    FT_Face face = probe->face;
    const int cell = std::max(height, 0);
    int em = height < 0 ? -height : 0;
    const auto [ascUnits, descUnits] = AscentDescentUnits(face);
    if (em == 0) {
      if (HasStrike(face, cell))
        em = cell;  // a bitmap strike's em is its cell
      else
        em = Scale(cell, static_cast<int>(face->units_per_EM),
                   static_cast<int>(ascUnits + descUnits));
    }
    em = std::clamp(em, kMinPixels, kMaxPixels);
    probe.reset();
    real->primary = Open(family, em, bold, italic);
    if (!real->primary) return real;
    real->em = em;
    Measure(*real, cell, ascUnits, descUnits);
    return real;
  }

  void Measure(RealFont& real, int cell, long long ascUnits, long long descUnits) {
    FT_Face face = real.primary->face;
    const int upem = static_cast<int>(face->units_per_EM);
    TextMetrics& m = real.metrics;
    if (real.primary->fromStrike) {
      // A bitmap strike is drawn for a cell of exactly its size: no internal leading.
      const double above = face->ascender, below = -static_cast<double>(face->descender);
      m.ascent = above + below > 0
                     ? static_cast<int>(std::llround(real.em * above / (above + below)))
                     : real.em;
      m.descent = real.em - m.ascent;
    } else if (cell > 0) {
      m.ascent =
          static_cast<int>(std::llround(double(cell) * ascUnits / double(ascUnits + descUnits)));
      m.descent = cell - m.ascent;
    } else {
      m.ascent = Scale(ascUnits, real.em, upem);
      m.descent = Scale(descUnits, real.em, upem);
    }
    m.ascent = std::max(m.ascent, 1);
    m.descent = std::max(m.descent, 0);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(m.height - real.em, 0);
    if (const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA)))
      m.externalLeading = std::max(Scale(hhea->Line_Gap, real.em, upem), 0);
    m.aveCharWidth = GlyphOf(real, U'x').advance;
    for (char32_t c = 0x20; c < 0x7F; ++c)
      m.maxCharWidth = std::max(m.maxCharWidth, GlyphOf(real, c).advance);

    const int underlineOffset = std::max(1, Scale(-face->underline_position, real.em, upem));
    real.underlineThickness = std::max(1, Scale(face->underline_thickness, real.em, upem));
    real.underlineRow =
        std::min(m.ascent + underlineOffset - 1, m.height - real.underlineThickness);
    real.underlineRow = std::max(real.underlineRow, 0);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const int strikeUp = os2 && os2->yStrikeoutPosition > 0
                             ? Scale(os2->yStrikeoutPosition, real.em, upem)
                             : real.em / 3;
    real.strikeRow = std::clamp(m.ascent - strikeUp, 0, std::max(m.height - 1, 0));
  }

  const Glyph& GlyphOf(RealFont& real, char32_t c) {
    auto it = real.glyphs.find(c);
    if (it != real.glyphs.end()) return it->second;
    Glyph g;
    if (c >= 0x20 && real.primary) {
      SizedFace* source = real.primary.get();
      FT_UInt index = FT_Get_Char_Index(source->face, c);
      if (index == 0) {
        if (!real.secondaryTried) {
          real.secondaryTried = true;
          const Family other = real.family == Family::kSong ? Family::kLatin : Family::kSong;
          real.secondary = Open(other, real.em, real.bold, real.italic);
        }
        if (real.secondary) {
          const FT_UInt other = FT_Get_Char_Index(real.secondary->face, c);
          if (other != 0) {
            source = real.secondary.get();
            index = other;
          }
        }
      }
      g = Rasterise(*source, index);
    }
    return real.glyphs.emplace(c, std::move(g)).first->second;
  }
};

TextEngine& TextEngine::Instance() {
  static TextEngine engine;
  return engine;
}

TextEngine::TextEngine() : state_(std::make_unique<State>()) {
  if (FT_Init_FreeType(&state_->library) != 0) state_->library = nullptr;
  state_->fontconfigReady = FcInit() == FcTrue;
}

TextEngine::~TextEngine() = default;

TextMetrics TextEngine::Metrics(const Font& font) {
  std::lock_guard guard(state_->lock);
  return state_->Realise(font)->metrics;
}

int TextEngine::Width(const Font& font, const std::u32string& text) {
  std::lock_guard guard(state_->lock);
  RealFont* real = state_->Realise(font);
  if (!real->primary) return 0;
  int width = 0;
  for (char32_t c : text) width += state_->GlyphOf(*real, c).advance;
  return width;
}

std::vector<int> TextEngine::Advances(const Font& font, const std::u32string& text) {
  std::lock_guard guard(state_->lock);
  RealFont* real = state_->Realise(font);
  std::vector<int> advances;
  advances.reserve(text.size());
  for (char32_t c : text) advances.push_back(real->primary ? state_->GlyphOf(*real, c).advance : 0);
  return advances;
}

TextLine TextEngine::Render(const Font& font, const std::u32string& text, int underlineChar) {
  std::lock_guard guard(state_->lock);
  RealFont* real = state_->Realise(font);
  TextLine line;
  if (!real->primary) return line;
  for (char32_t c : text) line.width += state_->GlyphOf(*real, c).advance;
  if (line.width <= 0) return TextLine{};
  line.height = real->metrics.height;
  line.ascent = real->metrics.ascent;
  line.ink.assign(std::size_t(line.width) * std::size_t(line.height), 0);
  auto mark = [&](int x, int y) {
    if (x >= 0 && x < line.width && y >= 0 && y < line.height)
      line.ink[std::size_t(y) * std::size_t(line.width) + std::size_t(x)] = 1;
  };
  auto rule = [&](int x0, int x1, int row, int thickness) {
    for (int y = row; y < row + thickness; ++y)
      for (int x = x0; x < x1; ++x) mark(x, y);
  };
  int penX = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Glyph& g = state_->GlyphOf(*real, text[i]);
    const int originX = penX + g.left, originY = line.ascent - g.top;
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x)
        if (g.ink[std::size_t(y) * std::size_t(g.width) + std::size_t(x)])
          mark(originX + x, originY + y);
    if (static_cast<int>(i) == underlineChar)
      rule(penX, penX + g.advance, real->underlineRow, real->underlineThickness);
    penX += g.advance;
  }
  if (font.underline()) rule(0, line.width, real->underlineRow, real->underlineThickness);
  if (font.strikeOut()) rule(0, line.width, real->strikeRow, real->underlineThickness);
  return line;
}

std::string TextEngine::ResolveFile(const Font& font) {
  std::lock_guard guard(state_->lock);
  const auto& file = state_->FileOf(FamilyOf(font.name), font.bold(), font.italic());
  return file ? file->path : std::string();
}

}  // namespace gfx::detail
