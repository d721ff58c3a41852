#include "platform/qt/qt_backend.h"
#include "viewer/plovane_app.h"

int main(int argc, char** argv) {
    // The back ends this program can run on: the headless one is always there.
    plat::qt::register_backend();
    return shell::plovane_main(argc, argv);
}
