// The trace logger against a bare append of the same bytes, and the program's cold start
// with tracing on against spawning `true`.
#include "bench/ratio_reporter.h"
#include "core/log/trace_log.h"
#include "platform/clock/clock.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string scratch_folder()
{
    static std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/talverin-bench-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            std::abort();
        return std::string(buffer.data());
    }();
    return folder;
}

const char* message = "CWizardDoc::OnSaveDocument() -- saving %s with %d parts\n";

void trace_logger_line(benchmark::State& state)
{
    platform::system_clock clock("C");
    core::trace_logger logger({scratch_folder() + "/ours.log", &clock, nullptr, [] { return std::optional<std::string>("Linux"); }});
    for (auto _ : state)
        logger.write(message, "/home/user/messages/news.htm", 3);
}
BENCHMARK(trace_logger_line);

void open_write_close_line(benchmark::State& state)
{
    auto path = scratch_folder() + "/peer.log";
    std::string line = "12/10/26 14:03:05 CWizardDoc::OnSaveDocument() -- saving /home/user/messages/news.htm with 3 parts\n";
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
        ::close(fd);
    }
}
BENCHMARK(open_write_close_line);

int spawn_and_wait(const char* program, char* const* envp)
{
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<std::string> program_environment()
{
    auto home = scratch_folder() + "/home";
    auto store = home + "/config/holvane/talverin/registry.txt";
    std::filesystem::create_directories(std::filesystem::path(store).parent_path());
    std::ofstream(store) << "talverin-registry 1\n[Software\\Holvane\\Talverin\\Settings]\n\"Logging\"=dword:1\n";
    return {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data", "XDG_CONFIG_HOME=" + home + "/config",
        "TMPDIR=" + scratch_folder()};
}

void cold_start(benchmark::State& state, const char* program)
{
    auto env = program_environment();
    std::vector<char*> envp;
    for (auto& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    for (auto _ : state) {
        if (spawn_and_wait(program, envp.data()) != 0)
            state.SkipWithError("the program failed");
    }
}
BENCHMARK_CAPTURE(cold_start, talverin_cold_start, TALVERIN_PROGRAM)->Iterations(1)->Repetitions(50)->Unit(benchmark::kMillisecond)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(cold_start, true_cold_start, "/bin/true")->Iterations(1)->Repetitions(50)->Unit(benchmark::kMillisecond)->ReportAggregatesOnly(true);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratio("trace line vs open/write/close", "trace_logger_line", "open_write_close_line", 1.5);
    reporter.print_ratio("cold start vs true", "cold_start/talverin_cold_start", "cold_start/true_cold_start");
    double start = reporter.time_of("cold_start/talverin_cold_start");
    std::printf("talverin cold start median: %.2f ms (target < 50 ms)%s\n", start, start < 50 ? "" : "  MISSED");
    std::error_code ec;
    std::filesystem::remove_all(scratch_folder(), ec);
    benchmark::Shutdown();
}
