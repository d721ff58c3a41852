#include "platform/win32/win32_backend.h"
#include "viewer/plovane_app.h"

int main(int argc, char** argv) {
    plat::win32::attach_parent_console();
    // The back ends this program can run on: the headless one is always there.
    plat::win32::register_backend();
    return shell::plovane_main(argc, argv);
}
