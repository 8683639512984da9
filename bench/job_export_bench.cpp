// The job export of a 20 MB message (200 pictures of 100 KB, random bytes, seeded) beside
// `tar -cf` plus `zip` of the same folder in the same run: median of 5 alternating runs
// each, and the ratio of the medians. Fails when the ratio misses its target of 1.2.
#include "bench/bench_runs.h"
#include "platform/process/process.h"
#include "shell/package/job_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int picture_count = 200;
constexpr std::size_t picture_size = 100 * 1024;
constexpr int runs = 5;
constexpr double target = 1.2;


void write_message(const std::string& companion)
{
    std::mt19937_64 random(20261211);
    std::filesystem::create_directories(companion + "/Message_Files");
    std::filesystem::create_directories(companion + "/Pull_Files");
    std::filesystem::create_directories(companion + "/Push_Files");
    std::string body = "<html><body>\n";
    for (int i = 0; i < picture_count; ++i) {
        std::string content;
        content.reserve(picture_size);
        while (content.size() < picture_size) {
            auto value = random();
            content.append(reinterpret_cast<const char*>(&value), sizeof value);
        }
        auto name = "picture" + std::to_string(i) + ".gif";
        std::ofstream(companion + "/Pull_Files/" + name, std::ios::binary) << content;
        body += "<img src=\"" + name + "\">\n";
    }
    std::ofstream(companion + "/Message_Files/Message_Body.htm", std::ios::binary) << body << "</body></html>\n";
}



double time_peer(const std::string& folder)
{
    platform::process::system_runner runner;
    auto tar = platform::process::find_program("tar");
    auto zip = platform::process::find_program("zip");
    if (!tar || !zip) {
        std::fprintf(stderr, "job_export_bench: tar and zip are needed\n");
        std::exit(2);
    }
    std::filesystem::remove(folder + "/peer.tar");
    std::filesystem::remove(folder + "/peer.zip");
    auto start = std::chrono::steady_clock::now();
    auto tarred = runner.run(*tar, {"-cf", "peer.tar", "--", "news_files"}, folder);
    auto zipped = runner.run(*zip, {"-q", "peer.zip", "peer.tar"}, folder);
    double elapsed = bench::seconds_since(start);
    if (tarred.exit_code != 0 || zipped.exit_code != 0) {
        std::fprintf(stderr, "job_export_bench: the peer failed\n%s%s", tarred.output.c_str(), zipped.output.c_str());
        std::exit(1);
    }
    return elapsed;
}

}

int main()
{
    auto scratch = bench::make_scratch("job-export");
    write_message(scratch + "/news_files");
    std::ofstream(scratch + "/news.dndtf") << "parts";
    std::ofstream(scratch + "/news.objects") << "1.0.0.0\n";
    const shell::job_export_request request {scratch + "/news_files", scratch + "/news.dndtf", scratch + "/news.objects",
        scratch + "/out/news.gz"};
    std::filesystem::create_directories(scratch + "/out");

    std::vector<double> ours, peer;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        try {
            shell::export_job_package(request);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "job_export_bench: %s\n", error.what());
            return 1;
        }
        ours.push_back(bench::seconds_since(start));
        peer.push_back(time_peer(scratch));
    }
    std::filesystem::remove_all(scratch);

    double ratio = bench::median(ours) / bench::median(peer);
    std::printf("job_export_bench (20 MB in 200 pictures): ours %.3f s, tar -cf plus zip %.3f s, ratio %.2f "
                "(target <= %.2f)%s\n",
        bench::median(ours), bench::median(peer), ratio, target, ratio <= target ? "" : "  MISSED");
    return ratio <= target ? 0 : 1;
}
