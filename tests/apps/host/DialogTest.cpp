// dialog.dll: a host that answers boxes itself is asked first; otherwise the library shows
// a modal box, runs its own loop until a button is chosen and tells the host the result.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "apps/dialog/DialogLink.h"
#include "platform/win/Module.h"
#include "platform/win/Windows.h"
#include "sdk/ordr118.h"

namespace {

std::string BinDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? std::size_t(n) : 0);
  return exe.substr(0, exe.rfind('/') + 1);
}

struct OwnerLog {
  bool answer = false;  // answer WM_KVDIALOG_ASK itself
  int32_t answerWith = 0;
  int asked = 0, shown = 0;
  std::string caption, text;
  int32_t flags = -1, shownResult = -1;
} owner;

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* request = reinterpret_cast<KvDialogRequest*>(lParam);
  if (msg == WM_KVDIALOG_ASK) {
    ++owner.asked;
    owner.caption = request->caption;
    owner.text = request->text;
    owner.flags = request->flags;
    if (!owner.answer) return 0;
    request->result = owner.answerWith;
    return KV_DIALOG_ANSWERED;
  }
  if (msg == WM_KVDIALOG_SHOWN) {
    ++owner.shown;
    owner.shownResult = request->result;
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// What runs once the box's loop is going: a one-shot timer of the thread.
std::function<void()> onceShown;
void OnceTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (onceShown) onceShown();
}

class DialogLibrary : public testing::Test {
 protected:
  static void SetUpTestSuite() { KvInitWindowSystem(kvBackendHeadless); }

  void SetUp() override {
    owner = OwnerLog{};
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = "DialogTestOwner";
    RegisterClassA(&wc);
    ownerWnd_ = CreateWindowExA(0, "DialogTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(ownerWnd_, nullptr);
    lib_ = LoadLibraryA((BinDir() + KV_DIALOG_LIBRARY).c_str());
    ASSERT_NE(lib_, nullptr);
    box_ = reinterpret_cast<TKvMessageBox>(GetProcAddress(lib_, KV_MESSAGEBOX_EXPORT));
    ASSERT_NE(box_, nullptr);
  }
  void TearDown() override {
    if (lib_) FreeLibrary(lib_);
    DestroyWindow(ownerWnd_);
    onceShown = nullptr;
  }

  // Shows a box owned by the test window; `act` runs inside the box's loop.
  int32_t ShowWith(int32_t flags, std::function<void()> act) {
    onceShown = std::move(act);
    SetTimer(nullptr, 0, 10, OnceTimer);
    return box_(ownerWnd_, "提示：", "有数据未保存", flags);
  }

  HWND ownerWnd_ = nullptr;
  HMODULE lib_ = nullptr;
  TKvMessageBox box_ = nullptr;
};

TEST_F(DialogLibrary, AHostThatAnswersIsAskedAndNothingIsShown) {
  owner.answer = true;
  owner.answerWith = 42;
  EXPECT_EQ(box_(ownerWnd_, "提示：", "编辑状态无法新增记录！", 1), 42);
  EXPECT_EQ(owner.asked, 1);
  EXPECT_EQ(owner.shown, 0);
  EXPECT_EQ(owner.caption, "提示：");
  EXPECT_EQ(owner.text, "编辑状态无法新增记录！");
  EXPECT_EQ(owner.flags, 1);
}

TEST_F(DialogLibrary, KeysChooseTheButtonsOfTheFlags) {
  struct Case {
    int32_t flags;
    WPARAM key;
    int32_t result;
  } cases[] = {
      {MB_YESNO, VK_RETURN, IDYES},       {MB_OK, VK_ESCAPE, IDOK},
      {MB_OKCANCEL, VK_ESCAPE, IDCANCEL}, {MB_YESNOCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_RETRYCANCEL, VK_RETURN, IDRETRY}, {MB_ABORTRETRYIGNORE, VK_SPACE, IDABORT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    owner = OwnerLog{};
    int32_t result = ShowWith(c.flags, [&] {
      HWND box = GetActiveWindow();
      KvInjectKey(box, WM_KEYDOWN, c.key, 1);
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(owner.asked, 1);
    EXPECT_EQ(owner.shown, 1);
    EXPECT_EQ(owner.shownResult, c.result);
    EXPECT_TRUE(IsWindowEnabled(ownerWnd_)) << "the owner is enabled again";
  }
}

TEST_F(DialogLibrary, EscapeWithoutCancelKeepsTheBoxUntilAButtonIsClicked) {
  HWND seen = nullptr;
  bool ownerEnabledDuring = true;
  int32_t result = ShowWith(MB_YESNO, [&] {
    seen = GetActiveWindow();
    ownerEnabledDuring = IsWindowEnabled(ownerWnd_) != FALSE;
    KvInjectKey(seen, WM_KEYDOWN, VK_ESCAPE, 1);  // Yes/No has no Cancel: ignored
    RECT r;
    GetClientRect(seen, &r);
    // Two buttons of 72 pixels with a gap of 10, centred, 12 pixels above the bottom.
    int noX = r.right / 2 + 5 + 36, y = r.bottom - 12 - 12;
    KvInjectMouse(seen, WM_LBUTTONDOWN, noX, y, MK_LBUTTON);
    KvInjectMouse(seen, WM_LBUTTONUP, noX, y, 0);
  });
  EXPECT_EQ(result, IDNO);
  EXPECT_NE(seen, ownerWnd_);
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_FALSE(IsWindow(seen)) << "the box is destroyed";
}

TEST_F(DialogLibrary, WithoutAnyWayToAnswerTheBoxEndsWithZero) {
  // No owner and nothing that could ever arrive: the loop ends instead of waiting for ever.
  EXPECT_EQ(box_(nullptr, "a", "b", MB_YESNO), 0);
  EXPECT_EQ(box_(reinterpret_cast<HWND>(0x7ffffff0), nullptr, nullptr, MB_OK), 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}  // drop the quit passed on
}

}  // namespace
