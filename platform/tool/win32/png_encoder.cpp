#include "platform/tool/png_encoder.h"

#include <vector>

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

namespace platform {

namespace {

// Releases a COM interface when it goes out of scope.
template<typename T> struct Com {
    T* p = nullptr;
    ~Com()
    {
        if (p != nullptr)
            p->Release();
    }
    T** put() { return &p; }
    T* operator->() const { return p; }
};

// Encodes into stream: the WIC encoder takes BGR rows, so each row is turned round first.
bool encode(IWICImagingFactory* factory, IStream* stream, uint32_t width, uint32_t height, const uint8_t* rgb)
{
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()))
        || FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache))
        || FAILED(encoder->CreateNewFrame(frame.put(), options.put())) || FAILED(frame->Initialize(options.p))
        || FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format))
        || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return false;
    const UINT stride = width * 3;
    std::vector<BYTE> row(stride);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = rgb + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x) {
            row[x * 3] = src[x * 3 + 2];
            row[x * 3 + 1] = src[x * 3 + 1];
            row[x * 3 + 2] = src[x * 3];
        }
        if (FAILED(frame->WritePixels(1, stride, stride, row.data())))
            return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// The bytes written into a memory stream.
bool collect(IStream* stream, std::vector<uint8_t>& out)
{
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME)))
        return false;
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr)
        return false;
    const auto* p = static_cast<const uint8_t*>(bytes);
    out.assign(p, p + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return true;
}

}  // namespace

bool encodePng(uint32_t width, uint32_t height, const uint8_t* rgb, std::vector<uint8_t>& out)
{
    out.clear();
    if (width == 0 || height == 0 || rgb == nullptr)
        return false;
    // A thread that already entered another apartment keeps it; COM is usable either way.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool ok = false;
    {
        Com<IWICImagingFactory> factory;
        Com<IStream> stream;
        ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                        reinterpret_cast<void**>(factory.put())))
            && SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))
            && encode(factory.p, stream.p, width, height, rgb) && collect(stream.p, out);
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    if (!ok)
        out.clear();
    return ok;
}

}  // namespace platform
