# Compile options shared by every target of the project.
add_library(scene_options INTERFACE)
target_compile_options(scene_options INTERFACE -Wall -Wextra -Wpedantic)
if(WIN32)
  # M_PI and the other constants of <cmath> in strict C++17 mode (MinGW's headers).
  target_compile_definitions(scene_options INTERFACE _USE_MATH_DEFINES)
endif()
if(SCENE_WERROR)
  target_compile_options(scene_options INTERFACE -Werror)
endif()
if(SCENE_FUZZ)
  # Everything the fuzz targets link is instrumented for coverage and checked.
  set(SCENE_SANITIZE ON)
  target_compile_options(scene_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(SCENE_SANITIZE)
  target_compile_options(scene_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(scene_options INTERFACE -fsanitize=address,undefined)
endif()
# Boundary samples and other printed reals must not change with contraction
# into fused multiply-add; keep plain IEEE arithmetic everywhere.
target_compile_options(scene_options INTERFACE -ffp-contract=off)

# scene_library(name SOURCES ... DEPS ... PRIVATE_DEPS ...): one library per folder.
# DEPS are the project libraries its headers use; PRIVATE_DEPS stay inside it (a
# toolkit behind a back end).
function(scene_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC scene_options ${ARG_DEPS})
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# scene_test(name SOURCES ... DEPS ...): a GoogleTest executable whose cases are
# registered one by one, each with a timeout; tests/test_environment.cpp selects the
# headless back end and Qt's offscreen platform.
#
# In the Windows build (run under Wine) each test program is one ctest entry that
# runs all its cases: starting a Windows process under Wine costs a good part of a
# second, which per case would make the run many minutes long.
function(scene_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(WIN32)
    # The programs' manifest too: the tests take UTF-8 paths as the programs do.
    set(environment ${PROJECT_SOURCE_DIR}/tests/test_environment_win32.cpp
                    ${PROJECT_SOURCE_DIR}/apps/win32/app.rc)
  else()
    set(environment ${PROJECT_SOURCE_DIR}/tests/test_environment.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES} ${environment})
  target_link_libraries(${name} PRIVATE scene_options ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE SCENE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${name}
      PROPERTIES TIMEOUT 120
      DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# The test sources of a folder: every *_test.cpp, less those that use facilities
# only POSIX systems have (*_posix_test.cpp) in the Windows build.
function(scene_test_sources var)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix_test\\.cpp$")
  endif()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
