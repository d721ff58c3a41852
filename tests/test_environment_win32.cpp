// Linked into every test program of the Windows build: tests run on the headless
// back end, whether they are started by ctest or by hand. (Windows has no setenv;
// there is no Qt to set up.)
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        if (!std::getenv("SCENE_PLATFORM")) _putenv_s("SCENE_PLATFORM", "headless");
    }
};

const TestEnvironment environment;

}  // namespace
