// The child processes of data/child_process.h on Windows, through the C runtime
// (no windows.h: only platform/win32/ includes it): the pipe's end and the error file
// are put on the standard descriptors while _wspawnv starts the child, which
// inherits them, and ours are put back at once.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "data/child_process.h"

namespace os_process {

namespace {

namespace fs = std::filesystem;

bool is_program(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// One argument of a command line as the C runtime splits it again.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::string last_line(int fd) {
    std::string text;
    if (::_lseeki64(fd, 0, SEEK_SET) == 0) {
        char buf[4096];
        int n;
        while ((n = ::_read(fd, buf, sizeof buf)) > 0) {
            text.append(buf, static_cast<std::size_t>(n));
            if (text.size() > 65536) text.erase(0, text.size() - 4096);
        }
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of("\r\n");
    return start == std::string::npos ? text : text.substr(start + 1);
}

void close_fd(int& fd) {
    if (fd >= 0) ::_close(fd);
    fd = -1;
}

// Puts fd on the standard descriptor target and returns a copy of what was there
// (-1 when nothing was).
int swap_in(int fd, int target) {
    const int saved = ::_dup(target);
    ::_dup2(fd, target);
    return saved;
}

void swap_back(int saved, int target) {
    if (saved >= 0) {
        ::_dup2(saved, target);
        ::_close(saved);
    } else {
        ::_close(target);
    }
}

}  // namespace

std::string program_folder() {
    // The C runtime's record of the running program's path.
    if (const wchar_t* self = _wpgmptr; self && *self)
        return fs::path(self).parent_path().u8string();
    if (const char* narrow = _pgmptr; narrow && *narrow)
        return fs::path(narrow).parent_path().u8string();
    return {};
}

std::string find_program(const std::string& name) {
    if (name.empty()) return {};
    fs::path given = fs::u8path(name);
    if (!given.has_extension()) given += ".exe";
    if (name.find_first_of("/\\:") != std::string::npos)
        return is_program(given) ? given.u8string() : std::string();
    std::vector<fs::path> dirs;
    const std::string own = program_folder();
    if (!own.empty()) dirs.push_back(fs::u8path(own));
    if (const wchar_t* path = ::_wgetenv(L"PATH")) {
        std::wstring all = path;
        std::size_t from = 0;
        while (from <= all.size()) {
            std::size_t end = all.find(L';', from);
            if (end == std::wstring::npos) end = all.size();
            std::wstring dir = all.substr(from, end - from);
            if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"')
                dir = dir.substr(1, dir.size() - 2);
            if (!dir.empty()) dirs.emplace_back(dir);
            from = end + 1;
        }
    }
    for (const fs::path& dir : dirs)
        if (is_program(dir / given)) return (dir / given).u8string();
    return {};
}

PipedChild::~PipedChild() {
    kill();
}

bool PipedChild::start(const std::string& program, const std::vector<std::string>& args,
                       std::string& error) {
    kill();
    broken_ = false;
    std::error_code ec;
    const fs::path errors_path =
        fs::temp_directory_path(ec) / ("scene-child-" + std::to_string(::_getpid()) + ".log");
    errors_ = ::_wsopen(errors_path.wstring().c_str(),
                        _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY | _O_TEMPORARY | _O_NOINHERIT,
                        _SH_DENYNO, _S_IREAD | _S_IWRITE);
    int pipe_fds[2];
    if (::_pipe(pipe_fds, 1 << 20, _O_BINARY | _O_NOINHERIT) != 0) {
        error = std::strerror(errno);
        close_fd(errors_);
        return false;
    }
    const int null_out = ::_wopen(L"NUL", _O_WRONLY | _O_NOINHERIT);
    // The child inherits the standard descriptors as they are when it starts.
    const int saved_in = swap_in(pipe_fds[0], 0);
    const int saved_out = null_out >= 0 ? swap_in(null_out, 1) : -2;
    const int saved_err = errors_ >= 0 ? swap_in(errors_, 2) : -2;
    const std::wstring wide_program = fs::u8path(program).wstring();
    std::vector<std::wstring> words{quoted(wide_program)};
    for (const std::string& a : args) words.push_back(quoted(fs::u8path(a).wstring()));
    std::vector<const wchar_t*> argv;
    for (const std::wstring& w : words) argv.push_back(w.c_str());
    argv.push_back(nullptr);
    const intptr_t handle = ::_wspawnv(_P_NOWAIT, wide_program.c_str(), argv.data());
    const int spawn_errno = errno;
    std::fflush(stderr);
    if (saved_err != -2) swap_back(saved_err, 2);
    if (saved_out != -2) swap_back(saved_out, 1);
    swap_back(saved_in, 0);
    if (null_out >= 0) ::_close(null_out);
    ::_close(pipe_fds[0]);
    if (handle == -1) {
        error = std::strerror(spawn_errno);
        ::_close(pipe_fds[1]);
        close_fd(errors_);
        return false;
    }
    pid_ = static_cast<long long>(handle);
    input_ = pipe_fds[1];
    return true;
}

bool PipedChild::write(const void* data, std::size_t size) {
    if (input_ < 0 || broken_) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const unsigned chunk = static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30));
        const int n = ::_write(input_, p, chunk);
        if (n <= 0) {
            broken_ = true;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int PipedChild::finish(std::string& last_error) {
    last_error.clear();
    close_fd(input_);
    if (pid_ == -1) return -1;
    int status = 0;
    const intptr_t r = ::_cwait(&status, static_cast<intptr_t>(pid_), _WAIT_CHILD);
    pid_ = -1;
    if (errors_ >= 0) last_error = last_line(errors_);
    close_fd(errors_);
    return r == -1 ? -1 : status;
}

void PipedChild::kill() {
    // Without its input the encoder ends soon; the C runtime has no way to end a
    // process at once.
    close_fd(input_);
    if (pid_ != -1) {
        int status = 0;
        ::_cwait(&status, static_cast<intptr_t>(pid_), _WAIT_CHILD);
        pid_ = -1;
    }
    close_fd(errors_);
}

}  // namespace os_process
