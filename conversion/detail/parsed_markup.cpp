#include "conversion/detail/parsed_markup.h"

namespace conversion::detail {

using hevtools::markup::parser_callback;
using core::markup_tag;

namespace {

// Forwards every event and remembers whether the receiver asked to stop; with `events`, keeps
// a copy of each event as it was before the receiver saw it.
class event_recorder : public parser_callback {
public:
    using event = parsed_markup_cache::event;

    event_recorder(parser_callback& next, std::vector<event>* events, std::size_t* count)
        : next_(next), events_(events), count_(count)
    {
        if (count_)
            *count_ = 0;
    }

    bool on_comment(std::string& text, std::size_t position) override
    {
        if (event* e = record(event::kind_type::comment, position))
            e->text = text;
        return note(next_.on_comment(text, position));
    }
    bool on_empty_tag(markup_tag& tag, std::size_t position) override
    {
        return forward_tag(event::kind_type::empty_tag, tag, position, &parser_callback::on_empty_tag);
    }
    bool on_start_tag(markup_tag& tag, std::size_t position) override
    {
        if (hevtools::markup::html::html_dtd().content_model(tag.element) != hevtools::markup::ordinary_content)
            replayable_ = false;
        return forward_tag(event::kind_type::start_tag, tag, position, &parser_callback::on_start_tag);
    }
    bool on_end_tag(markup_tag& tag, std::size_t position) override
    {
        return forward_tag(event::kind_type::end_tag, tag, position, &parser_callback::on_end_tag);
    }
    bool on_text(std::string& text, bool raw, std::size_t position) override
    {
        if (event* e = record(event::kind_type::text, position)) {
            e->text = text;
            e->raw = raw;
        }
        return note(next_.on_text(text, raw, position));
    }
    bool on_error(int code, std::size_t position, int& state) override
    {
        replayable_ = false;
        return note(next_.on_error(code, position, state));
    }

    bool stopped() const { return stopped_; }
    bool replayable() const { return replayable_ && !stopped_; }

private:
    using tag_event = bool (parser_callback::*)(markup_tag&, std::size_t);

    bool forward_tag(event::kind_type kind, markup_tag& tag, std::size_t position, tag_event forward)
    {
        if (event* e = record(kind, position))
            e->tag = tag;
        return note((next_.*forward)(tag, position));
    }
    event* record(event::kind_type kind, std::size_t position)
    {
        if (!events_)
            return nullptr;
        if (*count_ == events_->size())
            events_->emplace_back();
        event& e = (*events_)[(*count_)++];
        e.kind = kind;
        e.position = position;
        return &e;
    }
    bool note(bool answer)
    {
        stopped_ = stopped_ || !answer;
        return answer;
    }

    parser_callback& next_;
    std::vector<event>* events_;
    std::size_t* count_;
    bool stopped_ = false;
    bool replayable_ = true;
};

void tokenize(const std::string& markup, parser_callback& receiver)
{
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, markup.data(), markup.data() + markup.size(),
        hevtools::markup::html::html_dtd(), parser);
}

}

bool parse_markup_into(const std::string& markup, parser_callback& next)
{
    event_recorder recorder(next, nullptr, nullptr);
    tokenize(markup, recorder);
    return !recorder.stopped();
}

bool parsed_markup_cache::parse_into(const std::string& markup, parser_callback& next)
{
    for (const entry& kept : entries_)
        if (kept.replayable && kept.markup == markup)
            return replay(kept, next);
    if (entries_.size() < size) {
        entries_.emplace_back();
        next_replaced_ = entries_.size() - 1;
    }
    entry& fresh = entries_[next_replaced_];
    next_replaced_ = (next_replaced_ + 1) % size;
    fresh.replayable = false;
    fresh.markup = markup;
    event_recorder recorder(next, &fresh.events, &fresh.count);
    tokenize(fresh.markup, recorder);
    fresh.replayable = recorder.replayable();
    return !recorder.stopped();
}

bool parsed_markup_cache::replay(const entry& kept, parser_callback& next)
{
    // The tokenizer stops at the first event answered false; so does the replay.
    for (std::size_t i = 0; i < kept.count; ++i) {
        const event& e = kept.events[i];
        bool go_on = true;
        switch (e.kind) {
        case event::kind_type::comment:
            text_ = e.text;
            go_on = next.on_comment(text_, e.position);
            break;
        case event::kind_type::text:
            text_ = e.text;
            go_on = next.on_text(text_, e.raw, e.position);
            break;
        case event::kind_type::empty_tag:
        case event::kind_type::start_tag:
        case event::kind_type::end_tag:
            tag_ = e.tag;
            go_on = e.kind == event::kind_type::empty_tag ? next.on_empty_tag(tag_, e.position)
                : e.kind == event::kind_type::start_tag   ? next.on_start_tag(tag_, e.position)
                                                          : next.on_end_tag(tag_, e.position);
            break;
        }
        if (!go_on)
            return false;
    }
    return true;
}

}
