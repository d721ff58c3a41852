// The child processes of data/child_process.h on POSIX systems: posix_spawn with a
// pipe on the child's standard input, SIGPIPE held back while we write to it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/child_process.h"

extern char** environ;

namespace os_process {

namespace {

bool is_program(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The last non-empty line of what the child wrote to fd (read from the start).
std::string last_line(int fd) {
    std::string text;
    if (::lseek(fd, 0, SEEK_SET) == 0) {
        char buf[4096];
        long long n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) {
            text.append(buf, static_cast<std::size_t>(n));
            if (text.size() > 65536) text.erase(0, text.size() - 4096);
        }
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of("\r\n");
    return start == std::string::npos ? text : text.substr(start + 1);
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::string find_program(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return is_program(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= dirs.size()) {
        std::size_t end = dirs.find(':', from);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(from, end - from);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (is_program(candidate)) return candidate;
        from = end + 1;
    }
    return {};
}

std::string program_folder() {
    return {};
}

PipedChild::~PipedChild() {
    kill();
}

bool PipedChild::start(const std::string& program, const std::vector<std::string>& args,
                       std::string& error) {
    kill();
    broken_ = false;
    const char* tmp = std::getenv("TMPDIR");
    std::string errors_name = std::string(tmp && *tmp ? tmp : "/tmp") + "/scene-child-XXXXXX";
    errors_ = ::mkstemp(errors_name.data());
    if (errors_ >= 0) ::unlink(errors_name.c_str());
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) {
        error = std::strerror(errno);
        close_fd(errors_);
        return false;
    }
    ::fcntl(pipe_fds[1], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (errors_ >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errors_, 2);
        posix_spawn_file_actions_addclose(&actions, errors_);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[0]);
    if (rc != 0) {
        error = std::strerror(rc);
        ::close(pipe_fds[1]);
        close_fd(errors_);
        return false;
    }
    pid_ = pid;
    input_ = pipe_fds[1];
    return true;
}

bool PipedChild::write(const void* data, std::size_t size) {
    if (input_ < 0 || broken_) return false;
    // A child that ended makes the write raise SIGPIPE, which would end us: hold it
    // back for this thread, and take a pending one before letting it through again.
    sigset_t pipe_signal, old;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &old);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const long long n = ::write(input_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            broken_ = true;
            break;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    if (broken_) {
        const struct timespec none {};
        while (sigtimedwait(&pipe_signal, nullptr, &none) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return !broken_;
}

int PipedChild::finish(std::string& last_error) {
    last_error.clear();
    close_fd(input_);
    if (pid_ == -1) return -1;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(static_cast<pid_t>(pid_), &status, 0);
    } while (r < 0 && errno == EINTR);
    pid_ = -1;
    if (errors_ >= 0) last_error = last_line(errors_);
    close_fd(errors_);
    if (r < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void PipedChild::kill() {
    close_fd(input_);
    if (pid_ != -1) {
        ::kill(static_cast<pid_t>(pid_), SIGKILL);
        int status = 0;
        while (::waitpid(static_cast<pid_t>(pid_), &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    close_fd(errors_);
}

}  // namespace os_process
