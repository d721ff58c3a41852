// Reading a text file line by line in large blocks, lines of any length up to
// kMaxLineLength (a longer one stops reading: memory stays bounded whatever the
// input, /dev/zero included).
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The longest line the programs read, its line end included.
inline constexpr size_t kMaxLineLength = size_t{64} << 20;

// The first byte c in [p, end), or nullptr. It looks at 16 bytes at a time, with
// loads inside the range. The C library's memchr is as fast on Linux, but the
// Windows C runtime's goes byte by byte where the Windows build runs (Wine), at a
// third of this speed; and inline, short searches (a CSV field) cost no call.
inline const char* find_byte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    while (end - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned hits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (hits) return p + __builtin_ctz(hits);
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        if (*p == c) return p;
    }
    return nullptr;
}

// The first '\n' in [p, end), or nullptr: the line split of every reader.
inline const char* find_newline(const char* p, const char* end) {
    return find_byte(p, end, '\n');
}

class LineReader {
  public:
    // Reads from file, which stays owned by the caller.
    explicit LineReader(std::FILE* file, size_t block_size = size_t{1} << 20,
                        size_t max_line = kMaxLineLength);
    // Reads a text held whole in memory (a mapped file), which must outlive the
    // reader: the lines are views into it. The lines, the limit and where reading
    // stops are those of reading the same bytes from a file (for a block_size of at
    // most max_line + 1, as every reader uses); next_lines may group them otherwise.
    explicit LineReader(std::string_view text, size_t block_size = size_t{1} << 20,
                        size_t max_line = kMaxLineLength);
    // Sets line to the next line including its '\n' (the last line of a file may
    // lack one) and returns true; returns false at the end of the file. The view
    // stays valid until the next call.
    bool next(std::string_view& line);
    // Sets lines to all the whole lines that follow, as far as the block read so far
    // reaches: they end at its last '\n' (at least one line is there, read further
    // when needed), or at the end of the file for a last line without one. Returns
    // false at the end of the file. The view stays valid until the next call.
    bool next_lines(std::string_view& lines);
    // True when reading stopped on an error rather than the end of the file.
    bool failed() const { return failed_; }
    // True when reading stopped at a line longer than the limit (failed() is true too).
    bool line_too_long() const { return too_long_; }
    // Bytes handed out as lines so far.
    size_t consumed() const { return consumed_; }

  private:
    bool refill();
    // Hands out the bytes up to the '\n' that last_newline picks among the bytes not
    // yet scanned (its offset in them, or npos for none), reading further until it
    // picks one or the file ends.
    template <typename LastNewline>
    bool take(std::string_view& out, LastNewline last_newline);
    // take for a text in memory: one line, or with whole_lines all up to the last
    // '\n' of the next block.
    bool take_from_text(std::string_view& out, bool whole_lines);

    std::FILE* file_ = nullptr;
    std::string_view text_;  // without a file: the text, and pos_ the next byte in it
    size_t pos_ = 0;
    size_t block_;
    std::vector<char> buf_;
    size_t begin_ = 0;  // first byte not yet handed out
    size_t end_ = 0;    // one past the last byte read
    size_t consumed_ = 0;
    size_t max_line_;
    bool eof_ = false;
    bool failed_ = false;
    bool too_long_ = false;
};
