#include "data/text_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include "tests/support/temp_folder.h"

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

namespace {

// Lines of every length from 0 to 99, some ending in "\r\n", min_bytes or more in all.
std::string lines_of_every_length(size_t min_bytes) {
    std::string text;
    for (size_t i = 0; text.size() < min_bytes; ++i) {
        text.append(i % 100, static_cast<char>('a' + i % 26));
        text += i % 7 == 0 ? "\r\n" : "\n";
    }
    return text;
}

}  // namespace

TEST(ReadTextFile, TextsOverManyReadBlocksEmptyAndWithoutAFinalLineEnd) {
    test_support::TempFolder dir;
    TextBuffer buffer;
    // Over two of the reader's 4 MiB blocks, the last line without a line end.
    const std::string big = lines_of_every_length(size_t{9} << 20) + "last,1,2";
    ASSERT_EQ(read_text_file(dir.write("big.traj", big), buffer, nullptr), ReadTextStatus::Ok);
    ASSERT_EQ(buffer.view().size(), big.size());
    EXPECT_TRUE(buffer.view() == big);
    BufferLines lines(buffer.view());
    std::string_view line, last;
    size_t length = 0, count = 0;
    while (lines.next(line, length)) {
        last = line;
        ++count;
    }
    EXPECT_EQ(last, "last,1,2");
    EXPECT_EQ(length, last.size());
    EXPECT_EQ(count, static_cast<size_t>(std::count(big.begin(), big.end(), '\n')) + 1);

    ASSERT_EQ(read_text_file(dir.write("empty.traj", ""), buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_TRUE(buffer.view().empty());
    ASSERT_EQ(read_text_file(dir.write("one.traj", "x"), buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_EQ(buffer.view(), "x");
}

TEST(ReadTextFile, TheTextStaysTheFileAsItWasRead) {
    // Another program appends to the file or shortens it while the text is used:
    // the text keeps its bytes (where the file is mapped, the system refuses to
    // shorten it until the text goes).
    test_support::TempFolder dir;
    const std::string text = lines_of_every_length(size_t{1} << 20);
    const std::string path = dir.write("grows.traj", text);
    TextBuffer buffer;
    ASSERT_EQ(read_text_file(path, buffer, nullptr), ReadTextStatus::Ok);
    std::ofstream(path, std::ios::binary | std::ios::app) << "tno=99\n";
    std::error_code ec;
    std::filesystem::resize_file(path, 10, ec);
    ASSERT_EQ(buffer.view().size(), text.size());
    EXPECT_TRUE(buffer.view() == text);

    // Once the text is gone the file is the writer's again.
    buffer = TextBuffer{};
    std::filesystem::resize_file(path, 10, ec);
    EXPECT_FALSE(ec) << ec.message();
    ASSERT_EQ(read_text_file(path, buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_EQ(buffer.view(), text.substr(0, 10));
}

TEST(FileView, MapsRegularFilesOnWindowsOnly) {
    test_support::TempFolder dir;
    const std::string text = "tno=1\n1000,1,2\n";
    const std::string path = dir.write("view.traj", text);
    os_files::FileView view;
#if defined(_WIN32)
    ASSERT_TRUE(view.open(path));
    EXPECT_EQ(std::string_view(view.data(), view.size()), text);
    // A view moves with its bytes; the one moved from holds none.
    os_files::FileView moved = std::move(view);
    EXPECT_EQ(view.data(), nullptr);
    EXPECT_EQ(std::string_view(moved.data(), moved.size()), text);
#else
    // Reading into huge pages is as fast here.
    EXPECT_FALSE(view.open(path));
#endif
    // What is not mapped anywhere: the caller reads these itself, and says what fails.
    EXPECT_FALSE(view.open(dir.write("empty.traj", "")));
    EXPECT_EQ(view.data(), nullptr);
    EXPECT_FALSE(view.open(dir.path()));
    EXPECT_FALSE(view.open(dir.file("missing.traj")));
    EXPECT_EQ(view.size(), 0u);
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
