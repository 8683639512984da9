#pragma once

#include "core/markup/markup_parser.h"

#include <cstddef>
#include <string>
#include <vector>

namespace conversion::detail {

// Parses markup with the HTML document type, white space kept, straight into `next`. False
// when `next` stopped the run.
bool parse_markup_into(const std::string& markup, hevtools::markup::parser_callback& next);

// parse_markup_into() for a source that often parses the same markup again (a print action):
// the events of the last few distinct pieces are kept and handed on again, as copies, instead
// of running the tokenizer. Only a run the receiver could not steer is kept: no error (the
// receiver may change the tokenizer's state), no raw-text element (closed by its start tag as
// the receiver left it), not stopped.
class parsed_markup_cache {
public:
    bool parse_into(const std::string& markup, hevtools::markup::parser_callback& next);

    // One event as the receiver first got it.
    struct event {
        enum class kind_type { comment, empty_tag, start_tag, end_tag, text };
        kind_type kind = kind_type::text;
        core::markup_tag tag;
        std::string text;
        bool raw = false;
        std::size_t position = 0;
    };

private:
    struct entry {
        std::string markup;
        bool replayable = false;
        std::vector<event> events;  // the first `count` are this markup's; the rest keep storage
        std::size_t count = 0;
    };
    // A few entries, replaced in turn: a print of a counter ("1", "2", "3" in every list)
    // finds its values again.
    static constexpr std::size_t size = 4;

    bool replay(const entry& kept, hevtools::markup::parser_callback& next);

    std::vector<entry> entries_;
    std::size_t next_replaced_ = 0;
    core::markup_tag tag_;  // what a replayed tag event hands on
    std::string text_;
};

}
