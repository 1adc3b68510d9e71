#include "app/window_painter_win.h"

#include <wincodec.h>

#include <cstring>
#include <utility>

#include "app/flat_button_win.h"
#include "app/resources/resource_ids.h"
#include "platform/error.h"
#include "platform/win_error_win.h"

namespace {

int PictureResource(PictureId picture) {
  switch (picture) {
    case PictureId::kStrip:
      return IDR_PICTURE_STRIP;
    case PictureId::kIllustration:
      return IDR_PICTURE_ILLUSTRATION;
    case PictureId::kWordmark:
      return IDR_PICTURE_WORDMARK;
    case PictureId::kFolder:
      return IDR_PICTURE_FOLDER;
    case PictureId::kNone:
      break;
  }
  return 0;
}

// The resource's bytes; they live as long as the module.
std::pair<const BYTE*, DWORD> ResourceBytes(HMODULE module, int resourceId) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) ThrowLastError();
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) ThrowLastError();
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

// The frame's pixels converted to premultiplied BGRA.
PixelImage CopyPixels(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame) {
  ComPtr<IWICFormatConverter> converter;
  CheckHresult(factory.CreateFormatConverter(converter.put()));
  CheckHresult(converter->Initialize(&frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom));
  UINT width = 0, height = 0;
  CheckHresult(converter->GetSize(&width, &height));
  PixelImage image{static_cast<int>(width), static_cast<int>(height),
                   std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  CheckHresult(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(image.pixels.data())));
  return image;
}

// A 32-bit top-down DIB section holding the pixels, for BitBlt.
UniqueBitmap MakeBitmap(const PixelImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) ThrowLastError();
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
  return bitmap;
}

Rgb RgbOf(COLORREF color) { return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color); }

}  // namespace

PixelImage DecodePictureResource(HMODULE module, int resourceId) {
  const auto [bytes, size] = ResourceBytes(module, resourceId);
  ScopedCoInit com;
  ComPtr<IWICImagingFactory> factory;
  CheckHresult(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void()));
  ComPtr<IWICStream> stream;
  CheckHresult(factory->CreateStream(stream.put()));
  CheckHresult(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size));
  ComPtr<IWICBitmapDecoder> decoder;
  CheckHresult(
      factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()));
  ComPtr<IWICBitmapFrameDecode> frame;
  CheckHresult(decoder->GetFrame(0, frame.put()));
  return CopyPixels(*factory.get(), *frame.get());
}

void RepaintUnder(HWND label, bool now) {
  HWND parent = GetParent(label);
  RECT rect;
  GetWindowRect(label, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent, &rect, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | (now ? RDW_UPDATENOW : 0));
}

WindowPainter::WindowPainter(HMODULE resources) {
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      if (element.kind != ElementKind::kPicture || decoded_.count(element.picture)) continue;
      try {
        decoded_[element.picture] = DecodePictureResource(resources, PictureResource(element.picture));
      } catch (const AppError&) {
      }
    }
  }
}

void WindowPainter::ScaleTo(unsigned dpi) {
  dpi_ = dpi;
  scaled_.clear();
  for (auto elements : {WindowElements(), PanelElements()}) {
    for (const Element& element : elements) {
      const auto source = decoded_.find(element.picture);
      if (element.kind != ElementKind::kPicture || source == decoded_.end()) continue;
      const PixelRect rect = ToPixels(element.rect, dpi_);
      PixelImage image = Resample(source->second, rect.width, rect.height);
      const COLORREF under =
          element.parent == ElementParent::kPanel ? GetSysColor(COLOR_WINDOW) : RGB(0, 0, 0);
      CompositeOver(image, RgbOf(under));
      try {
        scaled_[&element] = MakeBitmap(image);
      } catch (const AppError&) {
      }
    }
  }
}

// The picture is made off screen and put on in one piece, so no half-painted state is ever seen.
void WindowPainter::Paint(ElementParent which, HWND parent, HDC dc, const RECT& area,
                          std::span<const HWND> opaqueChildren) {
  for (HWND child : opaqueChildren) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
  RECT client;
  GetClientRect(parent, &client);
  UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  UniqueBitmap canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
  const ScopedSelection onCanvas(buffer.get(), canvas.get());
  FillRect(buffer.get(), &client,
           which == ElementParent::kWindow ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))
                                           : GetSysColorBrush(COLOR_WINDOW));
  PaintInto(buffer.get(), dc, which == ElementParent::kWindow ? WindowElements() : PanelElements());
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.get(), area.left,
         area.top, SRCCOPY);
}

// The shapes and pictures of the elements, from the bottom of the stacking order up.
void WindowPainter::PaintInto(HDC buffer, HDC dc, std::span<const Element> elements) {
  UniqueMemoryDc picture(CreateCompatibleDC(dc));
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const PixelRect rect = ToPixels(it->rect, dpi_);
    if (it->kind == ElementKind::kShape) {
      const UniqueBrush brush(CreateSolidBrush(ToColorref(it->backColor)));
      RECT fill{rect.left, rect.top, rect.right(), rect.bottom()};
      FillRect(buffer, &fill, brush.get());
    } else if (const auto bitmap = scaled_.find(&*it); bitmap != scaled_.end()) {
      const ScopedSelection selected(picture.get(), bitmap->second.get());
      BitBlt(buffer, rect.left, rect.top, rect.width, rect.height, picture.get(), 0, 0, SRCCOPY);
    }
  }
}

HBRUSH WindowPainter::LabelColors(const Element& label, HDC dc) {
  SetTextColor(dc, ToColorref(label.foreColor));
  if (label.transparent) {
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ToColorref(label.backColor));
  UniqueBrush& brush = brushes_[label.backColor];
  if (!brush) brush.reset(CreateSolidBrush(ToColorref(label.backColor)));
  return brush.get();
}
