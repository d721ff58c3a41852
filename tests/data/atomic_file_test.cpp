#include "data/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, ADirectoryInTheWayIsLeftAlone) {
    test_support::TempFolder dir;
    fs::create_directory(dir.file("out"));
    dir.write("out/inside.txt", "kept");
    AtomicFile file(dir.file("out"));
    ASSERT_TRUE(file.open());
    file.write("text");
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(fs::is_directory(dir.file("out")));
    EXPECT_EQ(dir.read("out/inside.txt"), "kept");
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"out"});
}

TEST(WriteFileAtomically, CommitsOnlyWhatTheWriterFinished) {
    test_support::TempFolder dir;
    const std::string target = dir.write("picture.png", "old picture");
    auto write_text = [](const std::string& text) {
        return [text](const std::string& temp) {
            std::ofstream(temp, std::ios::binary) << text;
            return true;
        };
    };
    std::string error;
    EXPECT_TRUE(write_file_atomically(target, write_text("new picture"), &error));
    EXPECT_EQ(dir.read("picture.png"), "new picture");

    // A writer that reports failure after writing half its file.
    auto half_then_fail = [](const std::string& temp) {
        std::ofstream(temp, std::ios::binary) << "half";
        return false;
    };
    EXPECT_FALSE(write_file_atomically(target, half_then_fail, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir.read("picture.png"), "new picture");
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"picture.png"});
}

// The commit renames over a file that is there: on Windows the C runtime's rename
// refuses that, so this is where the two systems could differ.
TEST(AtomicFile, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    test_support::TempFolder dir;
    const std::string target = dir.write("out.txt", "old contents\n");
    const std::string big((size_t{3} << 20) + 17, 'y');  // more than one buffered block
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("line\r\n"));
        ASSERT_TRUE(file.write(big));
        EXPECT_EQ(dir.read("out.txt"), "old contents\n");
        ASSERT_TRUE(file.commit()) << file.error();
    }
    const std::string written = dir.read("out.txt");
    ASSERT_EQ(written.size(), 6 + big.size());
    EXPECT_EQ(written.substr(0, 6), "line\r\n");  // bytes as given: no line-end translation
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"out.txt"});

    AtomicFile missing_folder(dir.file("missing/out.txt"));
    EXPECT_FALSE(missing_folder.open());
    EXPECT_FALSE(missing_folder.error().empty());
    EXPECT_FALSE(missing_folder.commit());
}

TEST(AtomicFile, NamesWithCharactersBeyondAscii) {
    test_support::TempFolder dir;
    const std::string folder = dir.path() + u8"/Messfahrt \u00e4\u00f6\u00fc \u65e5\u672c";
    fs::create_directory(fs::u8path(folder));
    const std::string target = folder + u8"/Stra\u00dfe.traj";
    for (const char* text : {"first\n", "second\n"}) {
        AtomicFile file(target);
        ASSERT_TRUE(file.open()) << file.error();
        file.write(text);
        ASSERT_TRUE(file.commit()) << file.error();
        std::ifstream in(fs::u8path(target), std::ios::binary);
        std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(got, text);
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(fs::u8path(folder)))
        names.push_back(e.path().filename().u8string());
    EXPECT_EQ(names, std::vector<std::string>{u8"Stra\u00dfe.traj"});
}

}  // namespace
