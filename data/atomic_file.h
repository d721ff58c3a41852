// Writing a file so that nobody ever finds it half written: the bytes go to a
// temporary file in the target's folder, every write is checked, and only a
// complete file is renamed over the target. On any failure the temporary file is
// removed and the target is left exactly as it was (or absent).
//
// The file gets the permissions a plain write would give it: those of the file it
// replaces, or, for a new file, 0666 less the process's umask (the temporary file
// itself starts private).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class AtomicFile {
  public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();  // discards an uncommitted file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside the target. False, with error() set, when
    // it cannot be created (missing or unwritable folder).
    bool open();
    // Appends bytes, buffered in large blocks. Returns false once any write has
    // failed (or before open); the failure is kept and commit() then fails.
    bool write(std::string_view bytes);
    // Writes what is buffered, closes the file, gives it its permissions and
    // renames it over the target. Returns true when all of that succeeded; on
    // false the temporary file is gone, the target untouched and error() says why.
    bool commit();
    // Drops the temporary file, if any; the target stays as it was.
    void discard();
    // Closes our own handle on the temporary file (it stays, for commit), so that a
    // writer can open it by name: Windows lets no second writer open a file that
    // is open for writing. Later write() calls fail. False when a write failed.
    bool close_handle();

    bool is_open() const { return fd_ >= 0; }
    const std::string& target() const { return target_; }
    const std::string& temp_path() const { return temp_; }
    // Why the last step failed ("" when nothing failed).
    const std::string& error() const { return error_; }

  private:
    bool flush();
    bool put(const char* data, size_t size);
    void fail(const char* what);

    std::string target_;
    std::string temp_;
    std::string error_;
    int fd_ = -1;
    bool ok_ = true;
    std::vector<char> buf_;
};

// For writers that can only write a whole file by name (a picture encoder):
// creates the temporary file, calls write_to with its path, and commits it when
// write_to returns true. Returns false (error set when given) when any step or
// write_to failed; the target is then untouched and no temporary file stays.
bool write_file_atomically(const std::string& target,
                           const std::function<bool(const std::string& temp_path)>& write_to,
                           std::string* error = nullptr);
