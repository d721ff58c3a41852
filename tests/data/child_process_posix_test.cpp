// A program fed through a pipe: what it read, its exit status and last error line,
// a child that stops reading (which must not end the test program), and one ended
// while it still runs.
#include "data/child_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

// Runs a shell script as the child with input written to it; the exit status.
int run_sh(const std::string& script, const std::string& input, std::string& last_error,
           bool* written = nullptr) {
    os_process::PipedChild child;
    std::string error;
    EXPECT_TRUE(child.start("/bin/sh", {"-c", script}, error)) << error;
    const bool ok = child.write(input.data(), input.size());
    if (written) *written = ok;
    return child.finish(last_error);
}

}  // namespace

TEST(PipedChild, ExitStatusAndTheLastLineOfItsErrors) {
    test_support::TempFolder dir;
    const std::string copy = dir.file("copy");
    struct Case {
        std::string script;
        int status;
        const char* last_error;
    } cases[] = {
        {"cat > '" + copy + "'", 0, ""},
        {"cat >/dev/null; echo first >&2; printf 'No space left on device\\n\\n' >&2; exit 3", 3,
         "No space left on device"},
        {"kill -9 $$", -1, ""},
    };
    for (const Case& c : cases) {
        std::string last_error = "stale";
        EXPECT_EQ(run_sh(c.script, "picture bytes", last_error), c.status) << c.script;
        EXPECT_EQ(last_error, c.last_error) << c.script;
    }
    EXPECT_EQ(dir.read("copy"), "picture bytes");
}

TEST(PipedChild, AChildThatStopsReadingFailsTheWriteNotTheProgram) {
    std::string last_error;
    bool written = true;
    // Far more than a pipe holds, to a child that reads nothing and ends.
    const std::string big(8 << 20, 'x');
    EXPECT_EQ(run_sh("echo 'cannot encode' >&2; exit 1", big, last_error, &written), 1);
    EXPECT_FALSE(written);
    EXPECT_EQ(last_error, "cannot encode");
}

TEST(PipedChild, KillEndsARunningChildAndMissingProgramsAreTold) {
    os_process::PipedChild child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sh", {"-c", "sleep 600"}, error));
    EXPECT_TRUE(child.running());
    child.kill();
    EXPECT_FALSE(child.running());

    EXPECT_FALSE(child.start("/no/such/program", {}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(os_process::find_program("/no/such/program"), "");
    EXPECT_EQ(os_process::find_program("sh").empty(), false);
    EXPECT_EQ(os_process::find_program("no-such-program-anywhere"), "");
}
