#include "data/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"

TEST(FindNewline, FindsWhatMemchrFindsWithinTheRangeOnly) {
    // Line ends at the edges of the 16-byte steps and between them, for every start
    // and end of the range: a '\n' just outside the range is never found.
    std::string text(100, 'x');
    for (size_t at : {0u, 15u, 16u, 17u, 31u, 47u, 48u, 63u, 80u, 99u}) text[at] = '\n';
    const char* base = text.data();
    for (size_t begin = 0; begin <= text.size(); ++begin) {
        for (size_t end = begin; end <= text.size(); ++end) {
            const void* want = std::memchr(base + begin, '\n', end - begin);
            ASSERT_EQ(find_newline(base + begin, base + end), want) << begin << ".." << end;
        }
    }
    const std::string none(70, '\r');
    EXPECT_EQ(find_newline(none.data(), none.data() + none.size()), nullptr);
    // Any byte, as the CSV reader splits fields: the first comma, not a line end.
    const std::string row = "12,345,6789012345678901,x\n";
    const char* r = row.data();
    EXPECT_EQ(find_byte(r, r + row.size(), ','), r + 2);
    EXPECT_EQ(find_byte(r + 7, r + row.size(), ','), r + 23);
    EXPECT_EQ(find_byte(r + 24, r + row.size(), ','), nullptr);
}

namespace {

// What a reader hands out, with next (one line a call) or next_lines (whole lines
// up to the block read so far), and how it stopped.
struct Reading {
    std::vector<std::string> pieces;
    bool failed = false, too_long = false;
    size_t consumed = 0;
};

Reading read_with(LineReader& reader, bool by_lines) {
    Reading r;
    std::string_view piece;
    while (by_lines ? reader.next_lines(piece) : reader.next(piece)) r.pieces.emplace_back(piece);
    r.failed = reader.failed();
    r.too_long = reader.line_too_long();
    r.consumed = reader.consumed();
    return r;
}

Reading read_file(const std::string& path, size_t block, bool by_lines,
                  size_t max_line = kMaxLineLength) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr);
    if (!f) return {};
    LineReader reader(f, block, max_line);
    Reading r = read_with(reader, by_lines);
    std::fclose(f);
    return r;
}

std::vector<std::string> read_all(const std::string& path, size_t block, bool by_lines) {
    Reading r = read_file(path, block, by_lines);
    EXPECT_FALSE(r.failed);
    return r.pieces;
}

std::string joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const std::string& p : pieces) all += p;
    return all;
}

}  // namespace

TEST(LineReader, LinesOverBlockEdgesAndALastLineWithoutLineEnd) {
    test_support::TempFolder dir;
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 300; ++i) {
        lines.push_back(std::string(static_cast<size_t>(i * 7 % 90), 'a') + "," +
                        std::to_string(i) + "\n");
        text += lines.back();
    }
    lines.push_back("1000,2,3");  // no line end
    text += lines.back();
    const std::string path = dir.write("lines.traj", text);
    for (size_t block : {size_t{16}, size_t{100}, size_t{4096}, size_t{1} << 20}) {
        EXPECT_EQ(read_all(path, block, false), lines) << block;
        std::string joined;
        for (const std::string& piece : read_all(path, block, true)) {
            EXPECT_TRUE(piece.back() == '\n' || piece == "1000,2,3") << block;
            joined += piece;
        }
        EXPECT_EQ(joined, text) << block;
    }
    EXPECT_TRUE(read_all(dir.write("empty.traj", ""), 64, false).empty());
    EXPECT_TRUE(read_all(dir.write("empty.traj", ""), 64, true).empty());
}

TEST(LineReader, ATextInMemoryReadsAsTheSameBytesFromAFile) {
    // The cutter reads a mapped file from memory: the same lines and the same stop
    // at a line over the limit (here 40 bytes) as the file reader, for blocks
    // smaller than a line, and up to the limit and one byte more.
    constexpr size_t kMax = 40;
    const std::string l39 = std::string(38, '5') + "\n", l41 = std::string(40, '6') + "\n";
    const std::string l42 = std::string(41, '7') + "\n";
    const std::string texts[] = {
        "1,2\n" + l39 + "3,4\n" + l41 + "5",  // up to the limit + 1 with its line end
        "1,2\n" + l42 + "3,4\n",              // one byte over: too long
        "1,2\n" + std::string(40, '8'),       // a last line of the limit without its end
        "1,2\n" + std::string(41, '8'),       // one byte more: too long
        "1,2\n\n\n" + std::string(100, '9'),  // far over, at the end
        "",
    };
    test_support::TempFolder dir;
    for (const std::string& text : texts) {
        const std::string path = dir.write("text.traj", text);
        for (size_t block : {size_t{4}, size_t{16}, size_t{40}, kMax + 1}) {
            for (bool by_lines : {false, true}) {
                const Reading want = read_file(path, block, by_lines, kMax);
                LineReader memory(std::string_view(text), block, kMax);
                const Reading got = read_with(memory, by_lines);
                const std::string where = text.substr(0, 12) + " block " + std::to_string(block);
                if (!by_lines) {
                    EXPECT_EQ(got.pieces, want.pieces) << where;
                }
                EXPECT_EQ(joined(got.pieces), joined(want.pieces)) << where;
                EXPECT_EQ(got.too_long, want.too_long) << where;
                EXPECT_EQ(got.failed, want.failed) << where;
                EXPECT_EQ(got.consumed, want.consumed) << where;
                for (const std::string& piece : got.pieces) {
                    EXPECT_TRUE(piece.back() == '\n' || &piece == &got.pieces.back()) << where;
                }
            }
        }
    }
}
