// Downloads beside curl, from the same stand-in, as whole processes alternated, median of 9:
// one 256 MB file by download_file beside "curl -s -o", and 500 pictures of 2-64 KB started
// at once through the download service, to the last completion, beside "curl -Z
// --parallel-max 8". Each ratio (our time over curl's) is held to at most 1.1.
#include "bench/bench_runs.h"
#include "bench/standin_ports.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/process/process.h"
#include "platform/ui/testing/manual_clock.h"
#include "shell/downloads/download_file.h"
#include "shell/downloads/download_service.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t big_size = 256u << 20;
constexpr int picture_count = 500;
constexpr int runs = 9;
constexpr double target_ratio = 1.1;

std::string picture_name(int index)
{
    return "p" + std::to_string(index) + ".png";
}

// The child's side: one file, or every picture through the service.
int run_ours(const std::string& mode, const std::string& base_url, const std::string& folder)
{
    platform::inet::internet_options options;
    auto layer = platform::inet::make_curl_internet(options);
    if (mode == "one") {
        auto session = layer->open("Talverin", platform::inet::open_type_direct, {}, {}, 0);
        shell::download_request request;
        request.address = base_url + "big.bin";
        request.folder = folder;
        request.pull_format = false;
        const auto path = shell::download_file(*layer, session, request);
        layer->close_handle(session);
        return path.empty() ? 1 : 0;
    }
    platform::ui::testing::ManualClock clock;
    platform::ui::MessageQueue queue(clock);
    shell::DownloadResults results;
    shell::DownloadSettings settings;
    settings.access_type = platform::inet::open_type_direct;
    shell::DownloadService service({layer, queue, results, [&] { return folder; }, {}}, settings);
    for (int index = 0; index < picture_count; ++index)
        service.DownloadPicture(index, base_url + picture_name(index), 0, 0, 1);
    if (!service.wait_until_idle(std::chrono::minutes(5)))
        return 1;
    for (int index = 0; index < picture_count; ++index)
        if (!results.find_picture(shell::DownloadResults::pictures::ordinary, index))
            return 1;
    return 0;
}

double timed_run(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string error;
    platform::process::spawn_options options;
    options.output_file = "/dev/null";
    const auto start = std::chrono::steady_clock::now();
    auto child = platform::process::child::spawn(program, arguments, options, error);
    if (!child)
        return -1;
    const auto result = child->wait(600000);
    const double seconds = bench::seconds_since(start);
    return result && result->exit_code == 0 ? seconds : -1;
}

void clear(const std::string& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
}

}

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--ours")
        return run_ours(argv[2], argv[3], argv[4]);

    const auto scratch = bench::make_scratch("downloads-bench");
    const auto served = scratch + "/served";
    const auto landing = scratch + "/landing";
    std::filesystem::create_directory(served);
    std::mt19937 random(7);
    {
        std::string big(big_size, '\0');
        for (auto& c : big)
            c = static_cast<char>(random());
        bench::write_file(served + "/big.bin", big);
    }
    std::string curl_config;
    for (int index = 0; index < picture_count; ++index) {
        std::string picture("\x89PNG\r\n\x1A\n", 8);
        picture.resize(2048 + random() % (62 * 1024), 'x');
        bench::write_file(served + "/" + picture_name(index), picture);
    }

    platform::process::spawn_options streams;
    streams.input_pipe = true;
    streams.output_lines = true;
    std::string error;
    auto stand_in = platform::process::child::spawn("/usr/bin/python3",
        {STANDIN_SERVER_SCRIPT, "--sink", "--services", "http", "--lifetime", "3600", "--record-folder",
            scratch + "/records"},
        streams, error);
    if (!stand_in) {
        std::fprintf(stderr, "the stand-in could not be started: %s\n", error.c_str());
        return 1;
    }
    auto ports = bench::stand_in_ports(*stand_in);
    std::string answer;
    if (ports.count("http") == 0 || !stand_in->write_input("files " + served + "\n")
        || stand_in->read_line(answer, 10000) != platform::process::line_status::line || answer != "ok") {
        std::fprintf(stderr, "the stand-in does not serve the files\n");
        return 1;
    }
    const auto base_url = "http://127.0.0.1:" + std::to_string(ports["http"]) + "/files/";
    for (int index = 0; index < picture_count; ++index)
        curl_config += "url = \"" + base_url + picture_name(index) + "\"\noutput = \"" + landing + "/"
            + picture_name(index) + "\"\n";
    bench::write_file(scratch + "/curl.config", curl_config);

    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    struct scenario {
        const char* what;
        std::vector<std::string> ours;
        std::vector<std::string> curl;
    } scenarios[] = {
        {"one 256 MB file", {"--ours", "one", base_url, landing},
            {"--noproxy", "*", "-s", "-f", "-o", landing + "/big.bin", base_url + "big.bin"}},
        {"500 pictures of 2-64 KB", {"--ours", "many", base_url, landing},
            {"--noproxy", "*", "-s", "-f", "-Z", "--parallel-max", "8", "-K", scratch + "/curl.config"}},
    };
    int status = 0;
    for (const auto& s : scenarios) {
        std::vector<double> ours, theirs;
        for (int run = 0; run <= runs; ++run) {
            clear(landing);
            const double a = timed_run(self, s.ours);
            clear(landing);
            const double b = timed_run("/usr/bin/curl", s.curl);
            if (a < 0 || b < 0) {
                std::fprintf(stderr, "%s: a run failed (ours %.3f, curl %.3f)\n", s.what, a, b);
                stand_in->close_input();
                stand_in->wait(10000);
                std::filesystem::remove_all(scratch);
                return 1;
            }
            if (run > 0) { // the first pair warms the caches
                ours.push_back(a);
                theirs.push_back(b);
            }
        }
        const double our_time = bench::median(ours);
        const double curl_time = bench::median(theirs);
        const double ratio = our_time / curl_time;
        std::printf("Downloads of %s from the stand-in, whole processes, median of %d:\n", s.what, runs);
        std::printf("  ours  %8.3f s\n", our_time);
        std::printf("  curl  %8.3f s\n", curl_time);
        std::printf("  ratio %.2f (ceiling %.1f): %s\n", ratio, target_ratio, ratio <= target_ratio ? "met" : "missed");
        if (ratio > target_ratio)
            status = 3;
    }
    stand_in->close_input();
    stand_in->wait(10000);
    std::filesystem::remove_all(scratch);
    return status;
}
