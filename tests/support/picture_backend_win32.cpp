#include "platform/win32/win32_backend.h"
#include "tests/support/picture_backend.h"

namespace test_support {

void register_picture_backend() {
    plat::win32::register_backend();
}

}  // namespace test_support
