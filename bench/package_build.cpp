// The broadcast package of 100 MB in 20 files (half random bytes, half text, seeded) built
// by quorbis_zip (files placed beside the command file, tar, zip) beside `tar -cf` plus
// `zip` of the same files in the same run: median of 5 alternating runs each, and the
// ratio of the medians. Fails when the ratio misses its target of 1.2, or an archive is empty.
#include "bench/bench_runs.h"
#include "broadcast/job/broadcast_ref.h"
#include "broadcast/package/quorbis_zip.h"
#include "core/files/file_text.h"
#include "core/util/program_environment.h"
#include "platform/process/process.h"

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

constexpr int file_count = 20;
constexpr std::size_t file_size = 5 * 1024 * 1024;
constexpr int runs = 5;
constexpr double target = 1.2;


std::vector<std::string> write_files(const std::string& folder)
{
    static const char* const words[] = {"broadcast", "message", "recipient", "the", "of", "service", "form",
        "attachment", "and", "list", "report", "delivery", "a", "to", "subject"};
    std::mt19937_64 random(20261211);
    std::vector<std::string> paths;
    for (int i = 0; i < file_count; ++i) {
        std::string content;
        content.reserve(file_size);
        if (i % 2 == 0) {
            while (content.size() < file_size) {
                auto value = random();
                content.append(reinterpret_cast<const char*>(&value), sizeof value);
            }
        } else {
            while (content.size() < file_size) {
                content += words[random() % std::size(words)];
                content += random() % 12 == 0 ? '\n' : ' ';
            }
        }
        content.resize(file_size);
        auto path = folder + "/file " + std::to_string(i) + (i % 2 == 0 ? ".bin" : ".txt");
        std::ofstream(path, std::ios::binary) << content;
        paths.push_back(path);
    }
    return paths;
}



double time_ours(const std::vector<std::string>& files)
{
    auto job = broadcast::broadcast_ref::make(std::make_unique<broadcast::quorbis_broadcast>());
    job->bodies[broadcast::html_body] = files[1];
    for (std::size_t i = 2; i < files.size(); ++i)
        job->add_push_file(files[i]);
    job->add_pull_file({files[0], 0, 0});
    broadcast::command_file_inputs inputs;
    inputs.version = "1.0.0.0";
    auto start = std::chrono::steady_clock::now();
    broadcast::quorbis_zip package(true, true);
    package.write_command_file(job, inputs, broadcast::system_time_zone());
    auto compressed = package.build_archive();
    double elapsed = bench::seconds_since(start);
    if (core::get_file_size(compressed) == 0) {
        std::fprintf(stderr, "package_build: our archive is empty\n");
        std::exit(1);
    }
    return elapsed;
}

double time_peer(const std::string& folder, const std::vector<std::string>& files)
{
    platform::process::system_runner runner;
    auto tar = platform::process::find_program("tar");
    auto zip = platform::process::find_program("zip");
    if (!tar || !zip) {
        std::fprintf(stderr, "package_build: tar and zip are needed\n");
        std::exit(2);
    }
    std::filesystem::remove(folder + "/peer.tar");
    std::filesystem::remove(folder + "/peer.zip");
    std::vector<std::string> arguments {"-cf", folder + "/peer.tar", "--"};
    for (const auto& path : files)
        arguments.push_back(std::filesystem::path(path).filename());
    auto start = std::chrono::steady_clock::now();
    auto tarred = runner.run(*tar, arguments, folder);
    auto zipped = runner.run(*zip, {"peer.zip", "peer.tar"}, folder);
    double elapsed = bench::seconds_since(start);
    if (tarred.exit_code != 0 || zipped.exit_code != 0) {
        std::fprintf(stderr, "package_build: the peer failed\n%s%s", tarred.output.c_str(), zipped.output.c_str());
        std::exit(1);
    }
    return elapsed;
}

}

int main()
{
    auto scratch = bench::make_scratch("package-build");
    auto environment = core::current_program_environment();
    environment.temp_root = scratch + "/tmp";
    environment.data_folder = scratch + "/data";
    std::filesystem::create_directories(environment.temp_root);
    std::filesystem::create_directories(environment.data_folder);
    std::filesystem::create_directories(scratch + "/files");
    core::install_program_environment(environment);
    auto files = write_files(scratch + "/files");

    std::vector<double> ours, peer;
    for (int run = 0; run < runs; ++run) {
        ours.push_back(time_ours(files));
        peer.push_back(time_peer(scratch + "/files", files));
    }
    std::filesystem::remove_all(scratch);

    double ratio = bench::median(ours) / bench::median(peer);
    std::printf("package_build (100 MB in 20 files): ours %.3f s, tar -cf plus zip %.3f s, ratio %.2f (target <= %.2f)%s\n",
        bench::median(ours), bench::median(peer), ratio, target, ratio <= target ? "" : "  MISSED");
    return ratio <= target ? 0 : 1;
}
