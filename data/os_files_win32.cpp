// The file operations of data/os_files.h on Windows, through the C runtime's wide
// functions and std::filesystem (no windows.h: only platform/win32/ includes it).
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "data/os_files.h"

namespace os_files {

namespace {

std::wstring wide(const std::string& utf8) {
    return std::filesystem::u8path(utf8).wstring();
}

void set_errno(const std::error_code& ec) {
    errno = ec.default_error_condition().category() == std::generic_category()
                ? ec.default_error_condition().value()
                : EIO;
}

}  // namespace

const char* const kPathSeparators = "/\\";

std::FILE* open_file(const std::string& path, const char* mode) {
    return ::_wfopen(wide(path).c_str(), wide(mode).c_str());
}

long long regular_file_size(std::FILE* f) {
    struct _stat64 info;
    if (::_fstat64(::_fileno(f), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return -1;
    return static_cast<long long>(info.st_size);
}

int create_temp_file(const std::string& folder, const std::string& name, std::string& path) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device rd;
    const std::string base =
        folder +
        (folder.empty() || folder.find_last_of(kPathSeparators) == folder.size() - 1 ? "" : "/") +
        "." + name + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = base;
        for (int i = 0; i < 6; ++i) candidate += kDigits[rd() % (sizeof kDigits - 1)];
        int fd = -1;
        const errno_t err =
            ::_wsopen_s(&fd, wide(candidate).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                        _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (err == 0) {
            path = candidate;
            return fd;
        }
        if (err != EEXIST) {
            errno = err;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

long long write_some(int fd, const char* data, std::size_t size) {
    // _write takes an unsigned count: large writes go in pieces.
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    return ::_write(fd, data, chunk);
}

int close_file(int fd) {
    return ::_close(fd);
}

bool set_final_permissions(int, const std::string&, const std::string&) {
    // Files take the access rules of their folder; there is nothing to carry over.
    return true;
}

bool replace_file(const std::string& temp, const std::string& target) {
    // std::filesystem::rename replaces an existing file here (MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING), where the C runtime's rename refuses to.
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::u8path(target), ec)) {
        errno = EISDIR;
        return false;
    }
    std::filesystem::rename(std::filesystem::u8path(temp), std::filesystem::u8path(target), ec);
    if (ec) set_errno(ec);
    return !ec;
}

void remove_file(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path), ec);
}

}  // namespace os_files
