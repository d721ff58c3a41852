// Writing a file so that nobody ever finds it half written: the bytes go to a
// temporary file in the target's folder, every write is checked, and only a
// complete file is renamed over the target. On any failure the temporary file is
// removed and the target is left exactly as it was (or absent).
//
// The file gets the permissions a plain write would give it: those of the file it
// replaces, or, for a new file, 0666 less the process's umask (the temporary file
// itself starts private). Like a plain write, it goes through a symbolic link (the
// file the link names is replaced, in that file's folder, and the link stays) and
// refuses a file the user may not write.
//
// Temporary files are named ".<name>.scene-part-XXXXXX"; they are removed when a
// signal (SIGINT, SIGTERM, SIGHUP) ends the process, and ones older than a day that
// an ended process left are removed at the next write into their folder.
#pragma once

#include <functional>
#include <memory>
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
    // The same as finish() and then publish().
    bool commit();
    // The first half of commit(): the complete file waits under its temporary name,
    // closed, with its permissions, holding no memory. On false it is gone (as for
    // commit()). A second call does nothing.
    bool finish();
    // The second half: renames the finished file over the target. On false the
    // temporary file is gone and the target untouched.
    bool publish();
    // Drops the temporary file, if any; the target stays as it was.
    void discard();
    // Closes our own handle on the temporary file (it stays, for commit), so that a
    // writer can open it by name: Windows lets no second writer open a file that
    // is open for writing. Later write() calls fail. False when a write failed.
    bool close_handle();

    bool is_open() const { return fd_ >= 0; }
    const std::string& target() const { return target_; }
    // The file the rename replaces: the target, or the file its link names.
    const std::string& destination() const { return dest_; }
    const std::string& temp_path() const { return temp_; }
    // Why the last step failed ("" when nothing failed).
    const std::string& error() const { return error_; }

  private:
    bool flush();
    bool put(const char* data, size_t size);
    void fail(const char* what);

    void drop_temp();

    std::string target_;
    std::string dest_;
    std::string temp_;
    std::string error_;
    int fd_ = -1;
    bool ok_ = true;
    bool finished_ = false;
    std::vector<char> buf_;
};

// Several files that belong together (a save of a set), replaced all or none:
// each is written to its temporary file; commit() finishes them all and renames
// them into place only when every one is complete: the first file added (the one
// that lists the others) last, the others in the order they were added. On failure
// every temporary file is removed and every target stays as it was.
class AtomicFileSet {
  public:
    // Adds a file and opens it; the reference stays valid for the set's life.
    // Check its open() result through is_open() / error().
    AtomicFile& add(const std::string& target);
    bool commit();
    void discard();
    // The file that failed ("" none) and why.
    const std::string& failed_target() const { return failed_; }
    const std::string& error() const { return error_; }

  private:
    std::vector<std::unique_ptr<AtomicFile>> files_;
    std::string failed_;
    std::string error_;
};

// Tests only: faults for the atomic files opened from now on, as a full or failing
// disk makes them, on every system. A failure sets errno to ENOSPC.
struct WriteFaults {
    long long free_bytes = -1;  // bytes the files may still write in all; -1: no limit
    int failing_file = 0;       // the n-th file opened from now (from 1) cannot write; 0: none
};
void set_write_faults(const WriteFaults& faults);

// For writers that can only write a whole file by name (a picture encoder):
// creates the temporary file, calls write_to with its path, and commits it when
// write_to returns true. Returns false (error set when given) when any step or
// write_to failed; the target is then untouched and no temporary file stays.
bool write_file_atomically(const std::string& target,
                           const std::function<bool(const std::string& temp_path)>& write_to,
                           std::string* error = nullptr);

// Writes bytes (a whole file made in memory) to target atomically. False, error set
// when given ("write failed: No space left on device"), when any step failed.
bool write_bytes_atomically(const std::string& target, std::string_view bytes,
                            std::string* error = nullptr);
