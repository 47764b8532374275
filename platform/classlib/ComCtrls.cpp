#include "platform/classlib/ComCtrls.h"

#include <algorithm>
#include <array>

#include "platform/classlib/ExtCtrls.h"

// ---- the tab list --------------------------------------------------------------------------

// The tab texts of a tab control. Every change is reported to the control so that the
// selection and the highlight flags follow the tabs. The string list's own Move is a delete
// followed by an insert of the same text inside one update: the selected tab deleted that
// way is selected again where it is inserted.
class TTabStrings : public TStrings {
  KV_CLASS(TTabStrings, TStrings)
 public:
  explicit TTabStrings(TCustomTabControl* control) : FControl(control) {}

  int Count() const override { return static_cast<int>(FItems.size()); }
  void Insert(int index, const AnsiString& s) override {
    if (index < 0 || index > Count()) IndexError(index);
    FItems.insert(FItems.begin() + index, Item{s, nullptr});
    FControl->TabInserted(index);
    if (FMovingSelected && UpdateCount() > 0 && s == FMovedText) {
      FMovingSelected = false;
      FControl->FTabIndex = index;
    }
    FControl->TabsChanged();
  }
  void Delete(int index) override {
    if (index < 0 || index >= Count()) IndexError(index);
    FMovedText = FItems[static_cast<size_t>(index)].S;
    FMovingSelected = UpdateCount() > 0 && index == FControl->FTabIndex;
    FItems.erase(FItems.begin() + index);
    FControl->TabDeleted(index);
    FControl->TabsChanged();
  }
  void Clear() override {
    FItems.clear();
    FMovingSelected = false;
    FControl->TabsCleared();
    FControl->TabsChanged();
  }

 protected:
  AnsiString Get(int index) const override {
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[static_cast<size_t>(index)].S;
  }
  // Renaming keeps the tab (and its selection) where it is.
  void Put(int index, const AnsiString& s) override {
    if (index < 0 || index >= Count()) IndexError(index);
    FItems[static_cast<size_t>(index)].S = s;
    FControl->TabsChanged();
  }
  TObject* GetObject(int index) const override {
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[static_cast<size_t>(index)].Obj;
  }
  void PutObject(int index, TObject* obj) override {
    if (index < 0 || index >= Count()) IndexError(index);
    FItems[static_cast<size_t>(index)].Obj = obj;
  }
  void SetUpdateState(bool updating) override {
    if (!updating) FMovingSelected = false;
  }

 private:
  struct Item {
    AnsiString S;
    TObject* Obj = nullptr;
  };
  TCustomTabControl* FControl;
  std::vector<Item> FItems;
  bool FMovingSelected = false;
  AnsiString FMovedText;
};

// ---- TCustomTabControl ---------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner),
      FTabs(std::make_unique<TTabStrings>(this)),
      FCanvas(std::make_unique<TCanvas>()),
      FMeasureDevice(std::make_unique<gfx::Canvas>(FMeasureSurface)),
      FImageLink(std::make_unique<TChangeLink>()) {
  FImageLink->OnChange = TNotifyEvent(this, &TCustomTabControl::ImagesChanged);
  FCanvas->SetHandle(FMeasureDevice.get());
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
}

TCustomTabControl::~TCustomTabControl() {
  if (FImages) FImages->UnRegisterChanges(FImageLink.get());
  FCanvas->SetHandle(nullptr);
}

TStrings* TCustomTabControl::Tabs() const { return FTabs.get(); }

void TCustomTabControl::SetTabs(TStrings* value) { FTabs->Assign(value); }

void TCustomTabControl::SetTabIndex(int value) {
  if (value < -1 || value >= FTabs->Count()) value = -1;
  if (value == FTabIndex) return;
  FTabIndex = value;
  Relayout();
}

void TCustomTabControl::TabInserted(int index) {
  FHighlighted.insert(FHighlighted.begin() + index, false);
  if (FTabIndex >= index) ++FTabIndex;
}

void TCustomTabControl::TabDeleted(int index) {
  FHighlighted.erase(FHighlighted.begin() + index);
  if (FHotIndex == index) FHotIndex = -1;
  if (FTabIndex > index) {
    --FTabIndex;
  } else if (FTabIndex == index) {
    // The tab that takes its place is selected, or the new last one.
    FTabIndex = std::min(index, FTabs->Count() - 1);
  }
}

void TCustomTabControl::TabsCleared() {
  FHighlighted.clear();
  FTabIndex = -1;
  FHotIndex = -1;
}

