// The cutter's behaviour that needs POSIX facilities: a signal during a cut, and a
// real full file system (a small tmpfs; the test skips when it cannot mount one).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/traj_cut.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

bool has_temporary_file(const std::string& folder) {
    for (const std::string& name : test_support::file_names(folder))
        if (name.find(".scene-part-") != std::string::npos) return true;
    return false;
}

const char kSample[] = "1000,1,3,4,5,6,7,8,9,10,11,12,13\n";

// A cut reading from a pipe that never ends is stopped by each catchable signal that
// ends a program: its temporary output goes with it, the old output stays.
TEST(TrimletSignals, ASignalDuringACutLeavesNoTemporaryFile) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        test_support::TempFolder dir;
        const std::string fifo = dir.file("in.traj"), out = dir.file("out.traj");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        dir.write("out.traj", "old\n");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::FILE* quiet = std::fopen("/dev/null", "w");
            ::_exit(cut_traj_window(fifo, out, CutWindow{}, quiet ? quiet : stderr) ? 0 : 3);
        }
        const int writer = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(writer, 0);
        std::string text = "tno=1\n";
        for (int i = 0; i < 20000; ++i) text += kSample;
        ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        // The cut has its temporary file once it has taken the first sample.
        while (!has_temporary_file(dir.path())) ::usleep(1000);
        ::kill(child, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(writer);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_FALSE(has_temporary_file(dir.path())) << sig;
        EXPECT_EQ(dir.read("out.traj"), "old\n");
    }
}

// Mounts a tmpfs of the size on a folder for the life of the object.
class SmallDisk {
  public:
    SmallDisk(const std::string& folder, const char* size) : folder_(folder) {
        const std::string options = std::string("size=") + size;
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount(folder_.c_str());
    }
    bool mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

TEST(TrimletFullDisk, ACutThatDoesNotFitSaysSoAndKeepsTheOldOutput) {
    test_support::TempFolder dir;
    fs::create_directory(dir.file("small"));
    SmallDisk disk(dir.file("small"), "64k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string in = dir.file("in.traj"), out = dir.file("small/out.traj");
    std::string text = "tno=1\n";
    for (int i = 0; i < 20000; ++i) text += kSample;
    dir.write("in.traj", text);
    dir.write("small/out.traj", "old\n");
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(cut_traj_window(in, out, CutWindow{}, err), 0);
    std::rewind(err);
    char message[512] = {};
    EXPECT_NE(std::fgets(message, sizeof message, err), nullptr);
    std::fclose(err);
    EXPECT_EQ(std::string(message), "Write failure: " + out + " (No space left on device)\n");
    EXPECT_EQ(dir.read("small/out.traj"), "old\n");
    EXPECT_EQ(test_support::file_names(dir.file("small")), std::vector<std::string>{"out.traj"});
}

}  // namespace
