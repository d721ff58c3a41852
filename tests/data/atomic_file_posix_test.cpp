// The atomic writer's behaviour that only POSIX systems have: permissions carried
// over and set from the umask, a folder the kernel refuses (/proc), and a write
// stopped by the file-size limit (setrlimit). Linux build only.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(AtomicFile, WritesThroughASymbolicLinkAsAPlainWriteDoes) {
    test_support::TempFolder dir;
    fs::create_directory(dir.file("data"));
    const std::string real = dir.write("data/real.traj", "old\n");
    ::chmod(real.c_str(), 0640);
    // An absolute link, and a relative one reached through another link.
    fs::create_symlink(real, dir.file("abs.traj"));
    fs::create_symlink("data/real.traj", dir.file("rel.traj"));
    fs::create_symlink("rel.traj", dir.file("chain.traj"));
    for (const char* link : {"abs.traj", "chain.traj"}) {
        AtomicFile file(dir.file(link));
        ASSERT_TRUE(file.open() && file.write(std::string("via ") + link) && file.commit())
            << file.error();
        EXPECT_TRUE(fs::is_symlink(dir.file(link)));
        EXPECT_EQ(dir.read("data/real.traj"), std::string("via ") + link);
    }
    EXPECT_EQ(permissions(real), 0640u);
    // The temporary file went into the folder of the file the link names.
    EXPECT_EQ(test_support::file_names(dir.file("data")), std::vector<std::string>{"real.traj"});
    // A link to a file not yet there creates it, as a plain write would.
    fs::create_symlink("data/later.traj", dir.file("later.traj"));
    AtomicFile later(dir.file("later.traj"));
    ASSERT_TRUE(later.open() && later.write("made") && later.commit()) << later.error();
    EXPECT_EQ(dir.read("data/later.traj"), "made");
    EXPECT_TRUE(fs::is_symlink(dir.file("later.traj")));
}

TEST(AtomicFile, ARefusedTargetIsRefusedAsAPlainWriteRefusesIt) {
    test_support::TempFolder dir;
    const std::string target = dir.write("locked.txt", "old contents\n");
    ::chmod(target.c_str(), 0444);
    // Root may write a write-protected file, others may not: the writer must agree
    // with open(2), whoever runs the test.
    const int fd = ::open(target.c_str(), O_WRONLY);
    const bool plain_write_allowed = fd >= 0;
    if (fd >= 0) ::close(fd);
    AtomicFile file(target);
    const bool written = file.open() && file.write("new\n") && file.commit();
    EXPECT_EQ(written, plain_write_allowed) << file.error();
    EXPECT_EQ(dir.read("locked.txt"), written ? "new\n" : "old contents\n");
    if (!written) {
        EXPECT_NE(file.error().find("Permission denied"), std::string::npos);
    }
    EXPECT_EQ(permissions(target), 0444u);
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"locked.txt"});

    // Run as root, the refusal is seen by an ordinary user in a child process, in a
    // folder that user may write.
    if (::geteuid() != 0) return;
    ::chmod(dir.path().c_str(), 0777);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        AtomicFile refused(target);
        const bool done = refused.open() && refused.write("new\n") && refused.commit();
        ::_exit(done ? 0 : refused.error().find("Permission denied") != std::string::npos ? 1 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(dir.read("locked.txt"), "new\n");
    EXPECT_EQ(test_support::file_names(dir.path()), std::vector<std::string>{"locked.txt"});
}

}  // namespace
