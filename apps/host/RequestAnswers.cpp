#include "apps/host/RequestAnswers.h"

#include "platform/win/CodePage.h"
#include "platform/win/OleStr.h"

namespace host {

std::optional<std::string> RequestAnswers::Answer(UINT message, const TShareVar& request) {
  (void)request;  // the sample database will look at ModuleCode, ModuleKey and QueryKey
  if (message != WM_HOST_OPENMODULE && message != WM_HOST_CLOSEMODULE &&
      message != WM_HOST_QUERYDATA)
    return std::nullopt;
  if (replies_.empty()) return std::nullopt;
  std::string reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

bool RequestAnswers::Store(UINT message, TShareVar& request, const std::string& utf8) {
  BSTR* field = message == WM_HOST_OPENMODULE    ? &request.OpenXml
                : message == WM_HOST_CLOSEMODULE ? &request.CloseXml
                : message == WM_HOST_QUERYDATA   ? &request.QueryXml
                                                 : nullptr;
  if (!field) return false;
  std::u16string wide = Utf8ToWide(utf8);
  SysFreeString(*field);
  *field = SysAllocStringLen(wide.data(), UINT(wide.size()));
  return true;
}

}  // namespace host
