// The streaming XML reader over expat.
#include <expat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "data/os_files.h"
#include "import/xml_stream_system.h"

namespace {

struct Session {
    XML_Parser parser = nullptr;
    XmlHandler* handler = nullptr;
    std::vector<XmlAttribute> attributes;
    bool stopped = false;
};

void XMLCALL on_start(void* data, const XML_Char* name, const XML_Char** atts) {
    Session& s = *static_cast<Session*>(data);
    s.attributes.clear();
    for (const XML_Char** a = atts; *a; a += 2) s.attributes.push_back({a[0], a[1]});
    const long line = static_cast<long>(XML_GetCurrentLineNumber(s.parser));
    if (!s.handler->start_element(name, s.attributes.data(), s.attributes.size(), line)) {
        s.stopped = true;
        XML_StopParser(s.parser, XML_FALSE);
    }
}

void XMLCALL on_end(void* data, const XML_Char* name) {
    Session& s = *static_cast<Session*>(data);
    if (s.stopped) return;
    if (!s.handler->end_element(name)) {
        s.stopped = true;
        XML_StopParser(s.parser, XML_FALSE);
    }
}

}  // namespace

bool stream_xml(const std::string& name, XmlHandler& handler, std::string& error,
                const XmlRead& read, const ImportProgress& progress, long long total) {
    Session s;
    s.handler = &handler;
    s.parser = XML_ParserCreate(nullptr);
    if (!s.parser) {
        error = name + ": out of memory";
        return false;
    }
    XML_SetUserData(s.parser, &s);
    XML_SetElementHandler(s.parser, on_start, on_end);
    bool ok = true;
    long long done = 0;
    for (;;) {
        const int size = 1 << 18;
        void* buf = XML_GetBuffer(s.parser, size);
        if (!buf) {
            error = name + ": out of memory";
            ok = false;
            break;
        }
        const long long got = read(static_cast<char*>(buf), size);
        if (got < 0) {
            error = name + ": read error: " + std::strerror(errno);
            ok = false;
            break;
        }
        done += got;
        const bool last = got == 0;
        if (XML_ParseBuffer(s.parser, static_cast<int>(got), last) != XML_STATUS_OK) {
            ok = false;
            if (!s.stopped)
                error = name + ":" + std::to_string(XML_GetCurrentLineNumber(s.parser)) + ": " +
                        XML_ErrorString(XML_GetErrorCode(s.parser));
            break;
        }
        if (progress) progress(done, total);
        if (last) break;
    }
    XML_ParserFree(s.parser);
    return ok;
}
