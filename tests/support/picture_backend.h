// The back end that turns the headless back end's recordings into pictures in
// tests: Qt's in the Linux build, the Win32 one in the Windows build (one source
// file per build, chosen by CMake: picture_backend_qt.cpp, picture_backend_win32.cpp).
#pragma once

namespace test_support {

// Registers that back end, which sets the rasteriser; repeating it is harmless.
void register_picture_backend();

}  // namespace test_support
