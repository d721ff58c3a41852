#pragma once

// The suite's version, the CMake project version ("0.1.0"), as --version prints it.
const char* tools_version();