void TCustomTabControl::TabsChanged() { Relayout(); }

void TCustomTabControl::Relayout() {
  FLayoutValid = false;
  Realign();
  Invalidate();
}

bool TCustomTabControl::Highlighted(int index) const {
  return index >= 0 && index < int(FHighlighted.size()) && FHighlighted[size_t(index)];
}

void TCustomTabControl::SetHighlighted(int index, bool value) {
  if (index < 0 || index >= int(FHighlighted.size()) || FHighlighted[size_t(index)] == value) return;
  FHighlighted[size_t(index)] = value;
  Invalidate();
}

void TCustomTabControl::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImageLink.get());
    FImages->RemoveFreeNotification(this);
  }
  FImages = value;
  if (value) {
    value->RegisterChanges(FImageLink.get());
    value->FreeNotification(this);
  }
  Relayout();
}

void TCustomTabControl::ImagesChanged(TObject*) { Relayout(); }

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FImages) {
    FImages = nullptr;
    Relayout();
  }
}

void TCustomTabControl::CMFontChanged(TMessage& m) {
  inherited::CMFontChanged(m);
  Relayout();
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
  if (value == FTabPosition) return;
  FTabPosition = value;
  Relayout();
}

void TCustomTabControl::SetTabHeight(int value) {
  value = std::max(value, 0);
  if (value == FTabHeight) return;
  FTabHeight = value;
  Relayout();
}

void TCustomTabControl::SetTabWidth(int value) {
  value = std::max(value, 0);
  if (value == FTabWidth) return;
  FTabWidth = value;
  Relayout();
}

void TCustomTabControl::SetMultiLine(bool value) {
  if (value == FMultiLine) return;
  FMultiLine = value;
  Relayout();
}

void TCustomTabControl::SetRaggedRight(bool value) {
  if (value == FRaggedRight) return;
  FRaggedRight = value;
  Relayout();
}

void TCustomTabControl::SetHotTrack(bool value) {
  FHotTrack = value;
  if (!value) FHotIndex = -1;
  Invalidate();
}

void TCustomTabControl::SetStyle(TTabControlStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Invalidate();
}

void TCustomTabControl::SetOwnerDraw(bool value) {
  if (value == FOwnerDraw) return;
  FOwnerDraw = value;
  Invalidate();
}

int TCustomTabControl::GetImageIndex(int tabIndex) {
  int index = tabIndex;
  OnGetImageIndex(this, tabIndex, index);
  return index;
}

// ---- layout --------------------------------------------------------------------------------

const TCustomTabControl::Layout& TCustomTabControl::GetLayout() {
  if (FLayoutValid) return FLayout;
  FLayout = Layout{};
  const int count = FTabs->Count();
  FLayoutValid = true;
  if (count == 0) return FLayout;

  const bool vertical = Vertical();
  const int imageRoom = FImages ? (vertical ? FImages->Height() : FImages->Width()) : 0;
  int thickness = FTabHeight;
  std::vector<int> lengths(size_t(count), 0);
  for (int i = 0; i < count; ++i) {
    const TRect text = MeasureText(Font(), FTabs->Strings(i), Rect(0, 0, 0, 0), gfx::DT_SINGLELINE | gfx::DT_NOPREFIX);
    const int room = imageRoom > 0 && GetImageIndex(i) >= 0 ? imageRoom : 0;
    lengths[size_t(i)] = FTabWidth > 0 ? FTabWidth : int(text.right - text.left) + 2 * TabPadding + room;
    if (FTabHeight <= 0) {
      const int across = FImages ? (vertical ? FImages->Width() : FImages->Height()) : 0;
      thickness = std::max(thickness, std::max(int(text.bottom - text.top), across) + 6);
    }
  }

  // Rows along the strip: everything in one row unless MultiLine wraps them.
  const int extent = vertical ? Height() : Width();
  const int available = std::max(1, extent - 4);
  std::vector<std::vector<int>> rows(1);
  int used = 0;
  for (int i = 0; i < count; ++i) {
    const int len = lengths[size_t(i)];
    if (FMultiLine && !rows.back().empty() && used + len > available) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += len;
  }
  const int rowCount = int(rows.size());
  if (rowCount > 1 && !FRaggedRight) {
    for (auto& row : rows) {
      int total = 0;
      for (int i : row) total += lengths[size_t(i)];
      int extra = available - total;
      for (size_t k = 0; k < row.size() && extra > 0; ++k) {
        const int share = extra / int(row.size() - k);
        lengths[size_t(row[k])] += share;
        extra -= share;
      }
    }
  }

  // The row holding the selected tab lies next to the page area; the others keep their
  // cyclic order outwards from it.
  int selectedRow = 0;
  for (int r = 0; r < rowCount; ++r)
    if (std::find(rows[size_t(r)].begin(), rows[size_t(r)].end(), FTabIndex) != rows[size_t(r)].end()) selectedRow = r;

  FLayout.Rects.assign(size_t(count), TRect{0, 0, 0, 0});
  FLayout.Rows = rowCount;
  FLayout.Strip = 2 + rowCount * thickness;
  const int w = Width(), h = Height();
  for (int r = 0; r < rowCount; ++r) {
    const int slot = (r - selectedRow + rowCount - 1) % rowCount;  // 0 = outermost
    int along = 2;
    for (int i : rows[size_t(r)]) {
      const int len = lengths[size_t(i)];
      TRect rect{};
      switch (FTabPosition) {
        case tpTop: rect = Bounds(along, 2 + slot * thickness, len, thickness); break;
        case tpBottom: rect = Bounds(along, h - 2 - (slot + 1) * thickness, len, thickness); break;
        case tpLeft: rect = Bounds(2 + slot * thickness, along, thickness, len); break;
        case tpRight: rect = Bounds(w - 2 - (slot + 1) * thickness, along, thickness, len); break;
      }
      FLayout.Rects[size_t(i)] = rect;
      along += len;
    }
  }
  return FLayout;
}

