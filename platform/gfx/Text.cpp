#include "platform/gfx/Text.h"

#include <iconv.h>

#include <cerrno>

#include "platform/gfx/TextEngine.h"

namespace gfx {
namespace {

// One converter per thread, opened on first use and kept: opening one costs far more
// than converting a short label.
class Cp936Decoder {
 public:
  Cp936Decoder() : cd_(iconv_open("UTF-32LE", "CP936")) {}
  ~Cp936Decoder() {
    if (valid()) iconv_close(cd_);
  }
  Cp936Decoder(const Cp936Decoder&) = delete;
  Cp936Decoder& operator=(const Cp936Decoder&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the code points of one run; bytes that do not decode become U+FFFD.
  void Decode(std::string_view text, std::u32string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
      char32_t buffer[64];
      char* outPtr = reinterpret_cast<char*>(buffer);
      std::size_t outLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      const std::size_t produced = (sizeof buffer - outLeft) / sizeof(char32_t);
      for (std::size_t i = 0; i < produced; ++i) out.push_back(LittleEndian(buffer[i]));
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // An invalid or cut-off sequence: replace one byte and go on after it.
      out.push_back(U'\uFFFD');
      ++in;
      --inLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
  }

 private:
  static char32_t LittleEndian(char32_t v) {
    const auto* b = reinterpret_cast<const unsigned char*>(&v);
    return char32_t(b[0]) | (char32_t(b[1]) << 8) | (char32_t(b[2]) << 16) | (char32_t(b[3]) << 24);
  }
  iconv_t cd_;
};

}  // namespace

std::u32string DecodeCP936(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  // ASCII, the common case for labels and numbers, needs no converter.
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
    out.push_back(char32_t(text[i++]));
  if (i == text.size()) return out;
  thread_local Cp936Decoder decoder;
  if (!decoder.valid()) {
    for (; i < text.size(); ++i)
      out.push_back(static_cast<unsigned char>(text[i]) < 0x80 ? char32_t(text[i]) : U'\uFFFD');
    return out;
  }
  decoder.Decode(text.substr(i), out);
  return out;
}

TextMetrics GetTextMetrics(const Font& font) {
  return detail::TextEngine::Instance().Metrics(font);
}

Size GetTextExtent(const Font& font, std::string_view text) {
  auto& engine = detail::TextEngine::Instance();
  const TextMetrics m = engine.Metrics(font);
  if (m.height == 0) return {};
  return {engine.Width(font, DecodeCP936(text)), m.height};
}

std::string ResolveFontFile(const Font& font) {
  return detail::TextEngine::Instance().ResolveFile(font);
}

}  // namespace gfx
