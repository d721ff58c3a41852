#include "import/xml_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/os_files.h"
#include "import/xml_stream_system.h"

bool stream_xml_file(const std::string& path, XmlHandler& handler, std::string& error,
                     const ImportProgress& progress) {
    std::FILE* f = os_files::open_file(path, "rb");
    if (!f) {
        error = path + ": cannot open the file: " + std::strerror(errno);
        return false;
    }
    const long long total = os_files::regular_file_size(f);
    const bool ok = stream_xml(
        path, handler, error,
        [f](char* buf, size_t size) -> long long {
            const size_t got = std::fread(buf, 1, size, f);
            if (got == 0 && std::ferror(f)) return -1;
            return static_cast<long long>(got);
        },
        progress, total);
    std::fclose(f);
    return ok;
}

bool stream_xml_text(std::string_view text, const std::string& name, XmlHandler& handler,
                     std::string& error) {
    size_t pos = 0;
    return stream_xml(
        name, handler, error,
        [&](char* buf, size_t size) -> long long {
            const size_t n = std::min(size, text.size() - pos);
            std::memcpy(buf, text.data() + pos, n);
            pos += n;
            return static_cast<long long>(n);
        },
        {}, static_cast<long long>(text.size()));
}