TRect TCustomTabControl::TabRect(int index) {
  const Layout& layout = GetLayout();
  if (index < 0 || index >= int(layout.Rects.size())) return TRect{0, 0, 0, 0};
  return layout.Rects[size_t(index)];
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
  const Layout& layout = GetLayout();
  for (int i = 0; i < int(layout.Rects.size()); ++i) {
    const TRect& r = layout.Rects[size_t(i)];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return -1;
}

int TCustomTabControl::RowCount() { return GetLayout().Rows; }

TRect TCustomTabControl::DisplayRect() {
  const int strip = GetLayout().Strip;
  const int w = Width(), h = Height();
  TRect r{4, 4, w - 4, h - 4};
  switch (FTabPosition) {
    case tpTop: r.top = strip + 4; break;
    case tpBottom: r.bottom = h - strip - 4; break;
    case tpLeft: r.left = strip + 4; break;
    case tpRight: r.right = w - strip - 4; break;
  }
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

void TCustomTabControl::AlignControls(TControl* moving, TRect& rect) {
  FLayoutValid = false;
  rect = DisplayRect();
  inherited::AlignControls(moving, rect);
}

// ---- selection -----------------------------------------------------------------------------

bool TCustomTabControl::CanChange() {
  bool allow = true;
  OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() { OnChange(this); }

bool TCustomTabControl::SelectTabByUser(int index) {
  if (index < 0 || index >= FTabs->Count() || index == FTabIndex) return false;
  if (!CanChange()) return false;
  FTabIndex = index;
  Relayout();
  Change();
  return true;
}

void TCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) SelectTabByUser(IndexOfTabAt(x, y));
  inherited::MouseDown(button, shift, x, y);
}

void TCustomTabControl::MouseMove(TShiftState shift, int x, int y) {
  if (FHotTrack) {
    const int hot = IndexOfTabAt(x, y);
    if (hot != FHotIndex) {
      FHotIndex = hot;
      Invalidate();
    }
  }
  inherited::MouseMove(shift, x, y);
}

void TCustomTabControl::CMMouseLeave(TMessage& m) {
  if (FHotIndex >= 0) {
    FHotIndex = -1;
    Invalidate();
  }
  inherited::CMMouseLeave(m);
}

void TCustomTabControl::KeyDown(WORD& key, TShiftState shift) {
  inherited::KeyDown(key, shift);
  if (FTabs->Count() == 0) return;
  const int current = std::max(FTabIndex, 0);
  if (key == VK_LEFT || key == VK_UP) {
    if (SelectTabByUser(current - 1)) key = 0;
  } else if (key == VK_RIGHT || key == VK_DOWN) {
    if (SelectTabByUser(FTabIndex < 0 ? 0 : current + 1)) key = 0;
  }
}

// ---- painting ------------------------------------------------------------------------------

void TCustomTabControl::PaintWindow(HDC dc) {
  FCanvas->SetHandle(dc);
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetColor(Color());
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(FMeasureDevice.get());
    throw;
  }
  FCanvas->SetHandle(FMeasureDevice.get());
}

