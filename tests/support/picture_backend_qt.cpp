#include "platform/qt/qt_backend.h"
#include "tests/support/picture_backend.h"

namespace test_support {

void register_picture_backend() {
    plat::qt::register_backend();
}

}  // namespace test_support
