// Common controls of the class library: the tab control over a tab strip of our own (tab
// layout, hit testing, selection with CanChange / Change, images, painting).
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/StdCtrls.h"

KV_ENUM(TTabPosition, tpTop, tpBottom, tpLeft, tpRight)
// Look of the tabs (the class library calls this type TTabStyle; the name is left free for
// the system's own page control, whose tab style is a different enumeration).
KV_ENUM(TTabControlStyle, tsTabs, tsButtons, tsFlatButtons)

class TCustomTabControl;

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
using TTabGetImageEvent = TEvent<void(TObject* Sender, int TabIndex, int& ImageIndex)>;
using TDrawTabEvent = TEvent<void(TCustomTabControl* Control, int TabIndex, const TRect& Rect, bool Active)>;

// A strip of tabs along one side (TabPosition) and the page area beside it (DisplayRect).
// Tabs are a string list with objects; each tab is as long as its text plus an inner
// spacing of 2 * TabPadding pixels, plus the width (left/right strips: the height) of Images
// when its image index is 0 or more; TabWidth > 0 fixes the length, TabHeight > 0 the
// thickness. Tabs start 2 pixels from the strip's ends and its outer edge; MultiLine wraps
// them into rows (the row of the selected tab lies next to the page area), and RaggedRight
// off stretches every row of a multi-row strip to the full length. A click on another tab
// asks CanChange and then selects it and runs Change; setting TabIndex in code does neither.
class TCustomTabControl : public TWinControl {
  KV_CLASS(TCustomTabControl, TWinControl)
 public:
  // Inner spacing at each end of a tab, in pixels.
  static constexpr int TabPadding = 6;

  explicit TCustomTabControl(TComponent* owner);
  ~TCustomTabControl() override;

  // The tab texts with their objects. Inserting, deleting and moving tabs keep the selected
  // tab selected; deleting it selects the tab that takes its place (or the last one; -1 when
  // none is left), without CanChange / Change.
  TStrings* Tabs() const;
  void SetTabs(TStrings* value);
  // Selected tab, -1 for none. Values outside -1 .. count - 1 select nothing.
  int TabIndex() const { return FTabIndex; }
  void SetTabIndex(int value);

  // Rectangle of tab INDEX in client coordinates (empty for a bad index).
  TRect TabRect(int index);
  // The tab under client point (x, y), or -1.
  int IndexOfTabAt(int x, int y);
  // Number of rows (columns for left and right strips) of tabs; 0 without tabs.
  int RowCount();
  // The page area: the client area less the strip and a 4-pixel frame.
  TRect DisplayRect();

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition value);
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int value);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value);
  bool RaggedRight() const { return FRaggedRight; }
  void SetRaggedRight(bool value);
  // Kept and streamed; rows are always placed with the selected row next to the page.
  bool ScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool value) { FScrollOpposite = value; }
  // The tab under the mouse shows its text in the highlight colour.
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value);
  TTabControlStyle Style() const { return FStyle; }
  void SetStyle(TTabControlStyle value);
  // The control draws the tab frames and asks DrawTab for every tab's inside.
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool value);
  // Highlight state of tab INDEX (false for a bad index).
  bool Highlighted(int index) const;
  void SetHighlighted(int index, bool value);
  // The tab under the mouse with HotTrack, or -1.
  int HotIndex() const { return FHotIndex; }

  // During painting the control's canvas; otherwise a canvas that measures text in the
  // control's font and draws nowhere.
  TCanvas* Canvas() const { return FCanvas.get(); }

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;
  TTabGetImageEvent OnGetImageIndex;

  static void Publish(TPublisher<TCustomTabControl>& p);

 protected:
  friend class TTabStrings;
  // True when the selection may move away from the current tab: OnChanging decides.
  virtual bool CanChange();
  // After the user selected another tab: fires OnChange.
  virtual void Change();
  // Image of tab TABINDEX: the tab's own index unless OnGetImageIndex says otherwise.
  virtual int GetImageIndex(int tabIndex);
  // The inside of tab INDEX (OwnerDraw): OnDrawTab when assigned, else the default content.
  virtual void DrawTab(int index, const TRect& rect, bool active);
  // The default content of a tab: its image and text centred in RECT.
  void DrawTabContent(int index, const TRect& rect, bool active);
  // Strip background, page frame and every tab.
  virtual void Paint();
  // A tab was inserted (INDEX), deleted, moved or renamed: lay out and repaint.
  virtual void TabsChanged();

  void PaintWindow(HDC dc) override;
  void AlignControls(TControl* moving, TRect& rect) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void CMMouseLeave(TMessage& message) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void Notification(TComponent* component, TOperation operation) override;
  void CMFontChanged(TMessage& message) override;

  // Selects INDEX as a user would: CanChange, then the selection, then Change.
  bool SelectTabByUser(int index);

 private:
  struct Layout {
    std::vector<TRect> Rects;
    int Rows = 0;
    int Strip = 0;  // thickness of the strip including its 2-pixel outer margin
  };
  bool Vertical() const { return FTabPosition == tpLeft || FTabPosition == tpRight; }
  const Layout& GetLayout();
  void Relayout();
  void ImagesChanged(TObject* sender);
  void DrawTabFrame(const TRect& r, bool active, bool highlighted);
  // Kept in step with the tab list by TTabStrings.
  void TabInserted(int index);
  void TabDeleted(int index);
  void TabsCleared();

  std::unique_ptr<TStrings> FTabs;
  std::unique_ptr<TCanvas> FCanvas;
  gfx::Surface FMeasureSurface{1, 1};
  std::unique_ptr<gfx::Canvas> FMeasureDevice;
  std::unique_ptr<TChangeLink> FImageLink;
  TCustomImageList* FImages = nullptr;
  std::vector<bool> FHighlighted;
  Layout FLayout;
  bool FLayoutValid = false;
  int FTabIndex = -1;
  int FHotIndex = -1;
  TTabPosition FTabPosition = tpTop;
  int FTabHeight = 0;
  int FTabWidth = 0;
  bool FMultiLine = false;
  bool FRaggedRight = false;
  bool FScrollOpposite = false;
  bool FHotTrack = false;
  TTabControlStyle FStyle = tsTabs;
  bool FOwnerDraw = false;
};

// The tab control placed on forms.
class TTabControl : public TCustomTabControl {
  KV_CLASS(TTabControl, TCustomTabControl)
 public:
  explicit TTabControl(TComponent* owner) : TCustomTabControl(owner) {}
};

// Registers the classes of this unit with the class registry (safe to call again).
void RegisterComCtrlsClasses();
