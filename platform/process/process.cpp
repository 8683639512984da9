#include "platform/process/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <pthread.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform::process {

namespace {

constexpr std::size_t kept_lines_size = 16 * 1024 * 1024;

bool executable_file(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string error_text(const char* what, int code)
{
    return std::string(what) + ": " + std::strerror(code);
}

// Closes a descriptor once.
struct descriptor {
    int fd = -1;
    ~descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        int result = fd;
        fd = -1;
        return result;
    }
};

}

std::optional<std::string> find_program(std::string_view name, std::string_view path_variable)
{
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        return executable_file(path) ? std::optional(path) : std::nullopt;
    }
    std::size_t start = 0;
    while (start <= path_variable.size()) {
        auto end = path_variable.find(':', start);
        if (end == std::string_view::npos)
            end = path_variable.size();
        auto folder = path_variable.substr(start, end - start);
        // An empty entry means the current folder; it is skipped so that a file of the
        // user's folder never stands in for a system tool.
        if (!folder.empty() && folder.front() == '/') {
            std::string candidate(folder);
            if (candidate.back() != '/')
                candidate += '/';
            candidate += name;
            if (executable_file(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> find_program(std::string_view name)
{
    const char* path = std::getenv("PATH");
    return find_program(name, path ? path : "/usr/local/bin:/usr/bin:/bin");
}

child::child(int pid, int pidfd, int input, int output, bool lines)
    : pid_(pid), pidfd_(pidfd), input_(input), output_(output), lines_(lines)
{
}

std::unique_ptr<child> child::spawn(const std::string& program, const std::vector<std::string>& arguments,
    const spawn_options& options, std::string& error)
{
    const std::string& folder = options.folder;
    struct stat folder_info {};
    if (!folder.empty() && (::stat(folder.c_str(), &folder_info) != 0 || !S_ISDIR(folder_info.st_mode))) {
        error = "cannot start " + program + ": the folder " + folder + " does not exist";
        return nullptr;
    }
    if ((options.input_pipe && !options.input_file.empty())
        || (options.output_lines && !options.output_file.empty())) {
        error = "cannot start " + program + ": a stream cannot go to a pipe and a file at once";
        return nullptr;
    }
    auto open_file = [&](const std::string& path, int flags, descriptor& into) {
        into.fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (into.fd < 0)
            error = error_text(("cannot start " + program + ": cannot open " + path).c_str(), errno);
        return into.fd >= 0;
    };
    descriptor input_file, output_file, error_file;
    if (!options.input_file.empty() && !open_file(options.input_file, O_RDONLY, input_file))
        return nullptr;
    if (!options.output_file.empty() && !open_file(options.output_file, O_WRONLY | O_CREAT | O_TRUNC, output_file))
        return nullptr;
    if (!options.error_file.empty() && !open_file(options.error_file, O_WRONLY | O_CREAT | O_TRUNC, error_file))
        return nullptr;

    int pipe_ends[2];
    descriptor input_read, input_write, output_read, output_write;
    if (options.input_pipe) {
        if (::pipe2(pipe_ends, O_CLOEXEC) != 0) {
            error = error_text("pipe", errno);
            return nullptr;
        }
        input_read.fd = pipe_ends[0];
        input_write.fd = pipe_ends[1];
    }
    if (options.output_file.empty()) {
        if (::pipe2(pipe_ends, O_CLOEXEC) != 0) {
            error = error_text("pipe", errno);
            return nullptr;
        }
        output_read.fd = pipe_ends[0];
        output_write.fd = pipe_ends[1];
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input_read.fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, input_read.fd, 0);
    else if (input_file.fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, input_file.fd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int output = output_file.fd >= 0 ? output_file.fd : output_write.fd;
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    if (!options.output_lines)
        posix_spawn_file_actions_adddup2(&actions, output, 2);
    else if (error_file.fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, error_file.fd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    std::vector<char*> envp;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view inherited(*entry);
        auto overridden = [&](const std::string& set) {
            auto equals = set.find('=');
            return equals != std::string::npos && inherited.substr(0, equals + 1) == std::string_view(set).substr(0, equals + 1);
        };
        if (std::none_of(options.environment.begin(), options.environment.end(), overridden))
            envp.push_back(*entry);
    }
    for (const auto& set : options.environment)
        envp.push_back(const_cast<char*>(set.c_str()));
    envp.push_back(nullptr);

    pid_t pid = 0;
    int code = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (code != 0) {
        error = error_text(("cannot start " + program).c_str(), code);
        return nullptr;
    }

    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        error = error_text("pidfd_open", errno);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return nullptr;
    }
    if (output_read.fd >= 0)
        ::fcntl(output_read.fd, F_SETFL, O_NONBLOCK);
    return std::unique_ptr<child>(
        new child(pid, pidfd, input_write.release(), output_read.release(), options.output_lines));
}

child::~child()
{
    if (!result_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(pidfd_);
    if (input_ >= 0)
        ::close(input_);
    if (output_ >= 0)
        ::close(output_);
}

bool child::write_input(std::string_view text)
{
    if (input_ < 0)
        return false;
    // A child that stopped reading must not end this process by SIGPIPE: the signal is held
    // back for this thread while writing, and one it raised is taken before letting go.
    sigset_t pipe_signal, previous;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
    bool written = true;
    while (!text.empty()) {
        auto count = ::write(input_, text.data(), text.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            written = false;
            if (errno == EPIPE) {
                timespec none {};
                while (sigtimedwait(&pipe_signal, nullptr, &none) == SIGPIPE) { }
            }
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

void child::close_input()
{
    if (input_ >= 0)
        ::close(input_);
    input_ = -1;
}

line_status child::read_line(std::string& line, std::uint32_t timeout_ms)
{
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    while (true) {
        auto end = kept_.find('\n');
        if (end != std::string::npos) {
            line.assign(kept_, 0, end);
            kept_.erase(0, end + 1);
            return line_status::line;
        }
        if (output_ < 0) {
            if (kept_.empty())
                return line_status::ended;
            line = std::move(kept_);
            kept_.clear();
            return line_status::line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0)
            return line_status::timed_out;
        pollfd fds[1] = {{output_, POLLIN, 0}};
        int ready = ::poll(fds, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
        if (ready < 0 && errno != EINTR)
            return line_status::ended;
        if (ready > 0 && !drain()) {
            ::close(output_);
            output_ = -1;
        }
    }
}

void child::keep(const char* data, std::size_t size)
{
    kept_.append(data, size);
    // Unread lines are kept for read_line up to a far larger bound than the tail.
    std::size_t limit = lines_ ? kept_lines_size : kept_output_size;
    if (kept_.size() > 2 * limit)
        kept_.erase(0, kept_.size() - limit);
}

// Reads what the pipe holds now; false once it is closed on the child's side.
bool child::drain()
{
    char buffer[16384];
    while (true) {
        auto got = ::read(output_, buffer, sizeof buffer);
        if (got > 0) {
            keep(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

std::optional<run_result> child::wait(std::uint32_t timeout_ms)
{
    if (result_)
        return result_;
    using clock = std::chrono::steady_clock;
    auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    bool pipe_open = output_ >= 0;
    while (true) {
        pollfd fds[2] = {{pidfd_, POLLIN, 0}, {output_, POLLIN, 0}};
        int wait_ms = -1;
        if (timeout_ms != 0xFFFFFFFFu) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            wait_ms = left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
        }
        int ready = ::poll(fds, pipe_open ? 2 : 1, wait_ms);
        if (ready < 0 && errno != EINTR) {
            run_result failed;
            failed.error = error_text("poll", errno);
            return failed;
        }
        if (pipe_open && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            pipe_open = drain();
        if (fds[0].revents & POLLIN)
            break;
        if (ready == 0)
            return std::nullopt;
    }
    // The child has ended: take what is left in the pipe without waiting for writers that
    // may have inherited it.
    if (pipe_open)
        drain();
    siginfo_t info {};
    run_result result;
    result.started = true;
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED) != 0) {
        result.error = error_text("waitid", errno);
    } else if (info.si_code == CLD_EXITED) {
        result.exit_code = info.si_status;
    } else {
        result.signal = info.si_status;
        result.exit_code = 128 + info.si_status;
    }
    if (!lines_ && kept_.size() > kept_output_size)
        kept_.erase(0, kept_.size() - kept_output_size);
    result.output = std::move(kept_);
    kept_.clear();
    result_ = result;
    return result_;
}

run_result system_runner::run(const std::string& program, const std::vector<std::string>& arguments,
    const spawn_options& options)
{
    run_result result;
    auto started = child::spawn(program, arguments, options, result.error);
    if (!started)
        return result;
    started->close_input();
    return *started->wait(0xFFFFFFFFu);
}

}

namespace platform::process {

bool launch_detached(const std::string& program, const std::vector<std::string>& arguments)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int code = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (code != 0)
        return false;
    // The reaper: the child leaves no zombie, and nothing here ever waits for it.
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
    }).detach();
    return true;
}

}
