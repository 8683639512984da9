#include "conversion/vocabulary/page_forms.h"

#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"

namespace conversion {

namespace {

using hevtools::markup::html::at;
using hevtools::markup::html::el;
using hevtools::markup::html::is;

class form_remover : public hevtools::markup::copying_parser_callback {
public:
    explicit form_remover(std::string& output) : copying_parser_callback(output) { }

    bool found() const { return found_; }

    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override
    {
        note_generator(tag);
        if (is(tag, el::FORM) && drops_form(tag))
            return true;
        return copying_parser_callback::on_empty_tag(tag, position);
    }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override
    {
        note_generator(tag);
        if (is(tag, el::FORM) && drops_form(tag))
            return true;
        return copying_parser_callback::on_start_tag(tag, position);
    }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override
    {
        if (is(tag, el::FORM) && found_)
            return true;
        return copying_parser_callback::on_end_tag(tag, position);
    }

private:
    void note_generator(const core::markup_tag& tag)
    {
        if (is(tag, el::META) && core::equal_ignoring_case(core::unquoted_attribute_value(tag, at::name), generator_meta_name))
            version_ = read_generator_version(core::unquoted_attribute_value(tag, at::content));
    }
    bool drops_form(const core::markup_tag& tag)
    {
        if (version_[0] < 3 || found_) {
            found_ = true;
            return true;
        }
        if (core::equal_ignoring_case(core::unquoted_attribute_value(tag, at::name), wrapper_form_name)) {
            found_ = true;
            return true;
        }
        return false;
    }

    program_version version_ {};
    bool found_ = false;
};

}

bool read_page_forms(std::string& page)
{
    std::string out;
    out.reserve(page.size());
    form_remover remover(out);
    core::markup_parser parser(true);
    core::run_markup_parser(remover, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
    if (!remover.found())
        return false;
    page = std::move(out);
    return true;
}

}