namespace {

void Line(TCanvas* c, TColor color, int x1, int y1, int x2, int y2) {
  c->Pen()->SetColor(color);
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

}  // namespace

void TCustomTabControl::DrawTabFrame(const TRect& r, bool active, bool highlighted) {
  TCanvas* c = FCanvas.get();
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(highlighted ? clHighlight : Color());
  c->FillRect(r);
  if (FStyle != tsTabs) {
    TRect box = r;
    if (active)
      Frame3D(c, box, clBtnShadow, clBtnHighlight, 1);
    else if (FStyle == tsButtons)
      Frame3D(c, box, clBtnHighlight, clBtnShadow, 1);
    return;
  }
  const int l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
  // Every side but the one facing the page: light on the left and top, dark on the others.
  switch (FTabPosition) {
    case tpTop:
      Line(c, clBtnHighlight, l, b, l, t);
      Line(c, clBtnHighlight, l, t, rr, t);
      Line(c, cl3DDkShadow, rr, t, rr, b + 1);
      break;
    case tpBottom:
      Line(c, clBtnHighlight, l, t, l, b);
      Line(c, cl3DDkShadow, l, b, rr, b);
      Line(c, cl3DDkShadow, rr, b, rr, t - 1);
      break;
    case tpLeft:
      Line(c, clBtnHighlight, rr, t, l, t);
      Line(c, clBtnHighlight, l, t, l, b);
      Line(c, cl3DDkShadow, l, b, rr + 1, b);
      break;
    case tpRight:
      Line(c, clBtnHighlight, l, t, rr, t);
      Line(c, cl3DDkShadow, rr, t, rr, b);
      Line(c, cl3DDkShadow, rr, b, l - 1, b);
      break;
  }
}

void TCustomTabControl::DrawTabContent(int index, const TRect& rect, bool active) {
  TCanvas* c = FCanvas.get();
  HDC dc = c->Handle();
  if (!dc) return;
  const AnsiString text = FTabs->Strings(index);
  const bool vertical = Vertical();
  const int imageIndex = FImages ? GetImageIndex(index) : -1;
  const int imageRoom = imageIndex >= 0 ? (vertical ? FImages->Height() : FImages->Width()) : 0;
  const TRect extent = MeasureText(Font(), text, Rect(0, 0, 0, 0), gfx::DT_SINGLELINE | gfx::DT_NOPREFIX);
  const int tw = extent.right - extent.left, th = extent.bottom - extent.top;
  const int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
  const int across = vertical ? rect.right - rect.left : rect.bottom - rect.top;
  const int start = (length - imageRoom - tw) / 2;

  TColor textColor = Font()->Color();
  if (!EffectivelyEnabled()) textColor = clGrayText;
  else if (Highlighted(index)) textColor = clHighlightText;
  else if (FHotTrack && index == FHotIndex && !active) textColor = clHighlight;

  gfx::Canvas::StateGuard guard(*dc);
  gfx::Font font = Font()->ToGfx();
  font.color = textColor;
  dc->SetBkMode(gfx::bkTransparent);
  dc->IntersectClipRect(ToGfxRect(rect));
  if (!vertical) {
    const int x = rect.left + std::max(start, 0);
    if (imageRoom > 0) FImages->Draw(c, x, rect.top + (across - FImages->Height()) / 2, imageIndex, EffectivelyEnabled());
    dc->SetFont(font);
    dc->TextOut(x + imageRoom, rect.top + (across - th) / 2, text);
  } else if (FTabPosition == tpLeft) {
    // Text running bottom to top, its cell's top towards the left.
    const int y = rect.bottom - std::max(start, 0);
    if (imageRoom > 0) FImages->Draw(c, rect.left + (across - FImages->Width()) / 2, y - imageRoom, imageIndex, EffectivelyEnabled());
    font.escapement = 900;
    dc->SetFont(font);
    dc->TextOut(rect.left + (across - th) / 2, y - imageRoom, text);
  } else {
    // Text running top to bottom, its cell's top towards the right.
    const int y = rect.top + std::max(start, 0);
    if (imageRoom > 0) FImages->Draw(c, rect.left + (across - FImages->Width()) / 2, y, imageIndex, EffectivelyEnabled());
    font.escapement = 2700;
    dc->SetFont(font);
    dc->TextOut(rect.right - (across - th) / 2, y + imageRoom, text);
  }
}

void TCustomTabControl::DrawTab(int index, const TRect& rect, bool active) {
  if (OnDrawTab) {
    OnDrawTab(this, index, rect, active);
    return;
  }
  DrawTabContent(index, rect, active);
}

void TCustomTabControl::Paint() {
  TCanvas* c = FCanvas.get();
  const Layout& layout = GetLayout();
  const int w = Width(), h = Height();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(0, 0, w, h));

