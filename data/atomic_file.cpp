#include "data/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBlock = size_t{1} << 20;

// The folder part of a path ("." when it has none) and its last component.
void split_path(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// The permissions the finished file gets: those of the file it replaces, else
// those of a newly created file.
mode_t final_mode(const std::string& target) {
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::fail(const char* what) {
    if (!ok_) return;
    ok_ = false;
    error_ = std::string(what) + ": " + std::strerror(errno);
}

bool AtomicFile::open() {
    discard();
    ok_ = true;
    error_.clear();
    std::string folder, name;
    split_path(target_, folder, name);
    // Hidden, in the target's own folder, so the rename never crosses file systems.
    std::string tmpl = (folder == "/" ? "" : folder) + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        fail("cannot create a file in the folder");
        return false;
    }
    fd_ = fd;
    temp_ = tmpl;
    buf_.reserve(kBlock);
    return true;
}

bool AtomicFile::put(const char* data, size_t size) {
    while (ok_ && size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write failed");
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return ok_;
}

bool AtomicFile::flush() {
    const bool written = put(buf_.data(), buf_.size());
    buf_.clear();
    return written;
}

bool AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0) {
        if (ok_) {
            ok_ = false;
            error_ = "the file is not open";
        }
        return false;
    }
    if (!ok_) return false;
    if (buf_.size() + bytes.size() > kBlock && !flush()) return false;
    if (bytes.size() >= kBlock) return put(bytes.data(), bytes.size());
    buf_.insert(buf_.end(), bytes.begin(), bytes.end());
    return true;
}

bool AtomicFile::commit() {
    if (temp_.empty()) {
        if (ok_) error_ = "the file is not open";
        ok_ = false;
        return false;
    }
    if (fd_ >= 0) {
        flush();
        if (::fchmod(fd_, final_mode(target_)) != 0) fail("cannot set the permissions");
        if (::close(fd_) != 0) fail("write failed");
        fd_ = -1;
    } else if (ok_ && ::chmod(temp_.c_str(), final_mode(target_)) != 0) {
        fail("cannot set the permissions");
    }
    if (ok_ && std::rename(temp_.c_str(), target_.c_str()) != 0) fail("cannot replace the file");
    if (!ok_) {
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) std::remove(temp_.c_str());
    temp_.clear();
    buf_.clear();
}

bool write_file_atomically(const std::string& target,
                           const std::function<bool(const std::string& temp_path)>& write_to,
                           std::string* error) {
    AtomicFile file(target);
    bool ok = file.open();
    if (ok) {
        // The writer opens the file by name; our own handle is not needed for that.
        ok = write_to(file.temp_path()) && file.commit();
        if (!ok && file.error().empty() && error) *error = "the file could not be written";
    }
    if (!ok && error && !file.error().empty()) *error = file.error();
    return ok;
}
