// The markup vocabulary's passes over message-sized input, one run:
// - the form wrapper over 1 and 10 MB of an e-mail-like body, beside the plain copy and
//   libxml2's HTML parser and serialiser; target: at least 0.8 times the plain copy's speed;
// - the replace-comment refresh over 1,000 to 100,000 comments and text_to_html over 1 and
//   10 MB; target: the time per MB at ten times the size within twice the smaller one's.
// Prints MB/s and the ratios with their targets.
#include "bench/ratio_reporter.h"
#include "bench/repeated_text.h"
#include "conversion/form_wrapper/inner_html_cback.h"
#include "conversion/text_import/text_to_html.h"
#include "conversion/vocabulary/replace_comments.h"
#include "core/markup/copying_callback.h"
#include "platform/registry/file_store.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string missing_settings_file()
{
    return (std::filesystem::temp_directory_path() / "talverin-no-settings" / "registry.txt").string();
}

constexpr std::size_t megabyte = 1024 * 1024;

// An e-mail-like body: paragraphs of text with links (query strings with "&"), non-breaking
// spaces, a table and a picture, inside one BODY.
std::string mail_body(std::size_t size)
{
    const std::string unit = "<p>Dear customer,&nbsp;thank you for your order. See "
                             "<a href=\"http://shop.example.com/o?id=1&amp;t=2&x=3\">your order</a> or "
                             "<a href=\"mailto:help@example.com\">write to us</a>.&nbsp;&nbsp;Kind regards</p>\r\n"
                             "<table border=1><tr><td>Item</td><td>Price</td></tr><tr><td>Book&nbsp;A</td><td>9.99</td></tr>"
                             "</table>\r\n<img src=\"pictures/logo.gif\" alt=\"Logo\" width=120 height=40>\r\n";
    return "<html><head><title>Order</title></head><body>\r\n" + bench::repeated(unit, size) + "</body></html>\r\n";
}

const std::string& body_of(std::size_t megabytes)
{
    static const std::string one = mail_body(megabyte);
    static const std::string ten = mail_body(10 * megabyte);
    return megabytes == 1 ? one : ten;
}

void set_bytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_plain_copy(benchmark::State& state)
{
    const auto& body = body_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        // A new page each time, as the wrapper makes one.
        std::string out;
        out.reserve(body.size() + body.size() / 16 + 256);
        hevtools::markup::copying_parser_callback copy(out);
        core::markup_parser parser(true);
        core::run_markup_parser(copy, body.data(), body.data() + body.size(), hevtools::markup::html::html_dtd(), parser);
        benchmark::DoNotOptimize(out.data());
    }
    set_bytes(state, body.size());
}

void BM_form_wrapper(benchmark::State& state)
{
    const auto& body = body_of(static_cast<std::size_t>(state.range(0)));
    // A settings file that does not exist: every value reads as missing.
    platform::registry::file_store store(missing_settings_file());
    platform::registry::profile profile(store, "Software\\Holvane\\Talverin");
    const conversion::form_settings settings {profile, "forms.example.net"};
    for (auto _ : state) {
        auto out = conversion::copy_page_through_form_wrapper(body, {false, false, true, true}, settings);
        benchmark::DoNotOptimize(out.data());
    }
    set_bytes(state, body.size());
}

void BM_libxml2(benchmark::State& state)
{
    const auto& body = body_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        htmlDocPtr doc = htmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, "UTF-8",
            HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        xmlChar* text = nullptr;
        int length = 0;
        htmlDocDumpMemory(doc, &text, &length);
        benchmark::DoNotOptimize(text);
        xmlFree(text);
        xmlFreeDoc(doc);
    }
    set_bytes(state, body.size());
}

std::string comment_body(std::size_t comments)
{
    std::string body = "<html><body>";
    for (std::size_t i = 0; i < comments; ++i)
        body += "<p>Item " + std::to_string(i) + " <!--replace-->shown text<!--with{kept text " + std::to_string(i) + "}--></p>\r\n";
    return body + "</body></html>";
}

void BM_refresh(benchmark::State& state)
{
    const auto body = comment_body(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string copy = body;
        conversion::refreshReplaceComments(copy, std::nullopt);
        benchmark::DoNotOptimize(copy.data());
    }
    set_bytes(state, body.size());
}

std::string plain_text(std::size_t size)
{
    return bench::repeated("Dear customer,\tthank you   for your order of www.example.com/shop.\r\n"
                    "Write to (help@example.com) or see http://example.com/a?b=1&c=<2>.\r\n\r\n",
        size);
}

void BM_text_to_html(benchmark::State& state)
{
    const auto text = plain_text(static_cast<std::size_t>(state.range(0)) * megabyte);
    const conversion::page_style style {"Arial", 12, conversion::default_font_sizes()};
    for (auto _ : state) {
        auto page = conversion::text_to_html(text, style);
        benchmark::DoNotOptimize(page.data());
    }
    set_bytes(state, text.size());
}

// Each row under its own name, so the reporter keeps every size apart; the median of five
// repetitions is compared, the machine being shared.
void register_rows()
{
    using row = void (*)(benchmark::State&);
    const struct {
        const char* name;
        row run;
        std::vector<std::int64_t> sizes;
    } rows[] = {
        {"plain_copy", BM_plain_copy, {1, 10}},
        {"form_wrapper", BM_form_wrapper, {1, 10}},
        {"libxml2", BM_libxml2, {1, 10}},
        {"refresh", BM_refresh, {1000, 10000, 100000}},
        {"text_to_html", BM_text_to_html, {1, 10}},
    };
    for (const auto& r : rows) {
        for (auto size : r.sizes)
            benchmark::RegisterBenchmark((std::string(r.name) + "/" + std::to_string(size)).c_str(), r.run)
                ->Arg(size)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);
    }
}

}

int main(int argc, char** argv)
{
    register_rows();
    benchmark::Initialize(&argc, argv);
    bench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    bool met = true;
    for (const char* size : {"1", "10"}) {
        const std::string wrapper = std::string("form_wrapper/") + size;
        const std::string copy = std::string("plain_copy/") + size;
        const std::string libxml = std::string("libxml2/") + size;
        std::printf("form wrapper at %s MB: %.1f MB/s, plain copy %.1f MB/s, libxml2 %.1f MB/s\n", size,
            static_cast<double>(std::stoi(size)) * 1000.0 / reporter.time_of(wrapper),
            static_cast<double>(std::stoi(size)) * 1000.0 / reporter.time_of(copy),
            static_cast<double>(std::stoi(size)) * 1000.0 / reporter.time_of(libxml));
        // At least 0.8 times the plain copy's speed: at most 1.25 times its time.
        met = reporter.print_ratio(("form wrapper / plain copy, " + std::string(size) + " MB").c_str(), wrapper, copy, 1.25) && met;
        reporter.print_ratio(("form wrapper / libxml2, " + std::string(size) + " MB").c_str(), wrapper, libxml);
    }
    bench::print_growth(reporter, "refresh, 10,000 / 1,000 comments", "refresh/1000", "refresh/10000", 10, met);
    bench::print_growth(reporter, "refresh, 100,000 / 10,000 comments", "refresh/10000", "refresh/100000", 10, met);
    bench::print_growth(reporter, "text_to_html, 10 / 1 MB", "text_to_html/1", "text_to_html/10", 10, met);
    benchmark::Shutdown();
    return met ? 0 : 1;
}