  if (FStyle == tsTabs) {
    // A raised two-pixel frame around the page area.
    const int strip = layout.Rows > 0 ? layout.Strip : 0;
    TRect page{0, 0, w, h};
    switch (FTabPosition) {
      case tpTop: page.top = strip; break;
      case tpBottom: page.bottom = h - strip; break;
      case tpLeft: page.left = strip; break;
      case tpRight: page.right = w - strip; break;
    }
    Frame3D(c, page, clBtnHighlight, cl3DDkShadow, 1);
    Frame3D(c, page, cl3DLight, clBtnShadow, 1);
  }

  // The selected tab last: it stands out of the row and over the page frame.
  std::vector<int> order;
  for (int i = 0; i < int(layout.Rects.size()); ++i)
    if (i != FTabIndex) order.push_back(i);
  if (FTabIndex >= 0 && FTabIndex < int(layout.Rects.size())) order.push_back(FTabIndex);
  for (int i : order) {
    TRect r = layout.Rects[size_t(i)];
    const bool active = i == FTabIndex;
    if (active && FStyle == tsTabs) {
      // Two pixels larger on the free sides, one pixel into the page to open it.
      switch (FTabPosition) {
        case tpTop: r = Rect(r.left - 2, r.top - 2, r.right + 2, r.bottom + 1); break;
        case tpBottom: r = Rect(r.left - 2, r.top - 1, r.right + 2, r.bottom + 2); break;
        case tpLeft: r = Rect(r.left - 2, r.top - 2, r.right + 1, r.bottom + 2); break;
        case tpRight: r = Rect(r.left - 1, r.top - 2, r.right + 2, r.bottom + 2); break;
      }
    }
    DrawTabFrame(r, active, Highlighted(i));
    const TRect inside = Rect(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    if (FOwnerDraw)
      DrawTab(i, inside, active);
    else
      DrawTabContent(i, inside, active);
    if (active && Focused()) {
      c->Brush()->SetStyle(bsClear);
      c->Pen()->SetColor(clBlack);
      c->Pen()->SetStyle(psDot);
      c->Rectangle(inside);
      c->Pen()->SetStyle(psSolid);
      c->Brush()->SetStyle(bsSolid);
    }
  }
}

void TCustomTabControl::Publish(TPublisher<TCustomTabControl>& p) {
  p.Property("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack).Default(false);
  p.Property("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages);
  p.Property("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine).Default(false);
  p.Property("OwnerDraw", &TCustomTabControl::OwnerDraw, &TCustomTabControl::SetOwnerDraw).Default(false);
  p.Property("RaggedRight", &TCustomTabControl::RaggedRight, &TCustomTabControl::SetRaggedRight).Default(false);
  p.Property("ScrollOpposite", &TCustomTabControl::ScrollOpposite, &TCustomTabControl::SetScrollOpposite)
      .Default(false);
  p.Property("Style", &TCustomTabControl::Style, &TCustomTabControl::SetStyle).Default(tsTabs);
  p.Property("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight).Default(0);
  p.Property("TabPosition", &TCustomTabControl::TabPosition, &TCustomTabControl::SetTabPosition).Default(tpTop);
  p.Property("Tabs", &TCustomTabControl::Tabs, &TCustomTabControl::SetTabs);
  p.Property("TabIndex", &TCustomTabControl::TabIndex, &TCustomTabControl::SetTabIndex).Default(-1);
  p.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  p.Property("TabWidth", &TCustomTabControl::TabWidth, &TCustomTabControl::SetTabWidth).Default(0);
  p.Property("OnChange", &TCustomTabControl::OnChange);
  p.Property("OnChanging", &TCustomTabControl::OnChanging);
  p.Property("OnDrawTab", &TCustomTabControl::OnDrawTab);
  p.Property("OnGetImageIndex", &TCustomTabControl::OnGetImageIndex);
}

void RegisterComCtrlsClasses() {
  static const bool once = (RegisterClasses({TTabControl::StaticClass()}), true);
  (void)once;
}

namespace {
// Registration when this unit is linked in.
const bool kRegistered = (RegisterComCtrlsClasses(), true);
}  // namespace
