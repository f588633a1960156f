// PNG pictures decoded by the imaging component, from the file's bytes in
// memory: only frames of 8-bit indices or 8-bit grey, copied as they are.
#include "cli/pngfile.h"

#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// COM and the factory for each thread that decodes, for as long as it lives.
struct decoding {
    bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ComPtr<IWICImagingFactory> factory;
    decoding() {
        if (started)
            CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&factory));
    }
    ~decoding() {
        factory.Reset();
        if (started) CoUninitialize();
    }
};

}  // namespace

bool pngfile::decode(uint32_t stride) {
    thread_local decoding com;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    WICPixelFormatGUID format{};
    UINT width = 0, height = 0;
    if (!com.factory || FAILED(com.factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(encoded.data(), DWORD(encoded.size()))) ||
        FAILED(com.factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                                    WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetPixelFormat(&format)) ||
        FAILED(frame->GetSize(&width, &height)))
        return false;
    if (format != GUID_WICPixelFormat8bppIndexed && format != GUID_WICPixelFormat8bppGray)
        return false;
    if (width != UINT(infoHeader.biWidth) || height != UINT(infoHeader.biHeight)) return false;
    // Top-down into the buffer, then turned the way the encoder takes rows.
    if (FAILED(frame->CopyPixels(nullptr, stride, stride * height, pixelData.get()))) return false;
    uint8_t* const rows = pixelData.get();
    for (size_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rows + top * stride, rows + (top + 1) * stride, rows + bottom * stride);
    return true;
}
