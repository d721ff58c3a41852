// Whole-file text input shared by the scene loaders: the file is read into one
// buffer and every pass of a loader runs over that buffer; lines of any length up
// to kMaxLineLength (data/line_reader.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "data/large_array.h"
#include "data/line_reader.h"
#include "data/os_files.h"

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

// The bytes of one file, owned: read into memory, or the file mapped where the
// system does that well (os_files::FileView).
struct TextBuffer {
    LargeArray<char> data;      // at least size bytes, when read
    os_files::FileView mapped;  // the file itself, when mapped
    size_t size = 0;            // bytes of text
    std::string_view view() const { return {mapped.data() ? mapped.data() : data.data(), size}; }
};

// Where and why a loader refused a text: the line (from 1) and what is wrong with it
// ("frame out of range", "longer than 64 MiB").
// Line 0: a fault of the whole text ("no data line", "too many lines").
struct TextFault {
    uint64_t line = 0;
    std::string what;
};

// The line a load's message adds under the design's text: the file, the line and the
// fault ("run.nav: line 7: time out of range"), or the file and the fault for line 0
// ("run.txt: no sample line").
std::string fault_detail(const std::string& path, const TextFault& fault);

// What a loader says of a line longer than kMaxLineLength.
inline constexpr const char* kLineTooLong = "longer than 64 MiB";
// What a loader says of more data lines than its 32-bit count holds.
inline constexpr const char* kTooManyLines = "too many lines";

// The integer field token as parse_int reads it; false, with fault set to line and
// "<field> out of range", when it lies outside the 32-bit range.
bool read_int_field(std::string_view token, uint64_t line, const char* field, int32_t& value,
                    TextFault& fault);

enum class ReadTextStatus {
    Ok,
    OpenFailed,   // the file cannot be opened (missing, no permission)
    ReadFailed,   // opened, but reading stopped with an error (a directory, an I/O error)
    OutOfMemory,  // no memory for the file's bytes
};

// Reads the whole file at path into out (replacing its contents), or maps it
// where FileView does. Sets the meter's total to twice the file size and reports
// the bytes read so far; meter may be null. On failure out is empty.
ReadTextStatus read_text_file(const std::string& path, TextBuffer& out, ProgressMeter* meter);

// Where a line starting at p (before end) ends: content_end is the end of its
// text, before "\n" or "\r\n" (a '\r' right before the '\n' belongs to the
// line end, as when the file is read in text mode); next is where the following
// line starts. The last line may lack a line end.
inline void find_line(const char* p, const char* end, const char*& content_end, const char*& next) {
    const char* nl = find_newline(p, end);
    if (!nl) {
        content_end = end;
        next = end;
        return;
    }
    next = nl + 1;
    content_end = (nl > p && nl[-1] == '\r') ? nl - 1 : nl;
}

// Walks text line by line with find_line.
class BufferLines {
  public:
    explicit BufferLines(std::string_view text) : text_(text) {}
    // Sets line to the next line without its line end and returns true, or
    // returns false at the end of the text. length is the line's length counting
    // its line end, if any, as one character.
    bool next(std::string_view& line, size_t& length) {
        if (pos_ >= text_.size()) return false;
        const char* begin = text_.data() + pos_;
        const char* end = text_.data() + text_.size();
        const char *content_end, *next;
        find_line(begin, end, content_end, next);
        line = std::string_view(begin, static_cast<size_t>(content_end - begin));
        length = line.size() + (next > content_end ? 1 : 0);
        pos_ = static_cast<size_t>(next - text_.data());
        return true;
    }
    // Offset of the next line in the text.
    size_t offset() const { return pos_; }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};
