// Linked into every test program: tests run on the headless back end, and whatever
// needs Qt uses its offscreen platform, whether they are started by ctest or by hand.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("SCENE_PLATFORM", "headless", 0);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

const TestEnvironment environment;

}  // namespace
