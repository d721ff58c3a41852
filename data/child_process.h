// Another program run with its standard input fed through a pipe (the viewer's video
// export hands its pictures to the encoder so). One implementation file per system is
// chosen by CMake: child_process_posix.cpp or child_process_win32.cpp. Paths and
// arguments are UTF-8 everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace os_process {

// The program's file found as the system's shell would find it: a name with a
// folder part as it is, else the first folder of PATH that holds it (on Windows,
// with ".exe" added when the name has no extension, and also the folder of the
// running program, checked first). "" when there is none.
std::string find_program(const std::string& name);

// Where find_program looks besides PATH, for messages ("" where only PATH counts).
std::string program_folder();

// A started child. Its standard output is discarded; its standard error goes to a
// temporary file whose last line finish() returns, so that a failure can be told
// in one message.
class PipedChild {
  public:
    PipedChild() = default;
    ~PipedChild();  // ends a child that still runs and waits for it
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;

    // Starts program (a path, as find_program gives) with the arguments (without
    // the program's own name). False, with error set, when it cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& args,
               std::string& error);
    // Writes all bytes to the child's input. False when the child stopped reading
    // (it ended); later writes fail too. A child that ends never ends our process.
    bool write(const void* data, std::size_t size);
    // Closes the child's input and waits for it to end. Returns its exit status (0
    // for success; -1 when it did not end normally), and the last line it wrote to
    // its standard error in last_error ("" none).
    int finish(std::string& last_error);
    // Ends the child at once and waits for it.
    void kill();
    bool running() const { return pid_ != -1; }

  private:
    long long pid_ = -1;  // process id (a process handle on Windows)
    int input_ = -1;      // our end of the pipe
    int errors_ = -1;     // the file that takes its standard error
    bool broken_ = false;
};

}  // namespace os_process
