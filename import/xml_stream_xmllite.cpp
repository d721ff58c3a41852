// The streaming XML reader in the Windows build: XmlLite, the pull reader that is
// part of Windows itself (xmllite.dll, loaded at run time: MinGW-w64 ships its
// header but no import library). Names and values arrive as UTF-16 and are handed
// on as UTF-8, as expat gives them on Linux.
#define WIN32_LEAN_AND_MEAN
#include <objbase.h>
#include <windows.h>
#include <xmllite.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "data/os_files.h"
#include "import/xml_stream_system.h"

namespace {

using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateReader create_reader() {
    static CreateReader fn = [] {
        HMODULE dll = LoadLibraryW(L"xmllite.dll");
        return dll ? reinterpret_cast<CreateReader>(
                         reinterpret_cast<void*>(GetProcAddress(dll, "CreateXmlReader")))
                   : nullptr;
    }();
    return fn;
}

// An IStream over a read function, all the reader needs of a stream.
class ReadStream : public IStream {
  public:
    explicit ReadStream(std::function<long long(char*, size_t)> read) : read_(std::move(read)) {}
    bool failed = false;
    long long done = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IStream) ||
            riid == __uuidof(ISequentialStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the stack
    HRESULT STDMETHODCALLTYPE Read(void* buf, ULONG size, ULONG* got) override {
        const long long n = read_(static_cast<char*>(buf), size);
        if (n < 0) {
            failed = true;
            return E_FAIL;
        }
        done += n;
        if (got) *got = static_cast<ULONG>(n);
        return n < static_cast<long long>(size) ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  private:
    std::function<long long(char*, size_t)> read_;
    std::atomic<ULONG> refs_{1};
};

void to_utf8(const WCHAR* text, UINT length, std::string& out) {
    out.clear();
    if (length == 0) return;
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr,
                        nullptr);
}

}  // namespace

bool stream_xml(const std::string& name, XmlHandler& handler, std::string& error,
                const XmlRead& read, const ImportProgress& progress, long long total) {
    CreateReader create = create_reader();
    if (!create) {
        error = name + ": the system's XML reader (xmllite.dll) is not available";
        return false;
    }
    IXmlReader* reader = nullptr;
    if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr))) {
        error = name + ": cannot start the system's XML reader";
        return false;
    }
    ReadStream stream(std::move(read));
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    bool ok = SUCCEEDED(reader->SetInput(static_cast<IStream*>(&stream)));
    std::string element;
    std::vector<std::string> texts;  // names and values of the attributes, by pairs
    std::vector<XmlAttribute> attributes;
    long long reported = 0;
    XmlNodeType type;
    HRESULT hr = S_OK;
    while (ok && (hr = reader->Read(&type)) == S_OK) {
        UINT line = 0;
        reader->GetLineNumber(&line);
        if (type == XmlNodeType_Element) {
            const WCHAR* text = nullptr;
            UINT length = 0;
            reader->GetLocalName(&text, &length);
            to_utf8(text, length, element);
            const bool empty = reader->IsEmptyElement();
            UINT count = 0;
            reader->GetAttributeCount(&count);
            texts.resize(static_cast<size_t>(count) * 2);
            attributes.clear();
            size_t k = 0;
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK;
                 a = reader->MoveToNextAttribute()) {
                if (k + 1 >= texts.size()) texts.resize(k + 2);
                reader->GetLocalName(&text, &length);
                to_utf8(text, length, texts[k]);
                reader->GetValue(&text, &length);
                to_utf8(text, length, texts[k + 1]);
                k += 2;
            }
            for (size_t i = 0; i < k; i += 2) attributes.push_back({texts[i], texts[i + 1]});
            ok = handler.start_element(element, attributes.data(), attributes.size(),
                                       static_cast<long>(line)) &&
                 (!empty || handler.end_element(element));
        } else if (type == XmlNodeType_EndElement) {
            const WCHAR* text = nullptr;
            UINT length = 0;
            reader->GetLocalName(&text, &length);
            to_utf8(text, length, element);
            ok = handler.end_element(element);
        }
        if (progress && stream.done - reported >= (4 << 20)) {
            reported = stream.done;
            progress(stream.done, total);
        }
    }
    if (ok && FAILED(hr)) {
        UINT line = 0;
        reader->GetLineNumber(&line);
        error = name + ":" + std::to_string(line) + ": " +
                (stream.failed ? std::string("read error") : std::string("not well-formed XML"));
        ok = false;
    }
    reader->Release();
    if (ok && progress) progress(stream.done, total);
    return ok;
}
