// The headless backend: surfaces stay in memory, input comes only from injection.
#include "platform/win/Backend.h"

namespace kvwin {
namespace {

SIZE g_screen{1024, 768};

class HeadlessBackend final : public Backend {
 public:
  KvBackend Kind() const override { return kvBackendHeadless; }
  SIZE ScreenSize() const override { return g_screen; }
};

}  // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace kvwin

void KvSetScreenSize(int width, int height) {
  if (width > 0 && height > 0) kvwin::g_screen = SIZE{width, height};
}
