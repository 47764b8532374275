// Choosing the backend, and shutting the window system down.
#include <cstdlib>
#include <cstring>

#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

std::unique_ptr<Backend> g_backend;

std::unique_ptr<Backend> Choose(KvBackend which) {
  if (which == kvBackendDefault) {
    const char* env = std::getenv("KVWIN_BACKEND");
    if (env && std::strcmp(env, "headless") == 0) which = kvBackendHeadless;
    else if (env && std::strcmp(env, "sdl") == 0) which = kvBackendSdl;
  }
  if (which == kvBackendSdl || which == kvBackendDefault) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool hasDisplay = (display && *display) || (wayland && *wayland);
    if (which == kvBackendSdl || hasDisplay)
      if (auto sdl = MakeSdlBackend()) return sdl;
  }
  return MakeHeadlessBackend();
}

}  // namespace

Backend& CurrentBackend() {
  if (!g_backend) {
    g_backend = Choose(kvBackendDefault);
    RefreshSlowCheck();
  }
  return *g_backend;
}

}  // namespace kvwin

using namespace kvwin;

BOOL KvInitWindowSystem(KvBackend which) {
  if (g_backend) return which == kvBackendDefault || g_backend->Kind() == which ? TRUE : FALSE;
  g_backend = Choose(which);
  RefreshSlowCheck();
  return which == kvBackendDefault || g_backend->Kind() == which ? TRUE : FALSE;
}

KvBackend KvCurrentBackend() { return CurrentBackend().Kind(); }

void KvShutdownWindowSystem() {
  DestroyEverything();
  ResetQueue();
  ResetInput();
  ReleaseAllCanvases();
  FreeZombiesIfIdle();
}
