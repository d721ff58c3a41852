#include "data/line_reader.h"

#include <algorithm>
#include <cstring>

LineReader::LineReader(std::FILE* file, size_t block_size, size_t max_line)
    : file_(file), block_(block_size), buf_(block_size), max_line_(max_line) {}

LineReader::LineReader(std::string_view text, size_t block_size, size_t max_line)
    : text_(text), block_(block_size), max_line_(max_line) {}

bool LineReader::take_from_text(std::string_view& out, bool whole_lines) {
    const size_t left = text_.size() - pos_;
    if (left == 0 || too_long_) return false;
    const char* const p = text_.data() + pos_;
    size_t length = 0;
    if (whole_lines) {
        const size_t last = std::string_view(p, std::min(left, block_)).rfind('\n');
        if (last != std::string_view::npos) length = last + 1;
    }
    if (length == 0) {
        // One line, longer than a block or asked for alone. The file reader's buffer
        // grows to one byte more than the longest line: a line without its end in
        // that many bytes is too long, as is a last line of that many bytes.
        const char* const nl = find_newline(p, p + std::min(left, max_line_ + 1));
        if (nl) {
            length = static_cast<size_t>(nl - p) + 1;
        } else if (left > max_line_) {
            too_long_ = failed_ = true;
            return false;
        } else {
            length = left;
        }
    }
    out = std::string_view(p, length);
    pos_ += length;
    consumed_ += length;
    return true;
}

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
    if (!file_) return take_from_text(line, false);
    return take(line, [](std::string_view fresh) {
        const char* nl = find_newline(fresh.data(), fresh.data() + fresh.size());
        return nl ? static_cast<size_t>(nl - fresh.data()) : std::string_view::npos;
    });
}

bool LineReader::next_lines(std::string_view& lines) {
    if (!file_) return take_from_text(lines, true);
    // Only the bytes after the last '\n' found can still hold the end of the next line.
    return take(lines, [](std::string_view fresh) { return fresh.rfind('\n'); });
}
