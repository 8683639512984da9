#include "shell/documents/save_results_page.h"

#include "core/markup/escape.h"
#include "core/url/file_url.h"
#include "platform/strings/string_table.h"

namespace shell {

namespace {

constexpr unsigned IDS_SAVE_RESULTS_HEAD = 21087;
constexpr unsigned IDS_SAVE_RESULTS_ROW = 21088;
constexpr unsigned IDS_SAVE_RESULTS_PULL = 21089;
constexpr unsigned IDS_SAVE_RESULTS_PUSH = 21090;

// Each "%s" of a resource text takes the next argument; "%%" is a "%". Nothing else of the
// text is read as a format, whatever the resource holds.
std::string fill(const std::string& format, const std::vector<std::string>& arguments)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                if (next < arguments.size())
                    out += arguments[next++];
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

// A relative link: each byte other than unreserved ones and "/" percent-encoded.
std::string relative_url(const std::string& path)
{
    constexpr std::size_t scheme = 7; // "file://"
    return core::make_encoded_file_url(path).substr(scheme);
}

std::string attribute(const std::string& text) { return core::escape_attribute_value(text, '\'', core::escape_mode::exact); }
std::string text(const std::string& value) { return core::escape_text(value, core::escape_mode::exact); }

std::string file_lines(const std::string& folder_link, const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& name : names)
        out += "<a href='" + attribute(folder_link + "/" + relative_url(name)) + "'>" + text(name) + "</a><br>\n";
    return out;
}

}

std::string format_save_results_page(const platform::strings::string_table& strings, const save_results& results)
{
    const auto folder = relative_url(results.companion);
    std::string page = fill(strings.text(IDS_SAVE_RESULTS_HEAD),
        {text(results.project), attribute(results.generator), attribute(results.qbb_file), text(results.project),
            attribute(folder + "/Message_Files"), attribute(folder + "/Pull_Files"), attribute(folder + "/Push_Files")});
    page += "\n<table>\n";
    constexpr std::size_t scheme = 7;
    for (const auto& part : results.parts) {
        // The row's own "file://" stands before the encoded path.
        page += fill(strings.text(IDS_SAVE_RESULTS_ROW),
            {text(part.label), attribute(core::make_encoded_file_url(part.path).substr(scheme)), text(part.path)});
    }
    page += "</table>\n";
    page += strings.text(IDS_SAVE_RESULTS_PULL) + "\n" + file_lines(folder + "/Pull_Files", results.pull_files);
    page += strings.text(IDS_SAVE_RESULTS_PUSH) + "\n" + file_lines(folder + "/Push_Files", results.push_files);
    page += "</body>\n</html>\n";
    return page;
}

}
