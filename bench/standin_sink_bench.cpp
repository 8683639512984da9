// The stand-in's sink mode (no records, no verdicts, immediate replies) as the ceiling of
// transport benchmarks: its HTTP and FTP throughput in MB/s, fed by libcurl. A transport
// benchmark divides its own figure by these and says "server-bound" from 0.8 on.
#include "bench/standin_ports.h"
#include "platform/process/process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t payload_size = 32 * 1024 * 1024;
constexpr int rounds = 3;

std::size_t discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

struct source {
    const std::string* data;
    std::size_t offset;
};

std::size_t read_source(char* buffer, std::size_t size, std::size_t count, void* user)
{
    auto* from = static_cast<source*>(user);
    auto take = std::min(size * count, from->data->size() - from->offset);
    std::copy_n(from->data->data() + from->offset, take, buffer);
    from->offset += take;
    return take;
}

// Seconds for libcurl to send the payload: an HTTP/1.0 post or an FTP upload.
double curl_send(const std::string& url, const std::string& payload, bool ftp)
{
    CURL* curl = curl_easy_init();
    source from {&payload, 0};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    if (ftp) {
        curl_easy_setopt(curl, CURLOPT_USERPWD, "demo:secret");
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, read_source);
        curl_easy_setopt(curl, CURLOPT_READDATA, &from);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, payload.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    }
    auto start = std::chrono::steady_clock::now();
    auto code = curl_easy_perform(curl);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return code == CURLE_OK ? seconds : -1;
}

template <typename Run>
double best_rate(Run run)
{
    double best = 0;
    for (int i = 0; i < rounds; ++i) {
        double seconds = run();
        if (seconds <= 0)
            return -1;
        best = std::max(best, payload_size / seconds / 1e6);
    }
    return best;
}

}

int main()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder_template = std::string(tmp && *tmp ? tmp : "/tmp") + "/standin-sink-XXXXXX";
    const char* folder = ::mkdtemp(folder_template.data());
    platform::process::spawn_options streams;
    streams.input_pipe = true;
    streams.output_lines = true;
    std::string error;
    auto stand_in = platform::process::child::spawn("/usr/bin/python3",
        {STANDIN_SERVER_SCRIPT, "--sink", "--services", "http,ftp", "--record-folder", folder ? folder : "/tmp"},
        streams, error);
    if (!stand_in) {
        std::fprintf(stderr, "the stand-in could not be started: %s\n", error.c_str());
        return 1;
    }
    auto ports = bench::stand_in_ports(*stand_in);
    if (ports.empty()) {
        std::fprintf(stderr, "the stand-in printed no ready line\n");
        return 1;
    }
    std::string payload(payload_size, '\0');
    std::mt19937 random(7);
    for (auto& byte : payload)
        byte = static_cast<char>(random());
    curl_global_init(CURL_GLOBAL_DEFAULT);
    auto http_url = "http://127.0.0.1:" + std::to_string(ports["http"]) + "/cgi-bin/submit";
    auto ftp_url = "ftp://127.0.0.1:" + std::to_string(ports["ftp"]) + "/job.tar.gz";

    double http_ceiling = best_rate([&] { return curl_send(http_url, payload, false); });
    double ftp_ceiling = best_rate([&] { return curl_send(ftp_url, payload, true); });
    std::printf("stand-in sink, %zu MB payloads fed by libcurl, best of %d:\n", payload_size >> 20, rounds);
    std::printf("  HTTP post   %8.1f MB/s\n", http_ceiling);
    std::printf("  FTP upload  %8.1f MB/s\n", ftp_ceiling);
    std::printf("a transport reaching 0.8 of these figures is server-bound\n");
    stand_in->close_input();
    stand_in->wait(10000);
    curl_global_cleanup();
    if (folder)
        ::rmdir(folder);
    return http_ceiling > 0 && ftp_ceiling > 0 ? 0 : 1;
}
