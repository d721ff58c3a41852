// Files whose size is not known ahead, as only POSIX systems make them: /proc
// files and a named pipe (mkfifo). Linux build only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

#include "data/text_input.h"
#include "tests/support/temp_folder.h"

TEST(ReadTextFile, ReadsFilesWhoseSizeIsNotKnownAhead) {
    // Files under /proc report a size of 0 but have text.
    TextBuffer buffer;
    ASSERT_EQ(read_text_file("/proc/self/status", buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_NE(buffer.view().find("Name:"), std::string_view::npos);

    // A pipe longer than the first guess of its size.
    test_support::TempFolder dir;
    std::string fifo = dir.file("text_input_fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + "\n";
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
    EXPECT_EQ(read_text_file(fifo, buffer, nullptr), ReadTextStatus::Ok);
    writer.join();
    EXPECT_EQ(buffer.view(), text);
}
