// The atomic writer's behaviour that only POSIX systems have: permissions carried
// over and set from the umask, a folder the kernel refuses (/proc), and a write
// stopped by the file-size limit (setrlimit). Linux build only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/atomic_file.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

mode_t permissions(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(AtomicFile, ReplacesTheTargetOnlyWhenCommitted) {
    test_support::TempFolder dir;
    const std::string target = dir.write("out.txt", "old contents\n");
    ::chmod(target.c_str(), 0640);
    // More than one buffered block, in pieces and in one large write.
    const std::string piece(1000, 'x');
    const std::string big((size_t{3} << 20) + 17, 'y');
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        for (int i = 0; i < 1500; ++i) ASSERT_TRUE(file.write(piece));
        ASSERT_TRUE(file.write(big));
        EXPECT_EQ(dir.read("out.txt"), "old contents\n");  // nothing shows before the commit
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(dir.read("out.txt").size(), 1500 * piece.size() + big.size());
    EXPECT_EQ(permissions(target), 0640u);  // a replaced file keeps its permissions
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"out.txt"});

    // A new file gets the permissions a plain write gives, not the private ones of
    // the temporary file; one dropped without a commit leaves nothing behind.
    const mode_t old_mask = ::umask(022);
    AtomicFile fresh(dir.file("new.txt"));
    ASSERT_TRUE(fresh.open() && fresh.write("new\n") && fresh.commit());
    ::umask(old_mask);
    EXPECT_EQ(permissions(dir.file("new.txt")), 0644u);
    {
        AtomicFile dropped(dir.file("dropped.txt"));
        ASSERT_TRUE(dropped.open());
        dropped.write("never seen");
    }
    EXPECT_EQ(test_support::file_names(dir.path()),
              (std::vector<std::string>{"new.txt", "out.txt"}));
}

TEST(AtomicFile, AFolderThatCannotTakeTheFileFailsAtOpen) {
    test_support::TempFolder dir;
    for (const std::string& target : {dir.file("missing/out.txt"), std::string("/proc/out.txt")}) {
        AtomicFile file(target);
        EXPECT_FALSE(file.open()) << target;
        EXPECT_FALSE(file.error().empty());
        EXPECT_FALSE(file.write("x"));
        EXPECT_FALSE(file.commit());
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST(AtomicFile, AWriteFailingPartWayLeavesTheTargetAsItWas) {
    test_support::TempFolder dir;
    const std::string target = dir.write("out.txt", "old contents\n");
    // The file-size limit makes a write fail after 64 KiB, for root too.
    struct rlimit old_limit;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    struct rlimit limit = old_limit;
    limit.rlim_cur = 64 * 1024;
    void (*old_handler)(int) = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool committed = true;
    {
        AtomicFile file(target);
        const bool opened = file.open();
        const std::string block(size_t{2} << 20, 'z');
        file.write(block);
        committed = opened && file.commit();
        EXPECT_FALSE(file.error().empty());
    }
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(committed);
    EXPECT_EQ(dir.read("out.txt"), "old contents\n");
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"out.txt"});
}

}  // namespace
