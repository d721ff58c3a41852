// The file operations of data/os_files.h on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "data/os_files.h"

namespace os_files {

const char* const kPathSeparators = "/";
const char* const kTempMarker = ".scene-part-";

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

long long regular_file_size(std::FILE* f) {
    struct stat info;
    if (fstat(fileno(f), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

// The text read into an anonymous mapping with huge pages (data/large_array.h)
// is as fast as a mapped file here, and a file that another program shortens
// cannot end the process as a mapping's missing pages would (SIGBUS).
bool FileView::open(const std::string&) {
    close();
    return false;
}

void FileView::close() {
    data_ = nullptr;
    size_ = 0;
}

int create_temp_file(const std::string& folder, const std::string& name, std::string& path) {
    std::string tmpl = folder + (folder.empty() || folder.back() == '/' ? "" : "/") + "." + name +
                       kTempMarker + "XXXXXX";
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

std::string follow_links(const std::string& path) {
    std::string p = path;
    // As many links as the kernel itself follows before it gives up (ELOOP).
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return p;
        link.resize(static_cast<size_t>(n));
        // A relative link is relative to the folder of the link itself.
        const size_t slash = p.find_last_of('/');
        p = link[0] == '/' || slash == std::string::npos ? link : p.substr(0, slash + 1) + link;
    }
    return p;
}

bool may_write(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return true;  // a new file: the folder decides
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;  // as open(2) refuses to write a folder
        return false;
    }
    // The effective user's rights, as open(2) checks them (root may write anything).
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

void remove_stale_temps(const std::string& folder, long long max_age_seconds) {
    const std::string dir = folder.empty() ? "." : folder;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    const time_t now = std::time(nullptr);
    const size_t marker = std::strlen(kTempMarker);
    while (const struct dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        // ".<name>.scene-part-XXXXXX"
        const size_t at = name.rfind(kTempMarker);
        if (name[0] != '.' || at == std::string::npos || at == 0 || name.size() != at + marker + 6)
            continue;
        const std::string path = dir + (dir.back() == '/' ? "" : "/") + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (now - st.st_mtime > max_age_seconds) ::unlink(path.c_str());
    }
    ::closedir(d);
}

namespace {

// The temporary files a signal removes: a list that only grows, of slots that are
// reused. A slot's path is set before it is marked in use and marked free before
// its path goes, so the handler, which may interrupt either, reads only whole paths.
struct TempSlot {
    std::atomic<int> state{0};  // 0 free, 1 in use, 2 being filled
    char* path = nullptr;
    TempSlot* next = nullptr;
};
std::atomic<TempSlot*> g_temps{nullptr};
bool g_handlers_installed = false;

extern "C" void remove_temps_and_end(int sig) {
    for (TempSlot* s = g_temps.load(); s; s = s->next)
        if (s->state.load() == 1) ::unlink(s->path);
    // The handler was installed for one delivery (SA_RESETHAND): the signal raised
    // again takes its default action, ending the process as it would have without us.
    ::raise(sig);
}

void install_handlers() {
    if (g_handlers_installed) return;
    g_handlers_installed = true;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old;
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
            (old.sa_flags & SA_SIGINFO))
            continue;
        struct sigaction act;
        std::memset(&act, 0, sizeof act);
        act.sa_handler = remove_temps_and_end;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &act, nullptr);
    }
}

}  // namespace

void track_temp(const std::string& path) {
    install_handlers();
    TempSlot* slot = nullptr;
    for (TempSlot* s = g_temps.load(); s && !slot; s = s->next) {
        int expected = 0;
        if (s->state.compare_exchange_strong(expected, 2)) slot = s;
    }
    if (!slot) {
        slot = new TempSlot;  // kept for the life of the process
        slot->state.store(2);
        slot->next = g_temps.load();
        g_temps.store(slot);
    }
    std::free(slot->path);
    slot->path = ::strdup(path.c_str());
    slot->state.store(slot->path ? 1 : 0);
}

void untrack_temp(const std::string& path) {
    for (TempSlot* s = g_temps.load(); s; s = s->next) {
        if (s->state.load() == 1 && path == s->path) {
            s->state.store(0);
            return;
        }
    }
}

}  // namespace os_files
