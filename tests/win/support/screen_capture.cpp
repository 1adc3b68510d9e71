#include "screen_capture.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include "platform/path.h"
#include "platform/program_folder_win.h"
#include "platform/scoped_win.h"

PixelImage CaptureWindow(HWND window, bool fromScreen) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(fromScreen ? nullptr : window);
  if (!fromScreen) rect.left = rect.top = 0;
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  PixelImage image{width, height,
                   std::vector<uint32_t>(static_cast<const uint32_t*>(bits),
                                         static_cast<const uint32_t*>(bits) + width * height)};
  for (uint32_t& pixel : image.pixels) pixel &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(fromScreen ? nullptr : window, screen);
  return image;
}

uint32_t PixelAt(const PixelImage& image, int x, int y) { return image.pixels[y * image.width + x]; }

void SavePng(const PixelImage& image, const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICImagingFactory, factory.put_void()));
  ComPtr<IWICStream> stream;
  ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(stream.put()));
  ASSERT_HRESULT_SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_HRESULT_SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
  ASSERT_HRESULT_SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
  ComPtr<IWICBitmapFrameEncode> frame;
  ASSERT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(frame.put(), nullptr));
  ASSERT_HRESULT_SUCCEEDED(frame->Initialize(nullptr));
  ASSERT_HRESULT_SUCCEEDED(frame->SetSize(image.width, image.height));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  ASSERT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&format));
  ASSERT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppBGR));
  std::vector<uint32_t> pixels = image.pixels;
  ASSERT_HRESULT_SUCCEEDED(frame->WritePixels(image.height, image.width * 4,
                                              static_cast<UINT>(pixels.size() * 4),
                                              reinterpret_cast<BYTE*>(pixels.data())));
  ASSERT_HRESULT_SUCCEEDED(frame->Commit());
  ASSERT_HRESULT_SUCCEEDED(encoder->Commit());
}

std::wstring ArtifactsFolder() {
  const std::wstring folder = FolderOf(FolderOf(ExecutablePath())) + L"\\artifacts";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}
