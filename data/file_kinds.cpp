#include "data/file_kinds.h"

#include <strings.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "data/geometry.h"

namespace {

// Splits the last path component at its extension: folder + name base, extension.
void split_path(const std::string& path, std::string& stem, std::string& extension) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string base;
    extension.clear();
    split_file_name(path.substr(start), base, extension);
    stem = path.substr(0, start) + base;
}

}  // namespace

FileKind file_kind_by_name(const std::string& path) {
    std::string stem, extension;
    split_path(path, stem, extension);
    auto starts = [&](const char* prefix, std::size_t n) {
        return extension.size() >= n && strncasecmp(extension.c_str(), prefix, n) == 0;
    };
    if (starts("traj", 4)) return FileKind::Traj;
    if (starts("nav", 3) || starts("pos", 3)) return FileKind::EgoPose;
    if (extension.size() == 3 && starts("txt", 3)) return FileKind::Text;
    if (extension.size() == 3 && (starts("csv", 3) || starts("xml", 3))) return FileKind::Dataset;
    return FileKind::Unknown;
}

std::optional<std::string> companion_file(const std::string& path, FileKind wanted) {
    std::string stem, extension;
    split_path(path, stem, extension);
    std::vector<const char*> candidates;
    if (wanted == FileKind::Traj) candidates = {".traj", ".TRAJ"};
    if (wanted == FileKind::EgoPose) candidates = {".nav", ".pos", ".NAV", ".POS"};
    if (extension.empty()) candidates.clear();
    for (const char* ext : candidates) {
        const std::string name = stem + ext;
        std::error_code ec;
        if (name != path && std::filesystem::is_regular_file(name, ec)) return name;
    }
    return std::nullopt;
}
