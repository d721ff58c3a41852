// PNG files on the Win32 back end, through the Windows Imaging Component (WIC),
// which Windows itself carries: no encoder of our own.
#include "platform/win32/win32_gdi.h"
// After windows.h (win32_gdi.h), which it needs.
#include <wincodec.h>

#include <string>
#include <vector>

namespace plat::detail::win32 {

namespace {

// Releases a COM interface when it goes.
template <class T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// The imaging factory; COM is started once for the thread (the programs have one).
IWICImagingFactory* factory() {
    static IWICImagingFactory* f = [] {
        const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        (void)init;  // S_FALSE or RPC_E_CHANGED_MODE: COM is there already
        IWICImagingFactory* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, reinterpret_cast<void**>(&made))))
            return static_cast<IWICImagingFactory*>(nullptr);
        return made;
    }();
    return f;
}

}  // namespace

bool encode_png(const std::uint32_t* xrgb, int width, int height, std::string& png) {
    IWICImagingFactory* f = factory();
    if (!f || !xrgb || width <= 0 || height <= 0) return false;
    // Encoded into memory: the file is written by the core, which checks every write.
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) ||
        FAILED(f->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.out(), nullptr)) ||
        FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
        return false;
    // Opaque pictures: 24-bit BGR rows, as the encoder takes them.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR)
        return false;
    const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride;
        const std::uint32_t* in = xrgb + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<BYTE>(in[x]);
            out[3 * x + 1] = static_cast<BYTE>(in[x] >> 8);
            out[3 * x + 2] = static_cast<BYTE>(in[x] >> 16);
        }
    }
    if (FAILED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()),
                                  rows.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        FAILED(GetHGlobalFromStream(stream.get(), &memory)))
        return false;
    const void* bytes = GlobalLock(memory);
    if (!bytes) return false;
    png.assign(static_cast<const char*>(bytes), static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return true;
}

bool read_png_file(const std::string& path, Pixels& out) {
    out = Pixels{};
    IWICImagingFactory* f = factory();
    if (!f) return false;
    const std::wstring name = wide(path);
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(f->CreateDecoderFromFilename(name.c_str(), nullptr, GENERIC_READ,
                                            WICDecodeMetadataCacheOnDemand, decoder.out())) ||
        FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&w, &h)) ||
        FAILED(f->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(w) * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(argb.size() * 4),
                                     reinterpret_cast<BYTE*>(argb.data()))))
        return false;
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.argb = std::move(argb);  // BGRA bytes are 0xAARRGGBB words
    return true;
}

}  // namespace plat::detail::win32
