// The few file operations that differ between operating systems, for the file
// helpers only (text_input, atomic_file, the cutter). One implementation file per system is
// chosen by CMake: os_files_posix.cpp or os_files_win32.cpp. Paths are UTF-8
// everywhere; the Windows side hands the system wide paths, so names with
// non-ASCII characters work there too.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

namespace os_files {

// fopen by a UTF-8 path; mode as for fopen (always use binary modes).
std::FILE* open_file(const std::string& path, const char* mode);

// Size of the regular file behind f, or -1 when it cannot be known in advance
// (a pipe, a directory: reading tells what it is).
long long regular_file_size(std::FILE* f);

// A read-only view of a whole file mapped into memory: its bytes come from the
// disk as they are first touched, with no copy and no buffer of the program's own.
// Only where that is worth it and safe: on Windows a regular, non-empty file on a
// fixed local drive (the system refuses to shorten a file while a view of it is
// open; others may still append to it, which the view does not show). For any
// other file, and on POSIX systems, where reading into huge pages is as fast,
// open returns false and the caller reads the file itself.
class FileView {
  public:
    FileView() = default;
    FileView(FileView&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    FileView& operator=(FileView&& other) noexcept {
        if (this != &other) {
            close();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    ~FileView() { close(); }

    // Maps the file at path (UTF-8) in place of what was open; false, with
    // nothing open, when it is not mapped (see above; a missing file included).
    bool open(const std::string& path);
    void close();
    // The file's bytes as they were when it was opened; nullptr when none is open.
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Characters that end a folder part of a path ("/", or "/" and "\" on Windows).
extern const char* const kPathSeparators;

// The marker in the names of our temporary files, "<folder>/.<name>.scene-part-<random>":
// nothing else names files so, which lets a later write remove the ones an ended
// process left behind.
extern const char* const kTempMarker;
// Creates a new file that nobody else has opened, named as above (folder "" means
// the current one), for writing only. Returns its descriptor and sets path, or -1
// with errno set.
int create_temp_file(const std::string& folder, const std::string& name, std::string& path);
// write(2) on such a descriptor: bytes written, or -1 with errno set.
long long write_some(int fd, const char* data, std::size_t size);
// Closes it; 0 or -1 with errno set.
int close_file(int fd);
// Gives the finished temporary file (still open as fd, or closed when fd < 0) the
// permissions a plain write of target would give: those of the file it replaces,
// else those of a new file. False with errno set on failure.
bool set_final_permissions(int fd, const std::string& temp, const std::string& target);
// Renames temp over target, replacing a file that is there (never a folder).
// False with errno set on failure.
bool replace_file(const std::string& temp, const std::string& target);
// Removes a file; failures are ignored.
void remove_file(const std::string& path);

// The file a write to path reaches: path itself, or, when path is a symbolic link
// (or a chain of them), the file the last link names (which need not exist yet).
std::string follow_links(const std::string& path);
// False with errno set when a plain write would refuse path (a folder, or an existing
// file the user may not write); true when it would be allowed or path does not exist.
bool may_write(const std::string& path);
// Removes our temporary files in folder ("" the current one) that are older than
// max_age_seconds and belong to this user; failures are ignored.
void remove_stale_temps(const std::string& folder, long long max_age_seconds);

// Temporary files to remove when the process is ended by SIGINT, SIGTERM or SIGHUP
// (a handler that only removes them and lets the signal end the process; it is
// installed with the first file and leaves signals alone that the program already
// handles or ignores). Where there are no such signals these do nothing.
void track_temp(const std::string& path);
void untrack_temp(const std::string& path);

}  // namespace os_files
