// The FTP transport's upload beside curl's: a fixed-seed 100 MB archive to the stand-in's
// sink, after a warm-up five interleaved runs of each: quorbis_ftp_connection (a new
// connection each run, its progress reported through the status dialog's manager and
// channel) and `curl -sS -T file -u u:p ftp://...`; both medians in MB/s and their ratio,
// held to at most 1.1 (curl's rate over ours).
#include "bench/bench_runs.h"
#include "bench/standin_ports.h"
#include "broadcast/ftp/quorbis_broadcast_dlg.h"
#include "broadcast/ftp/quorbis_ftp_broadcaster.h"
#include "platform/ftp/ftp_session.h"
#include "platform/process/process.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t archive_size = 100 * 1024 * 1024;
constexpr int runs = 5;
constexpr double target_ratio = 1.1;

std::string archive_bytes()
{
    std::mt19937_64 random(20);
    std::string bytes(archive_size, '\0');
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const auto word = random();
        std::memcpy(bytes.data() + i, &word, 8);
    }
    return bytes;
}

double ours_seconds(const platform::ftp::ftp_endpoint& endpoint, const std::string& path)
{
    broadcast::progressdlg_dopmanager manager(std::make_shared<broadcast::ftp_status_channel>());
    auto observer = manager.make_observer();
    const auto start = std::chrono::steady_clock::now();
    bool accepted = false;
    {
        broadcast::quorbis_ftp_connection connection(endpoint, [](const platform::ftp::ftp_endpoint& e) {
            return platform::ftp::make_curl_ftp_session(e);
        });
        auto step = observer->begin_step(broadcast::step_main_line, "Sending archive", nullptr);
        accepted = broadcast::upload_accepted(connection.put(path, *step));
    }
    const double seconds = bench::seconds_since(start);
    return accepted ? seconds : -1;
}

double curl_seconds(const platform::ftp::ftp_endpoint& endpoint, const std::string& path)
{
    const std::string url = "ftp://127.0.0.1:" + std::to_string(endpoint.port) + "/archive.tar.gz";
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    auto child = platform::process::child::spawn("/usr/bin/curl",
        {"-sS", "--noproxy", "*", "-T", path, "-u", endpoint.user + ":" + endpoint.password, url}, {}, error);
    if (!child)
        return -1;
    const auto result = child->wait(0xFFFFFFFF);
    const double seconds = bench::seconds_since(start);
    return result && result->exit_code == 0 ? seconds : -1;
}

}

int main()
{
    const std::string folder = bench::make_scratch("ftp-bench");
    platform::process::spawn_options streams;
    streams.input_pipe = true;
    streams.output_lines = true;
    std::string error;
    auto stand_in = platform::process::child::spawn("/usr/bin/python3",
        {STANDIN_SERVER_SCRIPT, "--sink", "--services", "ftp", "--record-folder", folder}, streams, error);
    if (!stand_in) {
        std::fprintf(stderr, "the stand-in could not be started: %s\n", error.c_str());
        return 1;
    }
    auto ports = bench::stand_in_ports(*stand_in);
    if (ports.count("ftp") == 0) {
        std::fprintf(stderr, "the stand-in printed no ready line\n");
        return 1;
    }
    const platform::ftp::ftp_endpoint endpoint {"127.0.0.1", static_cast<std::uint16_t>(ports["ftp"]), "demo", "secret"};
    const std::string path = folder + "/archive.tar.gz";
    bench::write_file(path, archive_bytes());

    std::vector<double> ours, theirs;
    bool failed = ours_seconds(endpoint, path) < 0 || curl_seconds(endpoint, path) < 0;
    for (int i = 0; i < runs && !failed; ++i) {
        const double a = ours_seconds(endpoint, path);
        const double b = curl_seconds(endpoint, path);
        failed = a < 0 || b < 0;
        ours.push_back(archive_size / a / 1e6);
        theirs.push_back(archive_size / b / 1e6);
    }
    stand_in->close_input();
    stand_in->wait(10000);
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    if (failed) {
        std::fprintf(stderr, "an upload failed\n");
        return 1;
    }
    const double our_rate = bench::median(ours);
    const double curl_rate = bench::median(theirs);
    const double ratio = curl_rate / our_rate;
    std::printf("FTP upload of a %zu MB archive to the stand-in's sink, median of %d:\n", archive_size >> 20, runs);
    std::printf("  quorbis_ftp_connection %8.1f MB/s\n", our_rate);
    std::printf("  curl -T ftp://          %8.1f MB/s\n", curl_rate);
    std::printf("  ratio %.2f (target <= %.1f): %s\n", ratio, target_ratio, ratio <= target_ratio ? "met" : "missed");
    return 0;
}
