#include "cli/gifwriter.h"
#include "cli/newfile.h"

#include <windows.h>

#include <wincodec.h>

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// COM for as long as the encoder lives: made first, ended last.
struct comscope {
    bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ~comscope() {
        if (started) CoUninitialize();
    }
};

HRESULT setBytes(IWICMetadataQueryWriter& metadata, const wchar_t* name, const void* bytes,
                 ULONG count) {
    PROPVARIANT value{};
    value.vt = VT_UI1 | VT_VECTOR;
    value.caub.cElems = count;
    value.caub.pElems = static_cast<UCHAR*>(const_cast<void*>(bytes));
    return metadata.SetMetadataByName(name, &value);
}

// The application extension that makes viewers loop for ever.
bool setLoop(IWICBitmapEncoder& gif) {
    ComPtr<IWICMetadataQueryWriter> metadata;
    const UCHAR loopForever[5] = {3, 1, 0, 0, 0};
    return SUCCEEDED(gif.GetMetadataQueryWriter(&metadata)) &&
           SUCCEEDED(setBytes(*metadata.Get(), L"/appext/application", "NETSCAPE2.0", 11)) &&
           SUCCEEDED(setBytes(*metadata.Get(), L"/appext/data", loopForever, 5));
}

bool setDelay(IWICBitmapFrameEncode& frame, uint16_t delay) {
    ComPtr<IWICMetadataQueryWriter> metadata;
    PROPVARIANT value{};
    value.vt = VT_UI2;
    value.uiVal = delay;
    return SUCCEEDED(frame.GetMetadataQueryWriter(&metadata)) &&
           SUCCEEDED(metadata->SetMetadataByName(L"/grctlext/Delay", &value));
}

}  // namespace

struct gifwriter::encoder {
    comscope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> gif;
    ComPtr<IWICPalette> greys;  // level i is grey i
    bool failed = false;
};

gifwriter::gifwriter(newfile& target, int32_t, int32_t) : state(new encoder) {
    encoder& s = *state;
    WICColor levels[256];
    for (UINT level = 0; level < 256; ++level) levels[level] = 0xFF000000 | level * 0x010101;
    const wchar_t* path = reinterpret_cast<const wchar_t*>(target.path().c_str());
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&s.factory));
    if (SUCCEEDED(result)) result = s.factory->CreateStream(&s.stream);
    if (SUCCEEDED(result)) result = s.stream->InitializeFromFilename(path, GENERIC_WRITE);
    if (SUCCEEDED(result))
        result = s.factory->CreateEncoder(GUID_ContainerFormatGif, nullptr, &s.gif);
    if (SUCCEEDED(result)) result = s.gif->Initialize(s.stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(result)) result = s.factory->CreatePalette(&s.greys);
    if (SUCCEEDED(result)) result = s.greys->InitializeCustom(levels, 256);
    if (SUCCEEDED(result)) result = s.gif->SetPalette(s.greys.Get());
    s.failed = FAILED(result);
    timed = !s.failed && setLoop(*s.gif.Get());
}

gifwriter::~gifwriter() = default;

bool gifwriter::addFrame(const greyframe& frame, uint16_t delay) {
    encoder& s = *state;
    if (s.failed) return false;
    ComPtr<IWICBitmapFrameEncode> image;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
    HRESULT result = s.gif->CreateNewFrame(&image, &options);
    if (SUCCEEDED(result)) result = image->Initialize(options.Get());
    if (SUCCEEDED(result)) result = image->SetSize(UINT(frame.width), UINT(frame.height));
    if (SUCCEEDED(result)) result = image->SetPixelFormat(&format);
    if (SUCCEEDED(result) && format != GUID_WICPixelFormat8bppIndexed) result = E_FAIL;
    if (SUCCEEDED(result)) result = image->SetPalette(s.greys.Get());
    if (SUCCEEDED(result) && !setDelay(*image.Get(), delay)) timed = false;
    const UINT stride = UINT(frame.stride);
    for (int32_t row = frame.height - 1; row >= 0 && SUCCEEDED(result); --row)  // top-down
        result = image->WritePixels(1, stride, stride,
                                    const_cast<BYTE*>(frame.rows + size_t(row) * stride));
    if (SUCCEEDED(result)) result = image->Commit();
    s.failed = FAILED(result);
    return !s.failed;
}

// The file is closed on return, ready to take its name.
bool gifwriter::finish() {
    encoder& s = *state;
    if (!s.failed) s.failed = FAILED(s.gif->Commit());
    s.gif.Reset();
    s.stream.Reset();
    return !s.failed;
}
