// Extra controls of the class library: the panel, the splitter, the paint box and the image.
#pragma once

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

KV_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)

// Draws WIDTH rings of a 3-D frame on the outermost pixels of R and shrinks R by one pixel
// per ring: the left column and top row in TOPCOLOR (the top-right pixel excluded), the right
// column and bottom row in BOTTOMCOLOR.
void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width);

// A container with optional outer and inner bevels, a border ring between them and a
// caption drawn in its font, aligned horizontally and centred vertically. Aligned children
// sit inside the border and the bevels.
class TCustomPanel : public TCustomControl {
  KV_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* owner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  // Width of each bevel; at least 1.
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  // Width of the ring between the outer and the inner bevel; 0 or more.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  // bsNone or bsSingle (a one-pixel frame outside the bevels); other values are bsSingle.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // Kept and streamed; without visual themes the panel paints its own Color either way.
  bool ParentBackground() const { return FParentBackground; }
  void SetParentBackground(bool value) { FParentBackground = value; }
  // Pixels between the outside of the panel and the area its children are aligned in.
  int FrameWidth() const;

  static void Publish(TPublisher<TCustomPanel>& p);

 protected:
  // Frame, bevels, background, then the caption.
  void Paint() override;
  // The caption inside R (the area within the bevels) with the DrawText FORMAT flags.
  virtual void DrawCaption(const TRect& r, unsigned format);
  void AlignControls(TControl* moving, TRect& rect) override;
  void CMTextChanged(TMessage& message) override;

 private:
  bool IsPanelColorStored() const { return !ParentColor(); }

  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  bool FParentBackground = true;
};

// The panel placed on forms.
class TPanel : public TCustomPanel {
  KV_CLASS(TPanel, TCustomPanel)
 public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

KV_ENUM(TResizeStyle, rsNone, rsLine, rsUpdate, rsPattern)
using TCanResizeEvent = TEvent<void(TObject* Sender, int& NewSize, bool& Accept)>;

// A bar that the user drags to resize the control docked to the same edge just before it
// (its neighbour). Neither the neighbour nor the free area beyond the splitter becomes
// smaller than MinSize; with AutoSnap a neighbour dragged below MinSize collapses to 0.
class TSplitter : public TGraphicControl {
  KV_CLASS(TSplitter, TGraphicControl)
 public:
  explicit TSplitter(TComponent* owner);

  int MinSize() const { return FMinSize; }
  // At least 1.
  void SetMinSize(int value);
  bool AutoSnap() const { return FAutoSnap; }
  void SetAutoSnap(bool value) { FAutoSnap = value; }
  TResizeStyle ResizeStyle() const { return FResizeStyle; }
  void SetResizeStyle(TResizeStyle value) { FResizeStyle = value; }
  bool Beveled() const { return FBeveled; }
  void SetBeveled(bool value);
  // The neighbour the splitter resizes now, or null.
  TControl* FindResizeControl() const;

  // Fires after a drag changed the neighbour's size.
  TNotifyEvent OnMoved;
  // Asked before each size change; may adjust NewSize or refuse.
  TCanResizeEvent OnCanResize;

  static void Publish(TPublisher<TSplitter>& p);

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  // The size the neighbour would get with the pointer at parent coordinate POS.
  int SizeForPointer(int pos) const;
  void ApplySize(int size);
  int NeighbourSize() const;

  int FMinSize = 30;
  bool FAutoSnap = true;
  TResizeStyle FResizeStyle = rsPattern;
  bool FBeveled = false;
  TControl* FControl = nullptr;  // neighbour being resized during a drag
  int FDownPos = 0;              // pointer at the press, parent coordinates along the axis
  int FStartSize = 0;
  int FMaxSize = 0;
  int FNewSize = 0;
};

using TPaintEvent = TNotifyEvent;

// A graphic control that paints nothing itself: OnPaint draws on Canvas each time.
class TPaintBox : public TGraphicControl {
  KV_CLASS(TPaintBox, TGraphicControl)
 public:
  explicit TPaintBox(TComponent* owner);
  // Fires inside every paint, with Canvas attached and clipped to the box.
  TNotifyEvent OnPaint;
  static void Publish(TPublisher<TPaintBox>& p);

 protected:
  void Paint() override;
};

// A graphic control showing a picture: at its top-left, centred, stretched to the client
// area (Proportional keeps the aspect ratio) and optionally with its transparent colour left
// out. AutoSize fits the control to the picture.
class TImage : public TGraphicControl {
  KV_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return FPicture.get(); }
  // Copies PICTURE.
  void SetPicture(TPicture* picture) { FPicture->Assign(picture); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // Where the picture is drawn, in the control's coordinates.
  TRect DestRect() const;

  static void Publish(TPublisher<TImage>& p);

 protected:
  void Paint() override;

 private:
  void PictureChanged(TObject* sender);

  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FAutoSize = false;
};

// Registers the classes of this unit with the class registry (safe to call again).
void RegisterExtCtrlsClasses();
