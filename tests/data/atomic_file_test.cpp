#include "data/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
    EXPECT_FALSE(file.open());  // refused as a plain write refuses it
    EXPECT_NE(file.error().find("Is a directory"), std::string::npos) << file.error();
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

// Clears the injected faults when a test ends, however it ends.
struct FaultScope {
    explicit FaultScope(const WriteFaults& faults) { set_write_faults(faults); }
    ~FaultScope() { set_write_faults({}); }
};

TEST(AtomicFile, AFullDiskFailsTheCommitAndKeepsTheOldFile) {
    test_support::TempFolder dir;
    const std::string target = dir.write("out.txt", "old contents\n");
    // Free space runs out in the middle of the buffered last block, the write only
    // the commit makes; and a disk full before the first byte.
    for (const long long free_bytes : {100LL, 0LL}) {
        FaultScope faults({free_bytes, 0});
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        EXPECT_TRUE(file.write(std::string(4096, 'x')));
        EXPECT_FALSE(file.commit());
        EXPECT_NE(file.error().find("No space left on device"), std::string::npos) << file.error();
        EXPECT_EQ(dir.read("out.txt"), "old contents\n");
        EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"out.txt"});
    }
    std::string error;
    {
        FaultScope faults({10, 0});
        EXPECT_FALSE(write_bytes_atomically(target, std::string(64, 'p'), &error));
    }
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(dir.read("out.txt"), "old contents\n");
}

TEST(AtomicFileSet, ASetFailingAtItsThirdFileChangesNoFile) {
    test_support::TempFolder dir;
    const std::vector<std::string> names = {"run.txt", "run0.nav", "run1.nav", "run2.nav"};
    for (const std::string& name : names) dir.write(name, "old " + name);
    {
        FaultScope faults({-1, 3});
        AtomicFileSet set;
        for (const std::string& name : names) set.add(dir.file(name)).write("new " + name);
        EXPECT_FALSE(set.commit());
        EXPECT_EQ(set.failed_target(), dir.file("run1.nav"));
        EXPECT_NE(set.error().find("No space left on device"), std::string::npos);
    }
    for (const std::string& name : names) EXPECT_EQ(dir.read(name), "old " + name);
    EXPECT_EQ(test_support::file_names(dir.path()),
              (std::vector<std::string>{"run.txt", "run0.nav", "run1.nav", "run2.nav"}));

    // Without a fault every file is replaced, and no temporary file stays.
    AtomicFileSet set;
    for (const std::string& name : names) set.add(dir.file(name)).write("new " + name);
    EXPECT_TRUE(set.commit()) << set.error();
    for (const std::string& name : names) EXPECT_EQ(dir.read(name), "new " + name);
    EXPECT_EQ(test_support::file_names(dir.path()).size(), names.size());
}

TEST(AtomicFile, RemovesOurOwnStaleTemporaryFilesOnly) {
    test_support::TempFolder dir;
    const std::string stale = dir.write(".out.txt.scene-part-a1b2c3", "left by a killed run");
    const std::string fresh = dir.write(".other.txt.scene-part-d4e5f6", "being written now");
    const std::string foreign = dir.write(".out.txt.a1b2c3", "not ours");
    const auto two_days_ago = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(stale, two_days_ago);
    fs::last_write_time(foreign, two_days_ago);
    AtomicFile file(dir.file("new.txt"));
    ASSERT_TRUE(file.open() && file.write("x") && file.commit()) << file.error();
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(foreign));
}

}  // namespace
