// Reading a text file line by line, lines of any length, in large blocks.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

class LineReader {
  public:
    // Reads from file, which stays owned by the caller.
    explicit LineReader(std::FILE* file, size_t block_size = size_t{1} << 20);
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
    // Bytes handed out as lines so far.
    size_t consumed() const { return consumed_; }

  private:
    bool refill();
    // Hands out the bytes up to the '\n' that last_newline picks among the bytes not
    // yet scanned (its offset in them, or npos for none), reading further until it
    // picks one or the file ends.
    template <typename LastNewline>
    bool take(std::string_view& out, LastNewline last_newline);

    std::FILE* file_;
    std::vector<char> buf_;
    size_t begin_ = 0;  // first byte not yet handed out
    size_t end_ = 0;    // one past the last byte read
    size_t consumed_ = 0;
    bool eof_ = false;
    bool failed_ = false;
};
