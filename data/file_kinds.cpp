#include "data/file_kinds.h"

#include <strings.h>

#include "data/geometry.h"

FileKind file_kind_by_name(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string base, extension;
    split_file_name(name, base, extension);
    auto starts = [&](const char* prefix, std::size_t n) {
        return extension.size() >= n && strncasecmp(extension.c_str(), prefix, n) == 0;
    };
    if (starts("traj", 4)) return FileKind::Traj;
    if (starts("nav", 3) || starts("pos", 3)) return FileKind::EgoPose;
    if (extension.size() == 3 && starts("txt", 3)) return FileKind::Text;
    return FileKind::Unknown;
}
