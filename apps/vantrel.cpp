#include "labelling/vantrel_app.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
    // The back ends this program can run on: the headless one is always there.
    plat::qt::register_backend();
    return labelling::vantrel_main(argc, argv);
}
