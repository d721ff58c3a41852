#include "data/line_reader.h"

#include <algorithm>
#include <cstring>

LineReader::LineReader(std::FILE* file, size_t block_size, size_t max_line)
    : file_(file), buf_(block_size), max_line_(max_line) {}

bool LineReader::refill() {
    if (eof_) return false;
    // Keep the unfinished line at the front; grow only for a line longer than the block.
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buf_.size()) {
        // One line fills the buffer. It grows to hold one byte more than the longest
        // line, so a line that fills even that is too long: memory stays bounded.
        if (end_ > max_line_) {
            too_long_ = failed_ = true;
            return false;
        }
        buf_.resize(std::min(buf_.size() * 2, max_line_ + 1));
    }
    const size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_);
    if (got == 0) {
        eof_ = true;
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    end_ += got;
    return true;
}

template <typename LastNewline>
bool LineReader::take(std::string_view& out, LastNewline last_newline) {
    size_t scanned = begin_;
    for (;;) {
        const size_t nl = last_newline(std::string_view(buf_.data() + scanned, end_ - scanned));
        if (nl != std::string_view::npos) {
            const size_t stop = scanned + nl + 1;
            out = std::string_view(buf_.data() + begin_, stop - begin_);
            consumed_ += stop - begin_;
            begin_ = stop;
            return true;
        }
        const size_t pending = end_ - begin_;
        if (!refill()) {
            if (pending == 0 || too_long_) return false;
            out = std::string_view(buf_.data() + begin_, pending);
            consumed_ += pending;
            begin_ = end_;
            return true;
        }
        scanned = begin_ + pending;  // the old bytes hold no '\n'
    }
}

bool LineReader::next(std::string_view& line) {
    return take(line, [](std::string_view fresh) {
        const char* nl = find_newline(fresh.data(), fresh.data() + fresh.size());
        return nl ? static_cast<size_t>(nl - fresh.data()) : std::string_view::npos;
    });
}

bool LineReader::next_lines(std::string_view& lines) {
    // Only the bytes after the last '\n' found can still hold the end of the next line.
    return take(lines, [](std::string_view fresh) { return fresh.rfind('\n'); });
}
