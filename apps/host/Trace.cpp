#include "apps/host/Trace.h"

namespace host {

const char* HostMessageName(unsigned message) {
  switch (message) {
    case 1124: return "WM_CHILD_HIDE";
    case 1125: return "WM_CHILD_SHOW";
    case 1126: return "WM_HOST_CHILDCLOSED";
    case 1127: return "WM_CHILD_CLOSE";
    case 1128: return "WM_CHILD_SETCONTEXT";
    case 1129: return "WM_CHILD_SETSTYLE";
    case 1130: return "WM_HOST_CHILDCREATED";
    case 1131: return "WM_HOST_COMMANDS";
    case 1132: return "WM_HOST_STATUSTEXT";
    case 1133: return "WM_HOST_BASECOMMANDS";
    case 1134: return "WM_HOST_OPENMODULE";
    case 1135: return "WM_HOST_CLOSEMODULE";
    case 1139: return "WM_HOST_QUERYDATA";
    case 1141: return "WM_CHILD_SELECT";
    case 1142: return "WM_CHILD_CANCLOSE";
    default: return "";
  }
}

Trace::~Trace() { Close(); }

bool Trace::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Trace::Write(const JsonObject& line) {
  if (!file_) return;
  pending_.push_back({line, true});
  WriteReady();
}

std::uint64_t Trace::Begin(const JsonObject& line) {
  std::uint64_t ticket = firstTicket_ + pending_.size();
  if (file_) pending_.push_back({line, false});
  return ticket;
}

void Trace::Finish(std::uint64_t ticket, std::int64_t result) {
  if (!file_ || ticket < firstTicket_ || ticket - firstTicket_ >= pending_.size()) return;
  Entry& entry = pending_[ticket - firstTicket_];
  entry.line.Add("result", result);
  entry.done = true;
  WriteReady();
}

void Trace::WriteReady() {
  while (!pending_.empty() && pending_.front().done) {
    std::string text = pending_.front().line.str();
    std::fputs(text.c_str(), file_);
    std::fputc('\n', file_);
    pending_.pop_front();
    ++firstTicket_;
  }
  std::fflush(file_);
}

void Trace::Close() {
  if (!file_) return;
  for (Entry& entry : pending_) entry.done = true;
  WriteReady();
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace host
