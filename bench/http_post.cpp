// The HTTP(S) broadcast's request file and its post. For archives of random bytes (as a
// compressed package is) making request files of about 10 and 100 MB:
// - writing the request file with the MIME writer beside `base64 -w 76` of the archive
//   (target 1.2 at 100 MB);
// - the post (processHTTPRequest over the internet layer) beside `curl --http1.0 -X POST -T`
//   of the same file to one stand-in in sink mode (target 1.1 at 100 MB), with our peak
//   resident memory held under 32 MiB at both sizes, since the body is streamed.
// At 10 MB a run takes some 40 ms, of which starting a process is a good part: its ratios are
// printed for what they show, the targets hold at 100 MB.
// Every side runs as a whole process, alternated, after a warm-up; medians of 9 runs; peak
// resident memory by /usr/bin/time.
#include "bench/bench_runs.h"
#include "bench/standin_ports.h"
#include "broadcast/http/http_request.h"
#include "broadcast/mime/mime_msg.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/process/process.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Archives whose request files are about 10 and 100 MB (base64 adds a third).
constexpr std::size_t archive_sizes[] = {7500 * 1024, 74 * 1024 * 1024};
constexpr int runs = 9;
constexpr double post_target = 1.1;
constexpr double write_target = 1.2;
constexpr double our_peak_limit_mib = 32;

// Our side, in a process of its own: the post as the broadcast makes it.
int post_with_broadcast(const std::string& url, const std::string& file)
{
    auto layer = platform::inet::make_curl_internet();
    broadcast::http_request_settings settings;
    settings.url = url;
    settings.agent = "Quorbis Wizard";
    settings.access_type = platform::inet::open_type_direct;
    const auto result = broadcast::processHTTPRequest(layer, file, settings);
    if (result.code != broadcast::http_posted) {
        std::fprintf(stderr, "the post ended with code %d: %s\n", result.code, result.cause.c_str());
        return 1;
    }
    return 0;
}

// Our side of the writing, in a process of its own: the request file of one archive, as the
// broadcast writes it, then renamed to `destination` (the writer's own file goes with it).
int write_request_file(const std::string& archive, const std::string& destination)
{
    platform::system_utc_clock clock;
    broadcast::CMIMEMsg message(clock, std::filesystem::path(destination).parent_path().string());
    if (message.AddFile(archive) != 1 || message.CreateHTTPRequestFile({"bench", "secret", "1.0.0.0"}) != 1) {
        std::fprintf(stderr, "the request file could not be written: %s\n", message.last_error().c_str());
        return 1;
    }
    std::filesystem::rename(message.GetTmpMessageFile(), destination);
    return 0;
}

struct process_run {
    double seconds = -1;
    double peak_mib = 0;
};

// Runs a program to its end with its output discarded, under /usr/bin/time, which reports
// the peak resident memory of the program alone (a child of this process would inherit this
// process's own peak). The wall time, or seconds -1 when it could not start or failed.
process_run run_process(const std::vector<std::string>& command, const std::string& report,
    const std::string& output = "/dev/null")
{
    std::vector<std::string> arguments {"/usr/bin/time", "-f", "%M", "-o", report};
    arguments.insert(arguments.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    process_run result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "%s: %s\n", argv[0], std::strerror(spawned));
        return result;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", command[0].c_str());
        return result;
    }
    result.seconds = bench::seconds_since(start);
    std::ifstream peak(report);
    double kilobytes = 0;
    if (!(peak >> kilobytes)) {
        std::fprintf(stderr, "no peak memory reported for %s\n", command[0].c_str());
        result.seconds = -1;
    }
    result.peak_mib = kilobytes / 1024.0;
    return result;
}

double median_of(const std::vector<process_run>& results, double process_run::*field)
{
    std::vector<double> values;
    for (const auto& result : results)
        values.push_back(result.*field);
    return bench::median(values);
}

// Runs both commands `runs` times after a warm-up, each first in every other round, so that
// neither always meets the server (or the disk) just after the other; false when a run failed.
// `tidy` runs after each run, untimed.
bool alternate(const std::vector<std::string>& ours_command, const std::vector<std::string>& their_command,
    const std::string& report, const std::string& output, std::vector<process_run>& ours,
    std::vector<process_run>& theirs, const std::function<void()>& tidy = [] { })
{
    const auto run = [&](const std::vector<std::string>& command) {
        const process_run result = run_process(command, report, output);
        tidy();
        return result;
    };
    if (run(ours_command).seconds < 0 || run(their_command).seconds < 0)
        return false;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            ours.push_back(run(ours_command));
            theirs.push_back(run(their_command));
        } else {
            theirs.push_back(run(their_command));
            ours.push_back(run(ours_command));
        }
        if (ours.back().seconds < 0 || theirs.back().seconds < 0)
            return false;
    }
    return true;
}

