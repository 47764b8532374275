#include "src/framework/ChildBase.h"

#include <array>

#include "platform/classlib/Resources.h"
#include "platform/db/MemTableEh.h"
#include "sdk/ordr118.h"
#include "src/data/DMBase.h"
#include "src/host/GlobalVar.h"
#include "src/protocol/KvProtocol.h"

namespace {

constexpr int kTitleHeight = 18;

}  // namespace

void RegisterChildFormClasses() {
  static const bool done = [] {
    RegisterDataModuleClasses();  // also registers the compiled-in form resources
    RegisterExtCtrlsClasses();
    RegisterFlatSpeedButtonClasses();
    RegisterClasses({TChildCommand::StaticClass(), TfrmChildBase::StaticClass()});
    return true;
  }();
  (void)done;
}

TfrmChildBase::TfrmChildBase(TComponent* owner) : TForm(owner) { RegisterChildFormClasses(); }

TfrmChildBase::~TfrmChildBase() = default;

// ---- setters -------------------------------------------------------------------------------

void TfrmChildBase::SetShowTitle(bool value) {
  FShowTitle = value;
  pnlFormTitle->SetVisible(value);
  pnlFormTitle->SetHeight(value ? kTitleHeight : 0);
}

// ---- form events ---------------------------------------------------------------------------

void TfrmChildBase::FormCreate(TObject*) {
  SetModuleId(0);
  FSizeCommand = SC_RESTORE;
  SetShowTitle(true);
  FEditState = esInitial;
  pnlFormTitleMinBtn->SetVisible(BorderIcons().Contains(biMinimize));
  pnlFormTitleMaxBtn->SetVisible(BorderIcons().Contains(biMaximize));
  pnlFormTitleCloseBtn->SetVisible(BorderIcons().Contains(biSystemMenu));
  InitChild();
}

void TfrmChildBase::FormShow(TObject*) { pnlFormTileMid->SetCaption(Caption()); }

void TfrmChildBase::FormActivate(TObject*) {
  FirstActivate();
  AfterFirstActivate();
  // Only the first activation runs the hooks.
  OnActivate.Clear();
}

void TfrmChildBase::FormClose(TObject*, TCloseAction&) {
  // The action stays caHide: a closed form is hidden, not freed.
  DoneChild();
}

void TfrmChildBase::FormKeyDown(TObject*, WORD& Key, TShiftState Shift) {
  if (Key != VK_TAB) return;
  SendMessageA(Handle(), WM_NEXTDLGCTL, Shift.Contains(ssShift) ? 1 : 0, 0);
}

// ---- title bar -----------------------------------------------------------------------------

