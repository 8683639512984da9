// Any bytes as a page through the form wrapper. Wherever the plain copy is stable (a copy of
// the copy equals the copy), no tag lacks a name and no comment opener is read as a tag "--"
// ("<!-->", or "<!--a>" closed at a bare ">": the tokenizer's own rules make it a tag that
// reads back as text, and a nameless tag "</ x>" is written as "< x>", which reads back as
// text too): the unwrapped copy of the unwrapped copy equals the unwrapped copy, and for a page
// without FORM tags, taking the wrapper out on load gives the same page whether it was wrapped
// or not.
#include "conversion/form_wrapper/inner_html_cback.h"
#include "conversion/vocabulary/page_forms.h"
#include "core/markup/copying_callback.h"
#include "fuzz/odd_comments.h"
#include "platform/registry/file_store.h"

#include <cstdint>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string missing_settings_file()
{
    return (std::filesystem::temp_directory_path() / "talverin-no-settings" / "registry.txt").string();
}

using hevtools::markup::html::el;
using hevtools::markup::html::is;

class form_finder : public hevtools::markup::null_parser_callback {
public:
    bool found = false;
    bool nameless = false;
    bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }
    bool on_start_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }
    bool on_end_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }

private:
    bool note(const core::markup_tag& tag)
    {
        found = found || is(tag, el::FORM);
        nameless = nameless || tag.name.empty();
        return true;
    }
};

template <class Receiver>
void tokenize(std::string_view page, Receiver& receiver)
{
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
}

std::string plain_copy(std::string_view page)
{
    std::string out;
    hevtools::markup::copying_parser_callback copy(out);
    tokenize(page, copy);
    return out;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    // A settings file that does not exist: every value reads as missing.
    platform::registry::file_store store(missing_settings_file());
    platform::registry::profile profile(store, "Software\\Holvane\\Talverin");
    const conversion::form_settings settings {profile, "forms.test"};

    const auto unwrapped = conversion::copy_page_through_form_wrapper(page, {}, settings);
    const auto wrapped = conversion::copy_page_through_form_wrapper(page, {false, false, true, true}, settings);
    const auto copy = plain_copy(page);
    form_finder finder;
    tokenize(page, finder);
    if (plain_copy(copy) != copy || plain_copy(unwrapped) != unwrapped || finder.nameless || has_odd_comment(page))
        return 0;
    if (conversion::copy_page_through_form_wrapper(unwrapped, {}, settings) != unwrapped)
        std::abort();
    if (finder.found)
        return 0;
    std::string from_wrapped = wrapped;
    const bool wrapper_found = conversion::read_page_forms(from_wrapped);
    std::string from_unwrapped = unwrapped;
    if (conversion::read_page_forms(from_unwrapped))
        std::abort();
    if (wrapper_found != (wrapped != unwrapped) || from_wrapped != from_unwrapped)
        std::abort();
    return 0;
}
