// The view's text rewriters, one run:
// - the whole plain-text chain over 1 MB of real pages (or an e-mail-like body when the pages
//   are absent) beside the html2text program over the same file (its process start
//   included); target: ours at least as fast (time ratio at most 1);
// - 1 and 10 MB of picture-only links, list items, table rows and 10,000 nested tables
//   through their pass; target: the time per MB at 10 MB within twice the 1 MB one's.
#include "bench/ratio_reporter.h"
#include "bench/repeated_text.h"
#include "conversion/view_text/text_rewriters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t megabyte = 1024 * 1024;

std::string mail_body()
{
    return "<p>Dear customer,&nbsp;see <a href=\"http://shop.example.com/o?id=1&amp;t=2\">your order</a>, "
           "<a href=\"HTTP://X/Ab\"><img src=\"logo.gif\"></a> or <A href=\"mailto:help@example.com\">write</A>.</p>\r\n"
           "<ol><li>one</li><li><strong>two</strong></li></ol><ul><li>a</li></ul>\r\n"
           "<table border=1><tr><td>Item</td><td>Price</td></tr><tr><td>Book&nbsp;A</td><td>9.99</td></tr></table>\r\n"
           "<object quorbis_id=flashfile1><param name=Movie value=\"m.swf\"></object><img src=p.gif alt=\"Logo\">\r\n";
}

// Whole corpus pages, in name order, until 1 MB is reached (html2text refuses a page cut
// short); the e-mail-like body repeated when they are absent.
std::string chain_input()
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = TALVERIN_HTML_CORPUS;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string pages;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        pages.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (pages.size() >= megabyte)
            break;
    }
    if (pages.empty()) {
        std::printf("chain input: real pages skipped, %s is absent; an e-mail-like body instead\n", folder.c_str());
        return bench::repeated(mail_body(), megabyte);
    }
    std::printf("chain input: %zu bytes of the pages of %s\n", pages.size(), folder.c_str());
    return pages;
}

const std::string& chain_text()
{
    static const std::string text = chain_input();
    return text;
}

void run_chain(std::string text)
{
    conversion::replace_objects_with_links(text, true);
    conversion::convert_links_to_text(text);
    conversion::convert_unordered_lists(text);
    conversion::convert_ordered_lists(text);
    conversion::convert_tables(text);
    conversion::convert_images_and_mailto_links(text, false, nullptr);
    conversion::decode_inline_markup(text);
    benchmark::DoNotOptimize(text.data());
}

void BM_chain(benchmark::State& state)
{
    for (auto _ : state)
        run_chain(chain_text());
}

void BM_html2text(benchmark::State& state)
{
    const auto file = std::filesystem::temp_directory_path() / ("text_rewriting_" + std::to_string(::getpid()) + ".html");
    std::ofstream(file, std::ios::binary) << chain_text();
    const std::string command = "html2text -o /dev/null '" + file.string() + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("html2text is missing (scripts/setup installs it)");
            break;
        }
    std::filesystem::remove(file);
}

struct shape {
    const char* name;
    std::string unit;
    std::function<void(std::string&)> pass;
};

std::string nested_tables()
{
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "<table><tr><td>";
    text += "x";
    for (int i = 0; i < 10000; ++i)
        text += "</td></tr></table>";
    return text;
}

const shape shapes[] = {
    {"anchors", "<a href=\"http://example.com/Page?x=1\"><img src=p.gif></a> ", conversion::convert_links_to_text},
    {"items", "<ol><li>item</li><li>item</li></ol>", conversion::convert_ordered_lists},
    {"rows", "<table><tr><td>a</td><td>b</td></tr></table>", conversion::convert_tables},
    {"nested_tables", nested_tables(), conversion::convert_tables},
};

void register_rows()
{
    benchmark::RegisterBenchmark("chain", BM_chain)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("html2text", BM_html2text)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    for (const shape& s : shapes)
        for (std::size_t size : {1, 10})
            benchmark::RegisterBenchmark((std::string(s.name) + "/" + std::to_string(size)).c_str(),
                [&s, size](benchmark::State& state) {
                    const std::string input = bench::repeated(s.unit, size * megabyte);
                    for (auto _ : state) {
                        std::string text = input;
                        s.pass(text);
                        benchmark::DoNotOptimize(text.data());
                    }
                })
                ->Repetitions(5)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);
}

}

int main(int argc, char** argv)
{
    // Keep freed memory in the process: fresh pages for every 10 MB result would time the
    // machine's page faults, not the passes.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    register_rows();
    benchmark::Initialize(&argc, argv);
    bench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bool met = reporter.print_ratio("text chain / html2text, the same pages", "chain", "html2text", 1.0);
    for (const shape& s : shapes)
        bench::print_growth(reporter, (std::string(s.name) + ", 10 / 1 MB").c_str(), std::string(s.name) + "/1",
            std::string(s.name) + "/10", 10, met);
    benchmark::Shutdown();
    return met ? 0 : 1;
}
