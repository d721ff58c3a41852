#include "data/text_input.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include "tests/support/temp_folder.h"

namespace {}  // namespace

TEST(ReadTextFile, ReadsWholeFileAndReportsFailures) {
    std::string text(300000, 'x');
    text += "\nend";
    test_support::TempFolder dir;
    TextBuffer buffer;
    ASSERT_EQ(read_text_file(dir.write("whole.txt", text), buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_EQ(buffer.view(), text);

    EXPECT_EQ(read_text_file(dir.file("missing/none"), buffer, nullptr),
              ReadTextStatus::OpenFailed);
    EXPECT_TRUE(buffer.view().empty());
    EXPECT_EQ(read_text_file(dir.path(), buffer, nullptr), ReadTextStatus::ReadFailed);
}

TEST(ReadTextFile, NamesWithCharactersBeyondAsciiAndCrlfText) {
    test_support::TempFolder dir;
    const std::string path = dir.path() + u8"/Kreuzung M\u00fcnchen \u65e5\u672c.traj";
    const std::string text = "tno=1\r\n1000,1,2\r\n";
    std::ofstream(std::filesystem::u8path(path), std::ios::binary) << text;
    TextBuffer buffer;
    ASSERT_EQ(read_text_file(path, buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_EQ(buffer.view(), text);  // the bytes as they are, "\r\n" included
}

TEST(BufferLines, SplitsAtLineEnds) {
    struct Line {
        std::string text;
        size_t length;
    };
    BufferLines lines("a,b\r\n\nlong\r\r\nlast\r");
    std::vector<Line> got;
    std::string_view line;
    size_t length;
    while (lines.next(line, length)) got.push_back({std::string(line), length});
    // "\r\n" ends a line like "\n"; a lone '\r' is text.
    std::vector<std::pair<std::string, size_t>> want = {
        {"a,b", 4}, {"", 1}, {"long\r", 6}, {"last\r", 5}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].text, want[i].first) << i;
        EXPECT_EQ(got[i].length, want[i].second) << i;
    }
}
