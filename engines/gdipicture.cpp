#include "engines/gdipicture.h"

#include <wincodec.h>

#include <climits>
#include <utility>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

gdipicture::gdipicture(HDC compatibleWith, scopedbitmap picture, int32_t width, int32_t height)
    : memory(compatibleWith),
      bitmap(std::move(picture)),
      selection(memory, bitmap),
      pixelsWide(width),
      pixelsHigh(height) {}

std::unique_ptr<gdipicture> makeCompatiblePicture(HDC compatibleWith, int32_t width,
                                                  int32_t height) {
    scopedbitmap bitmap(CreateCompatibleBitmap(compatibleWith, width, height));
    return std::make_unique<gdipicture>(compatibleWith, std::move(bitmap), width, height);
}

namespace {

// The image's first frame in blue, green, red, unused byte order.
ComPtr<IWICBitmapSource> decodeFirstFrame(const wchar_t* path) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return nullptr;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    return converter;
}

}  // namespace

std::unique_ptr<gdipicture> loadPictureFile(const wchar_t* path) {
    ComPtr<IWICBitmapSource> source = decodeFirstFrame(path);
    UINT width = 0, height = 0;
    if (!source || FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0) {
        return nullptr;
    }
    // CopyPixels counts bytes in 32 bits, GDI counts pixels in signed 32 bits.
    const uint64_t stride = uint64_t(width) * 4;
    const uint64_t byteCount = stride * height;
    if (stride > UINT_MAX || byteCount > UINT_MAX || height > INT32_MAX) return nullptr;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = LONG(width);
    info.bmiHeader.biHeight = -LONG(height);  // top-down, as WIC hands the rows out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    scopedbitmap section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || FAILED(source->CopyPixels(nullptr, UINT(stride), UINT(byteCount),
                                              static_cast<BYTE*>(bits)))) {
        return nullptr;
    }
    return std::make_unique<gdipicture>(nullptr, std::move(section), int32_t(width),
                                        int32_t(height));
}
