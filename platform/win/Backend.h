// The interface between the window system and the display it runs on. Internal.
#pragma once

#include "platform/win/WinInternal.h"

#pragma GCC visibility push(hidden)

namespace kvwin {

// One backend per process, chosen before the first window. Every call is made on the
// user-interface thread.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual KvBackend Kind() const = 0;
  // A top-level window got created / is about to go.
  virtual void TopCreated(Window* top) { (void)top; }
  virtual void TopDestroyed(Window* top) { (void)top; }
  // Position, size, visibility, state or caption of a top-level window changed.
  virtual void TopChanged(Window* top) { (void)top; }
  // Shows the top-level window's surface after painting.
  virtual void Present(Window* top) { (void)top; }
  // Feeds waiting display events into the input queue.
  virtual void Pump() {}
  // True when display events can arrive (so loops must pump).
  virtual bool NeedsPump() const { return false; }
  // Blocks until a display event arrives or timeoutMs passes (-1: no limit). Returns false
  // when nothing can ever arrive (the caller must not wait).
  virtual bool Wait(int timeoutMs) { (void)timeoutMs; return false; }
  // Size of the screen the top-level windows live on.
  virtual SIZE ScreenSize() const = 0;
};

// Makes the backends; the SDL one returns null when no display opens.
std::unique_ptr<Backend> MakeHeadlessBackend();
std::unique_ptr<Backend> MakeSdlBackend();

}  // namespace kvwin

#pragma GCC visibility pop
