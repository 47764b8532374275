// The demo host: a main window with a toolbar made from the child form's command sets, a
// status line and the child area the form lives in; it loads the plug-in, lends its
// shared-context and style records, answers the form's messages and runs a script or an
// interactive session.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "apps/host/CommandSet.h"
#include "apps/host/Options.h"
#include "apps/host/RequestAnswers.h"
#include "apps/host/Script.h"
#include "apps/host/Trace.h"
#include "platform/win/Windows.h"
#include "sdk/ordr118.h"

struct KvDialogRequest;

namespace host {

// An action of a script that could not be carried out; what() is "line N: ...".
class ActionError : public ScriptError {
 public:
  using ScriptError::ScriptError;
};

// Where the form is and how it looks, as the trace's "child" event reports it.
struct ChildState {
  bool exists = false;
  bool visible = false;
  std::string parent;  // "main", "alt", "none" or "other"
  std::string state;   // "normal", "maximized", "minimized"
  RECT bounds{};       // in the parent's client coordinates
  friend bool operator==(const ChildState& a, const ChildState& b) {
    return a.exists == b.exists && a.visible == b.visible && a.parent == b.parent &&
           a.state == b.state && a.bounds.left == b.bounds.left &&
           a.bounds.top == b.bounds.top && a.bounds.right == b.bounds.right &&
           a.bounds.bottom == b.bounds.bottom;
  }
};

class Host {
 public:
  explicit Host(HostOptions options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Runs the whole session; returns the process exit code.
  int Run();

 private:
  static constexpr int kToolbarHeight = 30;
  static constexpr int kStatusHeight = 22;

  // --- start and end ---------------------------------------------------------------------
  bool CreateWindows();
  RECT ChildAreaRect() const;
  RECT AltAreaRect() const;
  bool LoadPlugin(std::string& error);
  void ShowForm();
  void Unload();
  void Shutdown();
  std::string ExeDirectory() const;

  // --- the loops -------------------------------------------------------------------------
  // Dispatches every message that is ready now.
  void Pump();
  void Dispatch(MSG& msg);
  int RunInteractive();
  int RunScript(const std::vector<Action>& actions);
  void RunAction(const Action& action);

  // --- messages to the form ---------------------------------------------------------------
  LRESULT SendToChild(UINT msg, WPARAM wParam, LPARAM lParam);
  void SendContext(const std::string& utf8);
  void SendStyle();
  void SendSelect(const Action& action);
  void RunCommand(const std::string& name, int line);
  void RunCommandAt(std::size_t index);
  void ApplyStyle(const std::vector<StyleSetting>& settings);

  // --- messages from the form -------------------------------------------------------------
  static LRESULT StaticHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool IsChildMessage(UINT msg) const;
  LRESULT OnChildMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnChildCreated(WPARAM wParam);
  void OnCommands(bool base, WPARAM wParam, JsonObject& line);
  void OnStatusText(LPARAM lParam, JsonObject& line);
  void OnRequest(UINT msg, WPARAM wParam, JsonObject& line);
  LRESULT OnDialogAsk(KvDialogRequest* request);
  void OnDialogShown(const KvDialogRequest* request);
  void TraceDialog(const KvDialogRequest& request, bool answered);

  // --- the child event --------------------------------------------------------------------
  ChildState ReadChildState() const;
  // Writes a "child" event when the form's state differs from the last one written.
  void CheckChildState();
  void UpdateAltArea();

  // --- drawing and the toolbar ------------------------------------------------------------
  void LayoutToolbar();
  // Writes a "toolbar" event: each button's command name and bounds (host client coordinates).
  void TraceToolbar();
  void Paint(HWND hwnd);
  void PaintToolbar(gfx::Canvas& c);
  void PaintStatus(gfx::Canvas& c);
  int ButtonAt(int x, int y) const;
  void OnMouseMove(int x, int y);
  void SetHot(int index);
  void ShowTip(int index);
  void HideTip();

  // --- input of scripts -------------------------------------------------------------------
  void InjectClick(int x, int y, bool twice);
  void InjectDrag(int x1, int y1, int x2, int y2);
  void InjectKey(int vk, bool shift, bool ctrl);

  struct Button {
    std::size_t command;  // index into commands_
    RECT rect;
  };

  HostOptions options_;
  Trace trace_;
  RequestAnswers answers_;
  HWND hostWnd_ = nullptr;
  HWND mainArea_ = nullptr;
  HWND altArea_ = nullptr;
  HWND tip_ = nullptr;
  HMODULE plugin_ = nullptr;
  HWND formWnd_ = nullptr;
  std::int32_t formId_ = 0;
  TShareContext context_{};
  TChildStyle style_{};
  std::vector<HostCommand> baseCommands_, ownCommands_;
  std::vector<const HostCommand*> commands_;  // toolbar order: base set, then own set
  std::vector<Button> buttons_;
  int hot_ = -1, pressed_ = -1;
  bool tracking_ = false;
  std::string status_;  // code page 936
  std::deque<std::int32_t> dialogAnswers_;
  std::optional<ChildState> lastChild_;
  const MSG* dispatching_ = nullptr;  // the queued message the host's loop is dispatching
  bool quit_ = false;
};

}  // namespace host
