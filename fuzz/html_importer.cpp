// Any bytes as a page scanned by the importer, its questions answered from the input: the
// scan ends, writes nothing outside the message folder, and the object markers it writes
// come in pairs.
#include "conversion/importer/html_importer.h"
#include "platform/registry/profile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A store that has nothing and takes nothing.
class empty_store : public platform::registry::store {
public:
    platform::registry::status inspect(const std::function<void(const platform::registry::registry_tree&)>&) override
    {
        return platform::registry::status::io_error;
    }
    platform::registry::status change(
        const std::function<platform::registry::status(platform::registry::registry_tree&)>&) override
    {
        return platform::registry::status::io_error;
    }
};

class input_host : public conversion::importer_host {
public:
    explicit input_host(const std::string& input) : input_(input) { }
    int ask_form_action() override { return next() % 2 ? conversion::IDC_FORM_IGNORE : conversion::IDC_FORM_MODIFY; }
    missing_answer ask_missing_resource(const std::string& name) override
    {
        static const int buttons[] = {conversion::import_answer_ok, conversion::import_answer_no,
            conversion::import_answer_cancel, conversion::IDC_YES_TO_ALL};
        const int b = next();
        return {buttons[b % 4], (b & 4) != 0, b & 8 ? name : std::string("typed.gif"), (b & 8) == 0};
    }
    std::optional<std::string> choose_resource_file(const std::string&) override { return std::nullopt; }
    void warn_foreign_page() override { }

private:
    int next() { return input_.empty() ? 0 : static_cast<unsigned char>(input_[at_++ % input_.size()]); }
    const std::string& input_;
    std::size_t at_ = 0;
};

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace fs = std::filesystem;
    // The scratch folder goes when the process ends.
    struct scratch {
        fs::path path = fs::temp_directory_path() / ("html_importer_fuzz_" + std::to_string(::getpid()));
        scratch() { fs::create_directories(path / "message"); }
        ~scratch()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    };
    static const scratch made;
    const fs::path& folder = made.path;
    const std::string input(reinterpret_cast<const char*>(data), size);
    input_host host(input);
    shell::object_maps maps;
    core::object_name_counters counters;
    core::CDTDStrict dtd;
    empty_store store;
    platform::registry::profile profile(store, "Software\\Holvane\\Talverin");
    conversion::form_settings forms {profile, "forms.test"};
    conversion::importer_settings settings;
    settings.types = conversion::mime_table::from_text("application/zip zip\ntext/html htm\n");
    conversion::quorbis_html_importer importer(host, maps.pictures, maps.clicktos, maps.pullfiles, maps.flashfiles,
        (folder / "message").string(), counters, dtd, forms, settings);
    if (size % 3 == 0)
        importer.set_mode_flag(size % 2 == 0);
    const std::string out = importer.scan_tags(input, size % 2 == 1);
    if (count(out, "<!--Quorbis-object-start-->") != count(out, "<!--Quorbis-object-end-->"))
        std::abort();
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "message")
            std::abort();
    for (const auto& entry : fs::directory_iterator(folder / "message"))
        fs::remove(entry.path());
    return 0;
}