// Prints one comparison; whether its ratio (when it has a target) and our peak (when limited)
// are within them.
bool report_row(const char* ours_name, const char* their_name, double megabytes, const std::vector<process_run>& ours,
    const std::vector<process_run>& theirs, double target, double peak_limit_mib = 0)
{
    const double our_seconds = median_of(ours, &process_run::seconds);
    const double their_seconds = median_of(theirs, &process_run::seconds);
    const double our_peak = median_of(ours, &process_run::peak_mib);
    const double ratio = our_seconds / their_seconds;
    std::printf("  %-22s %6.3f s  %7.1f MB/s  peak RSS %6.1f MiB\n", ours_name, our_seconds, megabytes / our_seconds,
        our_peak);
    std::printf("  %-22s %6.3f s  %7.1f MB/s  peak RSS %6.1f MiB\n", their_name, their_seconds,
        megabytes / their_seconds, median_of(theirs, &process_run::peak_mib));
    bool met = target <= 0 || ratio <= target;
    if (target > 0)
        std::printf("  ratio %.2f (target <= %.1f)", ratio, target);
    else
        std::printf("  ratio %.2f", ratio);
    if (peak_limit_mib > 0) {
        std::printf(", our peak %.1f MiB (limit < %.0f MiB)", our_peak, peak_limit_mib);
        met = met && our_peak < peak_limit_mib;
    }
    if (target > 0 || peak_limit_mib > 0)
        std::printf(": %s", met ? "met" : "MISSED");
    std::printf("\n");
    return met;
}

}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--post") == 0)
        return post_with_broadcast(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0)
        return write_request_file(argv[2], argv[3]);

    const auto folder = bench::make_scratch("http-post");
    platform::process::spawn_options streams;
    streams.input_pipe = true;
    streams.output_lines = true;
    std::string error;
    auto stand_in = platform::process::child::spawn("/usr/bin/python3",
        {STANDIN_SERVER_SCRIPT, "--sink", "--services", "http", "--record-folder", folder}, streams, error);
    if (!stand_in) {
        std::fprintf(stderr, "the stand-in could not be started: %s\n", error.c_str());
        return 1;
    }
    auto ports = bench::stand_in_ports(*stand_in);
    if (ports.count("http") == 0) {
        std::fprintf(stderr, "the stand-in printed no ready line\n");
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(ports["http"]) + "/cgi-bin/submit";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto report = folder + "/peak.txt";

    bool met = true;
    bool failed = false;
    for (const std::size_t archive_size : archive_sizes) {
        std::string archive(archive_size, '\0');
        std::mt19937_64 random(19);
        for (std::size_t i = 0; i + 8 <= archive.size(); i += 8) {
            const auto value = random();
            std::memcpy(archive.data() + i, &value, 8);
        }
        const auto archive_path = folder + "/job.tar.gz";
        bench::write_file(archive_path, archive);
        archive = std::string();

        // Writing: each run's output is removed before the next; one more request file is
        // written for the post.
        const auto request = folder + "/request.txt";
        const auto encoded = folder + "/base64.txt";
        const auto tidy = [&] {
            std::filesystem::remove(request);
            std::filesystem::remove(encoded);
        };
        std::vector<process_run> ours, theirs;
        if (!alternate({self, "--write", archive_path, request}, {"/usr/bin/base64", "-w", "76", archive_path}, report,
                encoded, ours, theirs, tidy)
            || run_process({self, "--write", archive_path, request}, report).seconds < 0) {
            failed = true;
            break;
        }
        const double megabytes = static_cast<double>(std::filesystem::file_size(request)) / 1e6;
        std::printf("Request file of a %.1f MB archive (%.1f MB), whole processes, median of %d:\n",
            static_cast<double>(archive_size) / 1e6, megabytes, runs);
        const bool largest = archive_size == archive_sizes[std::size(archive_sizes) - 1];
        met = report_row("CreateHTTPRequestFile", "base64 -w 76", megabytes, ours, theirs, largest ? write_target : 0)
            && met;

        ours.clear();
        theirs.clear();
        const std::vector<std::string> curl_arguments {"/usr/bin/curl", "--silent", "--show-error", "--fail",
            "--noproxy", "*", "--http1.0", "-X", "POST", "-H", "Content-Type: application/x-www-form-urlencoded", "-T",
            request, "-o", "/dev/null", url};
        if (!alternate({self, "--post", url, request}, curl_arguments, report, "/dev/null", ours, theirs)) {
            failed = true;
            break;
        }
        std::printf("HTTP post of the %.1f MB request file to the stand-in's sink, whole processes, median of %d:\n",
            megabytes, runs);
        met = report_row("processHTTPRequest", "curl -T", megabytes, ours, theirs, largest ? post_target : 0,
                  our_peak_limit_mib)
            && met;
        tidy();
    }
    stand_in->close_input();
    stand_in->wait(10000);
    std::filesystem::remove_all(folder);
    if (failed) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    return met ? 0 : 1;
}
