// Whole-file text input shared by the scene loaders: the file is read into one
// buffer and every pass of a loader runs over that buffer; lines of any length.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "data/large_array.h"

// Progress of a load: work done and total work, both in bytes. A loader reads the
// file (the first half of the total) and then parses it (the second half), so the
// total is twice the file size. Called a few times a second at most, never after
// the loader has returned.
using LoadProgress = std::function<void(uint64_t done, uint64_t total)>;

// Forwards progress to a LoadProgress at most every kProgressInterval.
class ProgressMeter {
  public:
    static constexpr std::chrono::milliseconds kProgressInterval{250};

    explicit ProgressMeter(LoadProgress callback) : callback_(std::move(callback)) {}
    void set_total(uint64_t total) { total_ = total; }
    uint64_t total() const { return total_; }
    // Reports done (clamped to the total) when the interval has passed since the
    // last report. Cheap enough to call every few hundred kilobytes.
    void update(uint64_t done);

  private:
    LoadProgress callback_;
    uint64_t total_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The bytes of one file, owned.
struct TextBuffer {
    LargeArray<char> data;  // at least size bytes
    size_t size = 0;        // bytes of text
    std::string_view view() const { return {data.data(), size}; }
};

enum class ReadTextStatus {
    Ok,
    OpenFailed,   // the file cannot be opened (missing, no permission)
    ReadFailed,   // opened, but reading stopped with an error (a directory, an I/O error)
    OutOfMemory,  // no memory for the file's bytes
};

// Reads the whole file at path into out (replacing its contents). Sets the
// meter's total to twice the file size and reports the bytes read so far; meter
// may be null. On failure out is empty.
ReadTextStatus read_text_file(const std::string& path, TextBuffer& out, ProgressMeter* meter);

// Walks text line by line. A line ends at '\n'; a '\r' right before that '\n'
// belongs to the line end, as when the file is read in text mode. The last line
// may lack a line end.
class BufferLines {
  public:
    explicit BufferLines(std::string_view text) : text_(text) {}
    // Sets line to the next line without its line end and returns true, or
    // returns false at the end of the text. length is the line's length counting
    // its line end, if any, as one character.
    bool next(std::string_view& line, size_t& length) {
        if (pos_ >= text_.size()) return false;
        const char* begin = text_.data() + pos_;
        size_t rest = text_.size() - pos_;
        const void* nl = std::memchr(begin, '\n', rest);
        if (!nl) {
            line = std::string_view(begin, rest);
            length = rest;
            pos_ = text_.size();
            return true;
        }
        size_t n = static_cast<size_t>(static_cast<const char*>(nl) - begin);
        pos_ += n + 1;
        size_t content = (n > 0 && begin[n - 1] == '\r') ? n - 1 : n;
        line = std::string_view(begin, content);
        length = content + 1;
        return true;
    }
    // Offset of the next line in the text.
    size_t offset() const { return pos_; }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};
