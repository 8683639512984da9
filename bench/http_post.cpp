// The HTTP(S) broadcast's post of its request file (processHTTPRequest over the internet
// layer) beside `curl --http1.0 -X POST -T` of the same file, to one stand-in in sink mode.
// Both run as whole processes, alternated, after a warm-up; the medians of 9 runs, their ratio
// against its target of 1.1, and each side's peak resident memory (by /usr/bin/time). The request file is
// written by the MIME writer from an archive of random bytes, as a broadcast writes it.
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
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t archive_size = 15 * 1024 * 1024; // base64 makes a request of about 20 MB
constexpr int runs = 9;
constexpr double target = 1.1;

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

struct process_run {
    double seconds = -1;
    double peak_mib = 0;
};

// Runs a program to its end with its output discarded, under /usr/bin/time, which reports
// the peak resident memory of the program alone (a child of this process would inherit this
// process's own peak). The wall time, or seconds -1 when it could not start or failed.
process_run run_process(const std::vector<std::string>& command, const std::string& report)
{
    std::vector<std::string> arguments {"/usr/bin/time", "-f", "%M", "-o", report};
    arguments.insert(arguments.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
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

}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--post") == 0)
        return post_with_broadcast(argv[2], argv[3]);

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

    // The archive: random bytes, as a compressed package is.
    std::string archive(archive_size, '\0');
    std::mt19937_64 random(19);
    for (std::size_t i = 0; i + 8 <= archive.size(); i += 8) {
        const auto value = random();
        std::memcpy(archive.data() + i, &value, 8);
    }
    const auto archive_path = folder + "/job.tar.gz";
    bench::write_file(archive_path, archive);
    platform::system_utc_clock clock;
    broadcast::CMIMEMsg message(clock, folder);
    if (message.AddFile(archive_path) != 1 || message.CreateHTTPRequestFile({"bench", "secret", "1.0.0.0"}) != 1) {
        std::fprintf(stderr, "the request file could not be written: %s\n", message.last_error().c_str());
        return 1;
    }
    const auto request = message.GetTmpMessageFile();
    const auto request_bytes = std::filesystem::file_size(request);

    // This program again, in its posting role.
    const std::vector<std::string> ours_arguments {std::filesystem::read_symlink("/proc/self/exe").string(), "--post",
        url, request};
    const std::vector<std::string> curl_arguments {"/usr/bin/curl", "--silent", "--show-error", "--fail", "--noproxy",
        "*", "--http1.0", "-X", "POST", "-H", "Content-Type: application/x-www-form-urlencoded", "-T", request,
        "-o", "/dev/null", url};

    const auto report = folder + "/peak.txt";
    std::vector<process_run> ours, theirs;
    bool failed = run_process(ours_arguments, report).seconds < 0 || run_process(curl_arguments, report).seconds < 0;
    // Each goes first in every other round, so that neither always meets the server just
    // after the other.
    for (int i = 0; i < runs && !failed; ++i) {
        if (i % 2 == 0) {
            ours.push_back(run_process(ours_arguments, report));
            theirs.push_back(run_process(curl_arguments, report));
        } else {
            theirs.push_back(run_process(curl_arguments, report));
            ours.push_back(run_process(ours_arguments, report));
        }
        failed = ours.back().seconds < 0 || theirs.back().seconds < 0;
    }
    stand_in->close_input();
    stand_in->wait(10000);
    std::filesystem::remove_all(folder);
    if (failed) {
        std::fprintf(stderr, "a post failed\n");
        return 1;
    }
    const double our_seconds = median_of(ours, &process_run::seconds);
    const double curl_seconds = median_of(theirs, &process_run::seconds);
    const double megabytes = static_cast<double>(request_bytes) / 1e6;
    const double ratio = our_seconds / curl_seconds;
    std::printf("HTTP post of a %.1f MB request file to the stand-in's sink, whole processes, median of %d:\n",
        megabytes, runs);
    std::printf("  processHTTPRequest  %6.3f s  %7.1f MB/s  peak RSS %6.1f MiB\n", our_seconds,
        megabytes / our_seconds, median_of(ours, &process_run::peak_mib));
    std::printf("  curl -T             %6.3f s  %7.1f MB/s  peak RSS %6.1f MiB\n", curl_seconds,
        megabytes / curl_seconds, median_of(theirs, &process_run::peak_mib));
    std::printf("  ratio %.2f (target <= %.1f): %s\n", ratio, target, ratio <= target ? "met" : "MISSED");
    return ratio <= target ? 0 : 1;
}
