#include "platform/classlib/ImgList.h"

#include <algorithm>

#include "platform/classlib/SysUtils.h"

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  // Users let go of the list before it disappears.
  std::vector<TChangeLink*> links;
  links.swap(FLinks);
  for (TChangeLink* link : links) {
    link->FSender = nullptr;
    link->OnChange(this);
  }
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link || link->FSender == this) return;
  if (link->FSender) link->FSender->UnRegisterChanges(link);
  link->FSender = this;
  FLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  if (!link) return;
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
  if (link->FSender == this) link->FSender = nullptr;
}

void TCustomImageList::Change() {
  for (TChangeLink* link : std::vector<TChangeLink*>(FLinks)) link->OnChange(this);
  OnChange(this);
}

void TCustomImageList::SetWidth(int value) {
  value = std::max(value, 1);
  if (value == FWidth) return;
  FWidth = value;
  Clear();
}

void TCustomImageList::SetHeight(int value) {
  value = std::max(value, 1);
  if (value == FHeight) return;
  FHeight = value;
  Clear();
}

int TCustomImageList::AddCells(const gfx::Surface& source, const std::function<bool(int, int)>& transparent) {
  if (source.empty()) return -1;
  const int cells = std::max(1, source.width() / FWidth);
  const int first = Count();
  for (int cell = 0; cell < cells; ++cell) {
    Image image;
    image.Pixels = gfx::Surface(FWidth, FHeight);
    image.Transparent.assign(size_t(FWidth) * size_t(FHeight), true);
    for (int y = 0; y < FHeight && y < source.height(); ++y)
      for (int x = 0; x < FWidth; ++x) {
        const int sx = cell * FWidth + x;
        if (sx >= source.width()) break;
        image.Pixels.setPixel(x, y, source.pixel(sx, y));
        image.Transparent[size_t(y) * size_t(FWidth) + size_t(x)] = transparent(sx, y);
      }
    FImages.push_back(std::move(image));
  }
  Change();
  return first;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (!image || image->Empty()) return -1;
  const gfx::Surface* maskPixels = mask && !mask->Empty() ? &mask->Surface() : nullptr;
  return AddCells(image->Surface(), [maskPixels](int x, int y) {
    if (!maskPixels || x >= maskPixels->width() || y >= maskPixels->height()) return false;
    return (maskPixels->pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
  });
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (!image || image->Empty()) return -1;
  const gfx::Surface& pixels = image->Surface();
  if (maskColor == clDefault) maskColor = static_cast<TColor>(gfx::PixelToColorRef(pixels.pixel(0, pixels.height() - 1)));
  const gfx::Pixel key = gfx::ColorRefToPixel(gfx::ColorToRGB(maskColor));
  return AddCells(pixels, [&pixels, key](int x, int y) { return (pixels.pixel(x, y) & 0xFFFFFF) == key; });
}

void TCustomImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Image index out of range (" + IntToStr(index) + ")");
  FImages.erase(FImages.begin() + index);
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  Change();
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) const {
  if (!image || index < 0 || index >= Count()) return false;
  image->SetSize(FWidth, FHeight);
  image->Surface() = FImages[size_t(index)].Pixels;
  return true;
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (!canvas || index < 0 || index >= Count()) return;
  gfx::Canvas* dc = canvas->Handle();
  if (!dc) return;
  const Image& image = FImages[size_t(index)];
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px) {
      if (image.Transparent[size_t(py) * size_t(FWidth) + size_t(px)]) continue;
      const gfx::COLORREF c = gfx::PixelToColorRef(image.Pixels.pixel(px, py));
      if (enabled) {
        dc->SetPixel(x + px, y + py, static_cast<TColor>(c));
      } else {
        // Greyed: the pixel's luminance, lightened towards the face colour.
        const int grey = (gfx::GetRValue(c) * 30 + gfx::GetGValue(c) * 59 + gfx::GetBValue(c) * 11) / 100;
        const int light = 128 + grey / 2;
        dc->SetPixel(x + px, y + py, static_cast<TColor>(gfx::RGB(uint8_t(light), uint8_t(light), uint8_t(light))));
      }
    }
}

void TCustomImageList::Publish(TPublisher<TCustomImageList>& p) {
  p.Property("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
  p.Property("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
  p.Property("OnChange", &TCustomImageList::OnChange);
}
