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
}

namespace {

// The file's text as the reader hands it out, with next (one line a call) or
// next_lines (whole lines up to the block read so far).
std::vector<std::string> read_all(const std::string& path, size_t block, bool by_lines) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr);
    std::vector<std::string> pieces;
    if (!f) return pieces;
    LineReader reader(f, block);
    std::string_view piece;
    while (by_lines ? reader.next_lines(piece) : reader.next(piece)) pieces.emplace_back(piece);
    EXPECT_FALSE(reader.failed());
    std::fclose(f);
    return pieces;
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
