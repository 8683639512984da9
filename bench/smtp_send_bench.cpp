// SendViaSMTP beside libcurl's SMTP upload: a 20 MB message file (base64 lines, as the MIME
// writer makes them) to the stand-in's sink, after a warm-up five interleaved runs of each;
// both medians in MB/s and their ratio, held to at most 1.2 (libcurl's time over ours at most
// 1.2 times slower).
#include "broadcast/smtp/mail_thread.h"
#include "platform/net/tcp_socket.h"
#include "bench/standin_ports.h"
#include "platform/process/process.h"
#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t message_size = 20 * 1024 * 1024;
constexpr int runs = 5;
constexpr double target_ratio = 1.2;
const char* const destination = "submit@standin.test";

std::string message_text()
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(11);
    std::string text = "Subject: bench\r\nMIME-Version: 1.0\r\n\r\n";
    while (text.size() < message_size) {
        for (int i = 0; i < 76; ++i)
            text += alphabet[random() % 64];
        text += "\r\n";
    }
    return text;
}

struct source {
    std::FILE* file;
};

std::size_t read_file(char* buffer, std::size_t size, std::size_t count, void* user)
{
    return std::fread(buffer, 1, size * count, static_cast<source*>(user)->file);
}

double curl_seconds(const std::string& url, const std::string& path)
{
    source from {std::fopen(path.c_str(), "rb")};
    if (!from.file)
        return -1;
    CURL* curl = curl_easy_init();
    curl_slist* recipients = curl_slist_append(nullptr, (std::string("<") + destination + ">").c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, "<>");
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, read_file);
    curl_easy_setopt(curl, CURLOPT_READDATA, &from);
    auto start = std::chrono::steady_clock::now();
    auto code = curl_easy_perform(curl);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    std::fclose(from.file);
    return code == CURLE_OK ? seconds : -1;
}

double ours_seconds(const broadcast::smtp::smtp_context& context, const broadcast::smtp::smtp_mail& mail)
{
    auto start = std::chrono::steady_clock::now();
    int result = broadcast::smtp::SendViaSMTP(context, mail);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result == 1 ? seconds : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}

int main()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder_template = std::string(tmp && *tmp ? tmp : "/tmp") + "/smtp-bench-XXXXXX";
    const char* folder = ::mkdtemp(folder_template.data());
    if (!folder) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    platform::process::spawn_options streams;
    streams.input_pipe = true;
    streams.output_lines = true;
    std::string error;
    auto stand_in = platform::process::child::spawn("/usr/bin/python3",
        {STANDIN_SERVER_SCRIPT, "--sink", "--services", "smtp", "--record-folder", folder}, streams, error);
    if (!stand_in) {
        std::fprintf(stderr, "the stand-in could not be started: %s\n", error.c_str());
        return 1;
    }
    auto ports = bench::stand_in_ports(*stand_in);
    if (ports.count("smtp") == 0) {
        std::fprintf(stderr, "the stand-in printed no ready line\n");
        return 1;
    }
    const std::string server = "127.0.0.1:" + std::to_string(ports["smtp"]);
    const std::string path = std::string(folder) + "/message.eml";
    std::ofstream(path, std::ios::binary) << message_text();

    platform::prompts::stderr_prompt prompt;
    platform::strings::string_table strings;
    platform::net::system_host_names names;
    broadcast::smtp::smtp_context context {prompt, strings, names};
    broadcast::smtp::smtp_mail mail {server, "", destination, path};
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::string url = "smtp://" + server;

    std::vector<double> ours, theirs;
    bool failed = ours_seconds(context, mail) < 0 || curl_seconds(url, path) < 0;
    for (int i = 0; i < runs && !failed; ++i) {
        double a = ours_seconds(context, mail);
        double b = curl_seconds(url, path);
        failed = a < 0 || b < 0;
        ours.push_back(message_size / a / 1e6);
        theirs.push_back(message_size / b / 1e6);
    }
    stand_in->close_input();
    stand_in->wait(10000);
    curl_global_cleanup();
    ::unlink(path.c_str());
    ::rmdir(folder);
    if (failed) {
        std::fprintf(stderr, "a send failed\n");
        return 1;
    }
    double our_rate = median(ours);
    double curl_rate = median(theirs);
    double ratio = curl_rate / our_rate;
    std::printf("SMTP send of a %zu MB message file to the stand-in's sink, median of %d:\n", message_size >> 20, runs);
    std::printf("  SendViaSMTP     %8.1f MB/s\n", our_rate);
    std::printf("  libcurl smtp    %8.1f MB/s\n", curl_rate);
    std::printf("  ratio %.2f (target <= %.1f): %s\n", ratio, target_ratio, ratio <= target_ratio ? "met" : "missed");
    return 0;
}
