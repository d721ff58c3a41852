// Runs a program's main function in the test process, as its command line would,
// with standard output and standard error captured.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test_support {

struct MainRun {
    int status = -1;
    std::string out, err;
};

// args are the arguments after the program name.
inline MainRun run_main(int (*main_function)(int, char**), const char* program,
                        std::vector<std::string> args) {
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    MainRun r;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    r.status = main_function(static_cast<int>(args.size()), argv.data());
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

}  // namespace test_support
