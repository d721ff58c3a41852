// The file operations of data/os_files.h on Windows, through the C runtime's wide
// functions and std::filesystem; the file view maps files with the system's own
// calls (the one file outside platform/win32/ with windows.h, for that alone).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <chrono>
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
const char* const kTempMarker = ".scene-part-";

std::FILE* open_file(const std::string& path, const char* mode) {
    return ::_wfopen(wide(path).c_str(), wide(mode).c_str());
}

long long regular_file_size(std::FILE* f) {
    struct _stat64 info;
    if (::_fstat64(::_fileno(f), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return -1;
    return static_cast<long long>(info.st_size);
}

namespace {

// True when the open file lies on a fixed local drive. Its pages are then read
// from a disk that stays there: a view of a file on a network share or a
// removable drive could lose its pages, which would end the process rather than
// fail a read.
bool on_fixed_drive(HANDLE file) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return false;
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(n + 1);
    }
    // "\\?\C:\..."; a share is "\\?\UNC\server\...".
    if (name.size() < 7 || name.compare(0, 4, L"\\\\?\\") != 0 || name[5] != L':' ||
        name[6] != L'\\')
        return false;
    const wchar_t root[] = {name[4], L':', L'\\', L'\0'};
    return ::GetDriveTypeW(root) == DRIVE_FIXED;
}

}  // namespace

bool FileView::open(const std::string& path) {
    close();
    // Others may go on reading, writing, renaming or removing the file, as with
    // the C runtime's own opening of it.
    const HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    const char* view = nullptr;
    if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileSizeEx(file, &size) &&
        size.QuadPart > 0 && static_cast<unsigned long long>(size.QuadPart) <= SIZE_MAX &&
        on_fixed_drive(file)) {
        // A section of exactly the size just measured: one shortened since fails
        // here, and while the view lasts the system refuses to shorten the file.
        const HANDLE section = ::CreateFileMappingW(
            file, nullptr, PAGE_READONLY, static_cast<DWORD>(size.HighPart), size.LowPart, nullptr);
        if (section) {
            view = static_cast<const char*>(
                ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size.QuadPart)));
            ::CloseHandle(section);  // the view holds the section
        }
    }
    ::CloseHandle(file);
    if (!view) return false;
    data_ = view;
    size_ = static_cast<std::size_t>(size.QuadPart);
    return true;
}

void FileView::close() {
    if (data_) ::UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
}

int create_temp_file(const std::string& folder, const std::string& name, std::string& path) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device rd;
    const std::string base =
        folder +
        (folder.empty() || folder.find_last_of(kPathSeparators) == folder.size() - 1 ? "" : "/") +
        "." + name + kTempMarker;
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

std::string follow_links(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path p = fs::u8path(path);
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) break;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return p.u8string();
}

bool may_write(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(fs::u8path(path), ec);
    if (ec || !fs::exists(st)) return true;
    if (fs::is_directory(st)) {
        errno = EISDIR;
        return false;
    }
    // A read-only file (the read-only attribute) refuses a plain write.
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) {
        errno = EACCES;
        return false;
    }
    return true;
}

void remove_stale_temps(const std::string& folder, long long max_age_seconds) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string marker = kTempMarker;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(fs::u8path(folder.empty() ? "." : folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().u8string();
        const size_t at = name.rfind(marker);
        if (name.empty() || name[0] != '.' || at == std::string::npos || at == 0 ||
            name.size() != at + marker.size() + 6)
            continue;
        std::error_code ec2;
        if (!it->is_regular_file(ec2)) continue;
        const auto when = it->last_write_time(ec2);
        if (ec2 || now - when <= std::chrono::seconds(max_age_seconds)) continue;
        fs::remove(it->path(), ec2);
    }
}

// The console's Ctrl+C ends a program without a handler of ours to run here.
void track_temp(const std::string&) {}
void untrack_temp(const std::string&) {}

}  // namespace os_files
