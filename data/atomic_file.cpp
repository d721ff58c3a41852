#include "data/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/os_files.h"

namespace {

constexpr size_t kBlock = size_t{1} << 20;

// The folder part of a path ("." when it has none) and its last component.
void split_path(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of(os_files::kPathSeparators);
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
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
    std::string temp;
    const int fd = os_files::create_temp_file(folder, name, temp);
    if (fd < 0) {
        fail("cannot create a file in the folder");
        return false;
    }
    fd_ = fd;
    temp_ = temp;
    buf_.reserve(kBlock);
    return true;
}

bool AtomicFile::put(const char* data, size_t size) {
    while (ok_ && size > 0) {
        const long long n = os_files::write_some(fd_, data, size);
        if (n < 0) {
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
        if (!os_files::set_final_permissions(fd_, temp_, target_))
            fail("cannot set the permissions");
        if (os_files::close_file(fd_) != 0) fail("write failed");
        fd_ = -1;
    } else if (ok_ && !os_files::set_final_permissions(-1, temp_, target_)) {
        fail("cannot set the permissions");
    }
    if (ok_ && !os_files::replace_file(temp_, target_)) fail("cannot replace the file");
    if (!ok_) {
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) os_files::close_file(fd_);
    fd_ = -1;
    if (!temp_.empty()) os_files::remove_file(temp_);
    temp_.clear();
    buf_.clear();
}

bool AtomicFile::close_handle() {
    if (fd_ < 0) return ok_;
    flush();
    if (os_files::close_file(fd_) != 0) fail("write failed");
    fd_ = -1;
    return ok_;
}

bool write_file_atomically(const std::string& target,
                           const std::function<bool(const std::string& temp_path)>& write_to,
                           std::string* error) {
    AtomicFile file(target);
    bool ok = file.open();
    if (ok) {
        // The writer opens the file by name; our own handle would be in its way.
        ok = file.close_handle() && write_to(file.temp_path()) && file.commit();
        if (!ok && file.error().empty() && error) *error = "the file could not be written";
    }
    if (!ok && error && !file.error().empty()) *error = file.error();
    return ok;
}
