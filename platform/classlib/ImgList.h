// Image lists: fixed-size pictures kept side by side and drawn by index.
#pragma once

#include <optional>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/classlib/Graphics.h"

class TCustomImageList;

// A user's link to an image list: told of every change, and cleared (Sender null) when the
// list is freed.
class TChangeLink : public TObject {
  KV_CLASS(TChangeLink, TObject)
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  // The list this link is registered with, or null.
  TCustomImageList* Sender() const { return FSender; }
  // Fires after the list changed (and once, with Sender already null, when it is freed).
  TNotifyEvent OnChange;

 private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

// Images of Width x Height pixels, numbered from 0.
class TCustomImageList : public TComponent {
  KV_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size empties the list.
  void SetWidth(int value);
  void SetHeight(int value);
  int Count() const { return static_cast<int>(FImages.size()); }

  // Adds IMAGE cut into cells of Width (a wider image adds several); pixels where MASK is
  // white are transparent. Returns the index of the first image added, -1 for none.
  int Add(TBitmap* image, TBitmap* mask = nullptr);
  // As Add, with every pixel of MASKCOLOR transparent (clDefault: the bottom-left pixel's).
  int AddMasked(TBitmap* image, TColor maskColor);
  // Removes image INDEX; EInvalidOperation when out of range.
  void Delete(int index);
  void Clear();
  // Copies image INDEX into IMAGE (resized to Width x Height); false when out of range.
  bool GetBitmap(int index, TBitmap* image) const;
  // Draws image INDEX at (x, y); a disabled image is drawn greyed. Nothing for a bad index.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;

  // Registers LINK for change notices (a link belongs to at most one list).
  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

  static void Publish(TPublisher<TCustomImageList>& p);

 protected:
  void Change();

 private:
  struct Image {
    gfx::Surface Pixels;
    std::vector<bool> Transparent;  // one flag per pixel, row-major
  };
  int AddCells(const gfx::Surface& source, const std::function<bool(int x, int y)>& transparent);

  int FWidth = 16;
  int FHeight = 16;
  std::vector<Image> FImages;
  std::vector<TChangeLink*> FLinks;
};

// The image list components place on forms.
class TImageList : public TCustomImageList {
  KV_CLASS(TImageList, TCustomImageList)
 public:
  explicit TImageList(TComponent* owner) : TCustomImageList(owner) {}
};
