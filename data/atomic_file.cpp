#include "data/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "data/os_files.h"

namespace {

constexpr size_t kBlock = size_t{1} << 20;
// Our temporary files older than this are left over from an ended process.
constexpr long long kStaleAge = 24 * 60 * 60;

WriteFaults g_faults;
int g_files_opened = 0;  // since the faults were set

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

// Removes stale temporary files once per folder and process: a program that writes
// thousands of pictures into one folder looks at it once.
void clean_folder_once(const std::string& folder) {
    static std::set<std::string> cleaned;
    if (cleaned.insert(folder).second) os_files::remove_stale_temps(folder, kStaleAge);
}

}  // namespace

void set_write_faults(const WriteFaults& faults) {
    g_faults = faults;
    g_files_opened = 0;
}

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
    finished_ = false;
    error_.clear();
    // A plain write goes through a link to the file it names, and is refused where
    // the user may not write that file.
    dest_ = os_files::follow_links(target_);
    if (!os_files::may_write(dest_)) {
        fail("cannot write the file");
        return false;
    }
    std::string folder, name;
    split_path(dest_, folder, name);
    clean_folder_once(folder);
    // Hidden, in the target's own folder, so the rename never crosses file systems.
    std::string temp;
    const int fd = os_files::create_temp_file(folder, name, temp);
    if (fd < 0) {
        fail("cannot create a file in the folder");
        return false;
    }
    os_files::track_temp(temp);
    fd_ = fd;
    temp_ = temp;
    buf_.reserve(kBlock);
    if (g_faults.failing_file > 0 && ++g_files_opened == g_faults.failing_file) {
        errno = ENOSPC;
        fail("write failed");
    }
    return true;
}

bool AtomicFile::put(const char* data, size_t size) {
    while (ok_ && size > 0) {
        size_t allowed = size;
        if (g_faults.free_bytes >= 0 && static_cast<unsigned long long>(g_faults.free_bytes) < size)
            allowed = static_cast<size_t>(g_faults.free_bytes);
        long long n = -1;
        if (allowed == 0) {
            errno = ENOSPC;  // as write(2) reports a full disk
        } else {
            n = os_files::write_some(fd_, data, allowed);
            if (n > 0 && g_faults.free_bytes >= 0) g_faults.free_bytes -= n;
        }
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

bool AtomicFile::finish() {
    if (finished_) return true;
    if (temp_.empty()) {
        if (ok_) error_ = "the file is not open";
        ok_ = false;
        return false;
    }
    if (fd_ >= 0) {
        flush();
        if (ok_ && !os_files::set_final_permissions(fd_, temp_, dest_))
            fail("cannot set the permissions");
        // Some file systems report a failed write only when the file is closed.
        if (os_files::close_file(fd_) != 0) fail("write failed");
        fd_ = -1;
        // A set may hold thousands of finished files: none keeps its buffer.
        std::vector<char>().swap(buf_);
    } else if (ok_ && !os_files::set_final_permissions(-1, temp_, dest_)) {
        fail("cannot set the permissions");
    }
    if (!ok_) {
        discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::publish() {
    if (!finished_ && !finish()) return false;
    if (!os_files::replace_file(temp_, dest_)) {
        fail("cannot replace the file");
        discard();
        return false;
    }
    os_files::untrack_temp(temp_);
    temp_.clear();
    finished_ = false;
    return true;
}

bool AtomicFile::commit() {
    return finish() && publish();
}

void AtomicFile::drop_temp() {
    if (temp_.empty()) return;
    os_files::remove_file(temp_);
    os_files::untrack_temp(temp_);
    temp_.clear();
}

void AtomicFile::discard() {
    if (fd_ >= 0) os_files::close_file(fd_);
    fd_ = -1;
    drop_temp();
    buf_.clear();
    finished_ = false;
}

bool AtomicFile::close_handle() {
    if (fd_ < 0) return ok_;
    flush();
    if (os_files::close_file(fd_) != 0) fail("write failed");
    fd_ = -1;
    return ok_;
}

AtomicFile& AtomicFileSet::add(const std::string& target) {
    files_.push_back(std::make_unique<AtomicFile>(target));
    files_.back()->open();
    return *files_.back();
}

bool AtomicFileSet::commit() {
    failed_.clear();
    error_.clear();
    // Every file complete and closed before any of them replaces its target.
    for (auto& f : files_) {
        if (!f->finish()) {
            failed_ = f->target();
            error_ = f->error();
            discard();
            return false;
        }
    }
    for (size_t i = 1; i <= files_.size(); ++i) {
        AtomicFile* f = files_[i % files_.size()].get();
        if (!f->publish()) {
            failed_ = f->target();
            error_ = f->error();
            discard();
            return false;
        }
    }
    files_.clear();
    return true;
}

void AtomicFileSet::discard() {
    for (auto& f : files_) f->discard();
    files_.clear();
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

bool write_bytes_atomically(const std::string& target, std::string_view bytes, std::string* error) {
    AtomicFile file(target);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error) *error = file.error();
    return ok;
}
