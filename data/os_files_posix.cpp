// The file operations of data/os_files.h on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "data/os_files.h"

namespace os_files {

const char* const kPathSeparators = "/";

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

long long regular_file_size(std::FILE* f) {
    struct stat info;
    if (fstat(fileno(f), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

int create_temp_file(const std::string& folder, const std::string& name, std::string& path) {
    std::string tmpl =
        folder + (folder.empty() || folder.back() == '/' ? "" : "/") + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd >= 0) path = tmpl;
    return fd;
}

long long write_some(int fd, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

int close_file(int fd) {
    return ::close(fd);
}

namespace {
// Those of the file it replaces, else those of a newly created file.
mode_t final_mode(const std::string& target) {
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
}  // namespace

bool set_final_permissions(int fd, const std::string& temp, const std::string& target) {
    const mode_t mode = final_mode(target);
    return (fd >= 0 ? ::fchmod(fd, mode) : ::chmod(temp.c_str(), mode)) == 0;
}

bool replace_file(const std::string& temp, const std::string& target) {
    return std::rename(temp.c_str(), target.c_str()) == 0;
}

void remove_file(const std::string& path) {
    std::remove(path.c_str());
}

}  // namespace os_files
