// The host's trace: one JSON object a line, in the order things start. A sent message's
// line is reserved when it is sent and completed with its result when the send returns, so
// that messages nested inside it follow it in the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

#include "apps/host/Json.h"

namespace host {

// The protocol name of a host message number ("WM_HOST_CHILDCREATED"), or "" if it has none.
const char* HostMessageName(unsigned message);

class Trace {
 public:
  Trace() = default;
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Starts writing to path (truncating it); false if it cannot be opened. Without a call
  // the trace keeps nothing.
  bool Open(const std::string& path);
  bool enabled() const { return file_ != nullptr; }

  // A line that is complete now.
  void Write(const JsonObject& line);
  // Reserves the place of a line whose "result" is known later; returns its ticket.
  std::uint64_t Begin(const JsonObject& line);
  // Completes a reserved line with its result and writes every line that is complete.
  void Finish(std::uint64_t ticket, std::int64_t result);
  // Writes every reserved line still waiting (without a result) and flushes the file.
  void Close();

 private:
  struct Entry {
    JsonObject line;
    bool done = false;
  };
  void WriteReady();

  std::FILE* file_ = nullptr;
  std::deque<Entry> pending_;
  std::uint64_t firstTicket_ = 0;  // the ticket of pending_.front()
};

}  // namespace host
