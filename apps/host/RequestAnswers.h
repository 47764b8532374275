// The host's answers to the form's requests (open 1134, close 1135, data query 1139).
// Today the host answers only with texts a script queued (`reply FILE`); this is the one
// place where answers from the sample database will be made.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "platform/win/WinDef.h"
#include "sdk/ordr118.h"

namespace host {

class RequestAnswers {
 public:
  // Queues a response document (UTF-8) for the next request of any kind.
  void QueueReply(std::string utf8) { replies_.push_back(std::move(utf8)); }

  // The response document (UTF-8) answering request `message` carried in `request`, or
  // nullopt for no answer.
  std::optional<std::string> Answer(UINT message, const TShareVar& request);

  // Stores an answer into the field of `request` that answers `message` (freeing what the
  // field held before); false when the message is not a request.
  static bool Store(UINT message, TShareVar& request, const std::string& utf8);

 private:
  std::deque<std::string> replies_;
};

}  // namespace host
