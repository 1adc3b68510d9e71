#include "app/picture_win.h"

#include <wincodec.h>

#include <cstring>

#include "platform/win_error_win.h"

namespace {

// The resource's bytes; they live as long as the module.
std::pair<const BYTE*, DWORD> ResourceBytes(HMODULE module, int resourceId) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) ThrowLastError();
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) ThrowLastError();
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

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
  ComPtr<IWICFormatConverter> converter;
  CheckHresult(factory->CreateFormatConverter(converter.put()));
  CheckHresult(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom));
  UINT width = 0, height = 0;
  CheckHresult(converter->GetSize(&width, &height));
  PixelImage image{static_cast<int>(width), static_cast<int>(height),
                   std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  CheckHresult(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(image.pixels.data())));
  return image;
}

UniqueGdiObject MakeBitmap(const PixelImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) ThrowLastError();
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
  return bitmap;
}