void TfrmChildBase::btnFormTitleMinClick(TObject*) { PostMessageA(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void TfrmChildBase::btnFormTitleMaxClick(TObject*) {
  // The toggle follows what it posted last, not the window's actual state.
  if (FSizeCommand == SC_MAXIMIZE) {
    PostMessageA(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    FSizeCommand = SC_RESTORE;
  } else if (FSizeCommand == SC_RESTORE) {
    PostMessageA(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    FSizeCommand = SC_MAXIMIZE;
  }
}

void TfrmChildBase::btnFormTitleColseClick(TObject*) {
  if (!CanCloseChild()) return;
  // Both are posted: the form runs its close before the host hears of it.
  PostMessageA(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(HostWnd, WM_HOST_CHILDCLOSED, reinterpret_cast<WPARAM>(Handle()), 0);
}

void TfrmChildBase::pnlFormTileMidMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  ReleaseCapture();
  // SC_MOVE with its low bits set: the window system moves the form with the pointer.
  SendMessageA(Handle(), WM_SYSCOMMAND, SC_MOVE | 1, 0);
}

void TfrmChildBase::pbTitleRightPaint(TObject*) { PaintTitleCorner(); }

void TfrmChildBase::PaintTitleCorner() {
  if (!StyleRecord) return;
  TCanvas* canvas = pbTitleRight->Canvas();
  const int w = pbTitleRight->Width(), h = pbTitleRight->Height();
  canvas->Pen()->SetMode(pmCopy);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Brush()->SetStyle(bsSolid);
  auto triangle = [canvas](TColor color, std::array<TPoint, 3> points) {
    canvas->Pen()->SetColor(color);
    canvas->Brush()->SetColor(color);
    canvas->Polygon(points);
  };
  triangle(StyleRecord->TitleColor, {TPoint{0, 0}, TPoint{0, h}, TPoint{w, 0}});
  triangle(StyleRecord->FormColor, {TPoint{0, h}, TPoint{w, h}, TPoint{w, 0}});
}

// ---- base commands -------------------------------------------------------------------------

void TfrmChildBase::chldcmndBaseCommands0Execute(TObject*) { DoNew(); }
void TfrmChildBase::chldcmndBaseCommands1Execute(TObject*) { DoUpdate(); }
void TfrmChildBase::chldcmndBaseCommands2Execute(TObject*) { DoDelete(); }
void TfrmChildBase::chldcmndBaseCommands3Execute(TObject*) { DoSave(); }
void TfrmChildBase::chldcmndBaseCommands4Execute(TObject*) { DoSearch(); }
void TfrmChildBase::chldcmndBaseCommands5Execute(TObject*) { DoCancel(); }
void TfrmChildBase::chldcmndBaseCommands6Execute(TObject*) { DoFirstRec(); }
void TfrmChildBase::chldcmndBaseCommands7Execute(TObject*) { DoPriorRec(); }
void TfrmChildBase::chldcmndBaseCommands8Execute(TObject*) { DoNextRec(); }
void TfrmChildBase::chldcmndBaseCommands9Execute(TObject*) { DoLastRec(); }

// ---- virtual operations --------------------------------------------------------------------

void TfrmChildBase::InitChild() { FProtocol = std::make_unique<TKvProtocol>(); }

void TfrmChildBase::DoneChild() {
  FEditContainers.clear();
  FProtocol.reset();
}

void TfrmChildBase::FirstActivate() { pbTitleRight->Repaint(); }

void TfrmChildBase::BindGridTables(TDBGridEh*&, TMemTableEh*&, TMemTableEh*&, TKvTbField*&) {}

void TfrmChildBase::BindTables(TMemTableEh*&, TMemTableEh*&, TKvTbField*&) {}

void TfrmChildBase::ApplyStyle() {
  if (!StyleRecord) return;
  SetShowTitle(StyleRecord->ShowTitle != 0);
  pnlFormTitle->SetParentColor(false);
  pnlFormTitle->SetColor(StyleRecord->TitleColor);
  SetColor(StyleRecord->FormColor);
  // The corner's lower half is the form colour, which its own panel does not follow.
  pbTitleRight->Invalidate();
}

void TfrmChildBase::SetControlsReadOnly(bool, const std::vector<TWinControl*>&) {}

void TfrmChildBase::SetEditState(uint8_t state) {
  FEditState = state;
  if (FDataModule) {
    for (int i = 0; i < FDataModule->ComponentCount(); ++i) {
      Application->ProcessMessages();
      if (i >= FDataModule->ComponentCount()) break;  // a handler may have freed components
      auto* table = dynamic_cast<TMemTableEh*>(FDataModule->Components(i));
      if (!table || (table->Tag() != 255 && table->Tag() != 256)) continue;
      if (table->State() == dsEdit || table->State() == dsInsert) table->Post();
      if (table->Tag() == 256 && state == esBrowse) table->EmptyTable();
    }
  }
  if (state == esEdit || state == esInsert)
    SetControlsReadOnly(false, FEditContainers);
  else if (state == esBrowse || state == esInitial)
    SetControlsReadOnly(true, FEditContainers);
}

void TfrmChildBase::SendCommands() {
  SendMessageA(HostWnd, WM_HOST_COMMANDS, reinterpret_cast<WPARAM>(&chldcmnd), 0);
}

void TfrmChildBase::SendBaseCommands() {
  SendMessageA(HostWnd, WM_HOST_BASECOMMANDS, reinterpret_cast<WPARAM>(&chldcmndBase), 0);
}

// ---- host messages -------------------------------------------------------------------------

void TfrmChildBase::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_CHILD_HIDE: WMChildHide(m); break;
    case WM_CHILD_SHOW: WMChildShow(m); break;
    case WM_CHILD_CLOSE: WMChildClose(m); break;
    case WM_CHILD_SETCONTEXT: WMChildSetContext(m); break;
    case WM_CHILD_SETSTYLE: WMChildSetStyle(m); break;
    case WM_CHILD_SELECT: WMChildSelect(m); break;
    case WM_CHILD_CANCLOSE: WMChildCanClose(m); break;
    default: inherited::Dispatch(m); break;
  }
}

void TfrmChildBase::WMChildHide(TMessage& m) {
  Hide();
  m.Result = 0;
}

void TfrmChildBase::WMChildShow(TMessage& m) {
  Show();
  SendCommands();
  SendBaseCommands();
  m.Result = 0;
}

void TfrmChildBase::WMChildClose(TMessage& m) {
  if (!CanCloseChild()) {
    m.Result = 1;
    return;
  }
  m.Result = 0;
  Close();
}

void TfrmChildBase::WMChildSetContext(TMessage& m) {
  ShareContext = reinterpret_cast<TShareContext*>(m.WParam);
  // A null text pointer is the empty text.
  TakeContextText(KvReadContextText(reinterpret_cast<const char*>(m.LParam)));
  m.Result = 0;
}

void TfrmChildBase::TakeContextText(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (FModuleKey.empty()) FModuleKey = colon == std::string_view::npos ? AnsiString() : AnsiString(text.substr(0, colon));
  FQueryKey = colon == std::string_view::npos ? AnsiString(text) : AnsiString(text.substr(colon + 1));
}

void TfrmChildBase::WMChildSetStyle(TMessage& m) {
  StyleRecord = reinterpret_cast<TChildStyle*>(m.WParam);
  ApplyStyle();
  m.Result = 0;
}

void TfrmChildBase::WMChildSelect(TMessage& m) {
  SetParentWindow(reinterpret_cast<HWND>(m.WParam));
  // A negative id matches no form: compare as signed against unsigned, both widened.
  const int64_t wanted = static_cast<int32_t>(m.LParam);
  const int64_t own = static_cast<int64_t>(FFormId);
  m.Result = 0;
  if (wanted != own) {
    Hide();
    return;
  }
  Show();
  SendCommands();
  SendBaseCommands();
}

void TfrmChildBase::WMChildCanClose(TMessage& m) { m.Result = CanCloseChild() ? 0 : 1; }

// ---- published members ---------------------------------------------------------------------

void TfrmChildBase::Publish(TPublisher<TfrmChildBase>& p) {
  KV_PUBLISHED_FIELD(p, TfrmChildBase, chldcmnd);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, chldcmndBase);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitle);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTileRight);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitleLeft);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitleBtn);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitleCloseBtn);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, btnFormTitleColse);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitleMaxBtn);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, btnFormTitleMax);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTitleMinBtn);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, btnFormTitleMin);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pnlFormTileMid);
  KV_PUBLISHED_FIELD(p, TfrmChildBase, pbTitleRight);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, FormCreate);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, FormShow);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, FormActivate);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, FormClose);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, FormKeyDown);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, btnFormTitleMinClick);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, btnFormTitleColseClick);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, btnFormTitleMaxClick);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, pnlFormTileMidMouseDown);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, pbTitleRightPaint);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands0Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands1Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands2Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands3Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands4Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands5Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands6Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands7Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands8Execute);
  KV_PUBLISHED_METHOD(p, TfrmChildBase, chldcmndBaseCommands9Execute);
}
