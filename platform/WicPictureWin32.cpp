#include "platform/WicPicture.h"

#include <cstdio>
#include <cstring>
#include <new>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

namespace zarn {

namespace {

    // A COM interface held once; released at the end.
    template <class T> class ComRef {
    public:
        ComRef() = default;
        ~ComRef() { reset(); }
        ComRef(const ComRef&) = delete;
        ComRef& operator=(const ComRef&) = delete;
        T* get() const { return m_p; }
        T* operator->() const { return m_p; }
        T** put()
        {
            reset();
            return &m_p;
        }
        void reset()
        {
            if (m_p)
                m_p->Release();
            m_p = nullptr;
        }

    private:
        T* m_p = nullptr;
    };

    // The byte source as the stream the imaging component reads; a failed read is remembered.
    class SourceStream final : public IStream {
    public:
        explicit SourceStream(WicByteSource& source)
            : m_source(source)
        {
        }
        bool failed() const { return m_failed; }

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
        {
            if (!out)
                return E_POINTER;
            if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
                *out = static_cast<IStream*>(this);
                AddRef();
                return S_OK;
            }
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
        ULONG STDMETHODCALLTYPE Release() override
        {
            const LONG left = InterlockedDecrement(&m_references);
            if (left == 0)
                delete this;
            return static_cast<ULONG>(left);
        }

        HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* done) override
        {
            ULONG got = 0;
            while (got < count) {
                const std::int64_t n = m_source.readAt(m_position, static_cast<char*>(buffer) + got, count - got);
                if (n < 0) {
                    m_failed = true;
                    if (done)
                        *done = got;
                    return STG_E_READFAULT;
                }
                if (n == 0)
                    break;
                got += static_cast<ULONG>(n);
                m_position += static_cast<std::uint64_t>(n);
            }
            if (done)
                *done = got;
            return got == count ? S_OK : S_FALSE;
        }
        HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
        HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
        {
            std::int64_t base = 0;
            if (origin == STREAM_SEEK_CUR)
                base = static_cast<std::int64_t>(m_position);
            else if (origin == STREAM_SEEK_END)
                base = static_cast<std::int64_t>(m_source.size());
            else if (origin != STREAM_SEEK_SET)
                return STG_E_INVALIDFUNCTION;
            const std::int64_t to = base + move.QuadPart;
            if (to < 0)
                return STG_E_INVALIDFUNCTION;
            m_position = static_cast<std::uint64_t>(to);
            if (position)
                position->QuadPart = m_position;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
        HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
        {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
        {
            return STG_E_INVALIDFUNCTION;
        }
        HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
        {
            return STG_E_INVALIDFUNCTION;
        }
        HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
        {
            if (!stat)
                return STG_E_INVALIDPOINTER;
            std::memset(stat, 0, sizeof *stat);
            stat->type = STGTY_STREAM;
            stat->cbSize.QuadPart = m_source.size();
            stat->grfMode = STGM_READ;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    private:
        ~SourceStream() = default;
        WicByteSource& m_source;
        std::uint64_t m_position = 0;
        LONG m_references = 1;
        bool m_failed = false;
    };

    struct FormatName {
        const GUID* guid;
        WicPixels pixels;
    };
    const FormatName kFormats[] = {
        { &GUID_WICPixelFormat1bppIndexed, WicPixels::Indexed1 },
        { &GUID_WICPixelFormat2bppIndexed, WicPixels::Indexed2 },
        { &GUID_WICPixelFormat4bppIndexed, WicPixels::Indexed4 },
        { &GUID_WICPixelFormat8bppIndexed, WicPixels::Indexed8 },
        { &GUID_WICPixelFormatBlackWhite, WicPixels::BlackWhite },
        { &GUID_WICPixelFormat2bppGray, WicPixels::Grey2 },
        { &GUID_WICPixelFormat4bppGray, WicPixels::Grey4 },
        { &GUID_WICPixelFormat8bppGray, WicPixels::Grey8 },
        { &GUID_WICPixelFormat16bppGray, WicPixels::Grey16 },
        { &GUID_WICPixelFormat24bppBGR, WicPixels::Bgr24 },
        { &GUID_WICPixelFormat32bppBGRA, WicPixels::Bgra32 },
        { &GUID_WICPixelFormat48bppRGB, WicPixels::Rgb48 },
        { &GUID_WICPixelFormat64bppRGBA, WicPixels::Rgba64 },
        { &GUID_WICPixelFormat32bppCMYK, WicPixels::Cmyk32 },
    };

} // namespace

int wicBitsPerPixel(WicPixels pixels)
{
    switch (pixels) {
    case WicPixels::Indexed1:
    case WicPixels::BlackWhite:
        return 1;
    case WicPixels::Indexed2:
    case WicPixels::Grey2:
        return 2;
    case WicPixels::Indexed4:
    case WicPixels::Grey4:
        return 4;
    case WicPixels::Indexed8:
    case WicPixels::Grey8:
        return 8;
    case WicPixels::Grey16:
        return 16;
    case WicPixels::Bgr24:
        return 24;
    case WicPixels::Rgb48:
        return 48;
    case WicPixels::Rgba64:
        return 64;
    case WicPixels::Bgra32:
    case WicPixels::Cmyk32:
    case WicPixels::Other:
        break;
    }
    return 32;
}

struct WicFrame::State {
    bool comStarted = false;
    SourceStream* stream = nullptr;
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    WicPixels pixels = WicPixels::Other;
    std::vector<std::uint32_t> palette;
    HRESULT error = S_OK;

    // Records why a call failed; false.
    bool fail(HRESULT hr)
    {
        error = hr;
        return false;
    }
};

WicFrame::WicFrame()
    : m(std::make_unique<State>())
{
    // A thread without COM gets it for the frame's time; the window's thread
    // keeps the apartment it has (RPC_E_CHANGED_MODE: COM is there already).
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE);
    m->comStarted = SUCCEEDED(hr);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
        m->error = hr;
}

WicFrame::~WicFrame()
{
    m->converter.reset();
    m->frame.reset();
    m->decoder.reset();
    m->factory.reset();
    if (m->stream)
        m->stream->Release();
    if (m->comStarted)
        CoUninitialize();
}

bool WicFrame::open(WicByteSource& source)
{
    State& s = *m;
    if (FAILED(s.error))
        return false;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
        reinterpret_cast<void**>(s.factory.put()));
    if (FAILED(hr))
        return s.fail(hr);
    s.stream = new (std::nothrow) SourceStream(source);
    if (!s.stream)
        return s.fail(E_OUTOFMEMORY);
    hr = s.factory->CreateDecoderFromStream(s.stream, nullptr, WICDecodeMetadataCacheOnDemand, s.decoder.put());
    if (SUCCEEDED(hr))
        hr = s.decoder->GetFrame(0, s.frame.put());
    if (SUCCEEDED(hr))
        hr = s.frame->GetSize(&s.width, &s.height);
    WICPixelFormatGUID format {};
    if (SUCCEEDED(hr))
        hr = s.frame->GetPixelFormat(&format);
    if (FAILED(hr))
        return s.fail(hr);
    s.pixels = WicPixels::Other;
    for (const FormatName& f : kFormats)
        if (IsEqualGUID(format, *f.guid))
            s.pixels = f.pixels;
    if (s.pixels >= WicPixels::Indexed1 && s.pixels <= WicPixels::Indexed8) {
        ComRef<IWICPalette> palette;
        hr = s.factory->CreatePalette(palette.put());
        if (SUCCEEDED(hr) && FAILED(s.frame->CopyPalette(palette.get())))
            hr = s.decoder->CopyPalette(palette.get());
        UINT count = 0;
        if (SUCCEEDED(hr))
            hr = palette->GetColorCount(&count);
        if (SUCCEEDED(hr)) {
            s.palette.resize(count);
            hr = palette->GetColors(count, s.palette.data(), &count);
            s.palette.resize(SUCCEEDED(hr) ? count : 0);
        }
        if (FAILED(hr))
            return s.fail(hr);
    }
    return true;
}

int WicFrame::width() const { return static_cast<int>(m->width); }
int WicFrame::height() const { return static_cast<int>(m->height); }
WicPixels WicFrame::pixels() const { return m->converter.get() ? WicPixels::Bgra32 : m->pixels; }
const std::vector<std::uint32_t>& WicFrame::palette() const { return m->palette; }

bool WicFrame::convertToBgra()
{
    State& s = *m;
    if (!s.frame.get())
        return false;
    if (s.converter.get())
        return true;
    HRESULT hr = s.factory->CreateFormatConverter(s.converter.put());
    if (SUCCEEDED(hr))
        hr = s.converter->Initialize(s.frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
            WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) {
        s.converter.reset();
        return s.fail(hr);
    }
    return true;
}

bool WicFrame::copyRows(int y, int count, std::uint8_t* out, std::size_t stride)
{
    State& s = *m;
    if (!s.frame.get())
        return false;
    const WICRect rect { 0, y, static_cast<INT>(s.width), count };
    IWICBitmapSource* from = s.converter.get() ? static_cast<IWICBitmapSource*>(s.converter.get())
                                               : static_cast<IWICBitmapSource*>(s.frame.get());
    const HRESULT hr = from->CopyPixels(
        &rect, static_cast<UINT>(stride), static_cast<UINT>(stride * static_cast<std::size_t>(count)), out);
    return SUCCEEDED(hr) || s.fail(hr);
}

WicFailure WicFrame::failure() const
{
    const HRESULT hr = m->error;
    if (SUCCEEDED(hr))
        return WicFailure::None;
    if (m->stream && m->stream->failed())
        return WicFailure::SourceFailed;
    switch (hr) {
    case E_OUTOFMEMORY:
        return WicFailure::OutOfMemory;
    case WINCODEC_ERR_COMPONENTNOTFOUND:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT:
    case WINCODEC_ERR_UNSUPPORTEDOPERATION:
    case WINCODEC_ERR_UNSUPPORTEDVERSION:
        return WicFailure::NotSupported;
    case REGDB_E_CLASSNOTREG:
    case CO_E_NOTINITIALIZED:
        return WicFailure::System;
    default:
        return WicFailure::Damaged;
    }
}

std::string WicFrame::failureText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "WIC error 0x%08lX", static_cast<unsigned long>(m->error));
    return text;
}

} // namespace zarn
