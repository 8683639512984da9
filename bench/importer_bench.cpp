// The HTML importer over message-sized pages, one run:
// - a resource-free 1 MB page (scan and form wrapper, as an import runs them) beside libxml2's
//   HTML parser and serialiser (htmlReadMemory + htmlDocDumpMemory); target: at least as fast;
// - growth rows: 1,000 and 10,000 pictures, 10,000 and 100,000 reported tags, 10,000 and
//   100,000 nested links; target: the time per item at ten times the count within twice the
//   smaller one's.
// Prints the figures, the ratio and the growth with their targets.
#include "bench/libxml2_peer.h"
#include "bench/ratio_reporter.h"
#include "bench/repeated_text.h"
#include "conversion/form_wrapper/inner_html_cback.h"
#include "conversion/importer/html_importer.h"
#include "platform/registry/file_store.h"
#include "platform/registry/profile.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::size_t megabyte = 1024 * 1024;

class silent_host : public conversion::importer_host {
public:
    int ask_form_action() override { return conversion::IDC_FORM_IGNORE; }
    missing_answer ask_missing_resource(const std::string& name) override { return {conversion::import_answer_no, false, name, false}; }
    std::optional<std::string> choose_resource_file(const std::string&) override { return std::nullopt; }
    void warn_foreign_page() override { }
};

// One importer with its maps, counters and settings; the message folder is a scratch folder.
struct importer_rig {
    importer_rig()
        : folder(std::filesystem::temp_directory_path() / ("importer-bench-" + std::to_string(::getpid())))
        , store((folder / "registry.txt").string())
        , profile(store, "Software\\Holvane\\Talverin")
        , forms {profile, "forms.test"}
    {
        std::filesystem::create_directories(folder / "message");
        settings.types = conversion::mime_table::from_text("application/zip zip\ntext/html htm html\n");
        settings.tag_list_path = TALVERIN_RESOURCES_DIR "/aoltags.txt";
        settings.report_path = (folder / "aolincompatible.txt").string();
    }
    ~importer_rig()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    conversion::quorbis_html_importer make()
    {
        return conversion::quorbis_html_importer(host, maps.pictures, maps.clicktos, maps.pullfiles, maps.flashfiles,
            (folder / "message").string(), counters, dtd, forms, settings);
    }

    std::filesystem::path folder;
    platform::registry::file_store store;
    platform::registry::profile profile;
    conversion::form_settings forms;
    conversion::importer_settings settings;
    silent_host host;
    shell::object_maps maps;
    core::object_name_counters counters;
    core::CDTDStrict dtd;
};

importer_rig& rig()
{
    static importer_rig made;
    return made;
}

// A page without files to fetch: text, lists, a table, bookmarks and links within the page.
const std::string& resource_free_page()
{
    static const std::string page = "<html><head><title>News</title></head><body>\r\n"
        + bench::repeated("<h2><a name=n1>Spring</a></h2><p>Dear reader,&nbsp;our <b>spring</b> offers are here. "
                          "See <a href=\"#n1\">the top</a>.</p>\r\n<ul><li>One</li><li>Two</li></ul>\r\n"
                          "<table border=1><tr><td>Item</td><td>9.99</td></tr></table>\r\n",
              megabyte)
        + "</body></html>\r\n";
    return page;
}

void BM_importer(benchmark::State& state)
{
    const std::string& page = resource_free_page();
    for (auto _ : state) {
        auto importer = rig().make();
        const std::string scanned = importer.scan_tags(page, false);
        auto body = conversion::copy_page_through_form_wrapper(scanned, {}, rig().forms);
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void BM_libxml2(benchmark::State& state)
{
    const std::string& page = resource_free_page();
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::libxml2_read_and_write(page));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

std::string repeated_items(const std::string& item, std::int64_t count)
{
    std::string out;
    out.reserve(item.size() * static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i)
        out += item;
    return out;
}

void BM_pictures(benchmark::State& state)
{
    const std::string page = repeated_items("<img src=\"http://cdn.example.com/p.gif\" alt=x>", state.range(0));
    for (auto _ : state) {
        auto importer = rig().make();
        benchmark::DoNotOptimize(importer.scan_tags(page, false).size());
    }
}

void BM_reported_tags(benchmark::State& state)
{
    const std::string page = repeated_items("<blink>x</blink>", state.range(0) / 2);
    const std::string path = (rig().folder / "reported.htm").string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(page.data(), 1, page.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        auto importer = rig().make();
        auto result = importer.import_page(path);
        benchmark::DoNotOptimize(result.body.size());
    }
}

void BM_nested_links(benchmark::State& state)
{
    const std::string page = repeated_items("<a href=\"#x\">", state.range(0)) + "deep";
    for (auto _ : state) {
        auto importer = rig().make();
        benchmark::DoNotOptimize(importer.scan_tags(page, false).size());
    }
}

void register_rows()
{
    using row = void (*)(benchmark::State&);
    const struct {
        const char* name;
        row run;
        std::vector<std::int64_t> sizes;
    } rows[] = {
        {"importer", BM_importer, {1}},
        {"libxml2", BM_libxml2, {1}},
        {"pictures", BM_pictures, {1000, 10000}},
        {"reported_tags", BM_reported_tags, {10000, 100000}},
        {"nested_links", BM_nested_links, {10000, 100000}},
    };
    for (const auto& r : rows)
        for (auto size : r.sizes)
            benchmark::RegisterBenchmark((std::string(r.name) + "/" + std::to_string(size)).c_str(), r.run)
                ->Arg(size)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);
}

}

int main(int argc, char** argv)
{
    register_rows();
    benchmark::Initialize(&argc, argv);
    bench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double mb = static_cast<double>(resource_free_page().size()) / megabyte;
    std::printf("importer %.1f MB/s, libxml2 %.1f MB/s\n", mb * 1000.0 / reporter.time_of("importer/1"),
        mb * 1000.0 / reporter.time_of("libxml2/1"));
    bool met = reporter.print_ratio("importer / libxml2, 1 MB page", "importer/1", "libxml2/1", 1.0);
    bench::print_growth(reporter, "pictures, 10,000 / 1,000", "pictures/1000", "pictures/10000", 10, met);
    bench::print_growth(reporter, "reported tags, 100,000 / 10,000", "reported_tags/10000", "reported_tags/100000", 10, met);
    bench::print_growth(reporter, "nested links, 100,000 / 10,000", "nested_links/10000", "nested_links/100000", 10, met);
    return met ? 0 : 1;
}
