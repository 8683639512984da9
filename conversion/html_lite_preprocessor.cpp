#include "conversion/html_lite_preprocessor.h"

#include "conversion/detail/sed_runner.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/markup/markup_parser.h"

#include <cstdint>
#include <limits>

namespace html_lite {

using core::equal_ignoring_case;
using hevtools::markup::parser_callback;

namespace {

const std::string no_value;

// Forwards every event and remembers whether the receiver asked to stop.
class stop_recorder : public parser_callback {
public:
    explicit stop_recorder(parser_callback& next) : next_(next) { }

    bool on_comment(std::string& text, std::size_t position) override { return note(next_.on_comment(text, position)); }
    bool on_empty_tag(markup_tag& tag, std::size_t position) override { return note(next_.on_empty_tag(tag, position)); }
    bool on_start_tag(markup_tag& tag, std::size_t position) override { return note(next_.on_start_tag(tag, position)); }
    bool on_end_tag(markup_tag& tag, std::size_t position) override { return note(next_.on_end_tag(tag, position)); }
    bool on_text(std::string& text, bool raw, std::size_t position) override
    {
        return note(next_.on_text(text, raw, position));
    }
    bool on_error(int code, std::size_t position, int& state) override
    {
        return note(next_.on_error(code, position, state));
    }

    bool stopped() const { return stopped_; }

private:
    bool note(bool answer)
    {
        stopped_ = stopped_ || !answer;
        return answer;
    }

    parser_callback& next_;
    bool stopped_ = false;
};

// Reads a number the way atol does (blanks, a sign, leading digits; 0 without digits),
// saturating instead of overflowing.
std::int64_t read_number(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;  // kept negative while reading a negative number
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative)
            value = value < (std::numeric_limits<std::int64_t>::min() + digit) / 10 ? std::numeric_limits<std::int64_t>::min() : value * 10 - digit;
        else
            value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return value;
}

std::int64_t saturated_sum(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return sum;
}

// Every occurrence of `what` replaced by `value`, left to right, without rescanning what
// was inserted. The result is built in one pass.
void replace_all(std::string& text, const std::string& what, const std::string& value)
{
    std::size_t found = text.find(what);
    if (what.empty() || found == std::string::npos)
        return;
    std::string result;
    result.reserve(text.size());
    std::size_t from = 0;
    for (; found != std::string::npos; found = text.find(what, from)) {
        result.append(text, from, found - from).append(value);
        from = found + what.size();
    }
    result.append(text, from, std::string::npos);
    text.swap(result);
}


}

bool tag_action::matches(const markup_tag& tag, const preprocessor& owner, bool post_pass) const
{
    const condition_kind event = post_pass ? on_postprocess : static_cast<condition_kind>(tag.kind);
    for (std::size_t i = 0; i < kinds_.size(); ++i) {
        switch (kinds_[i]) {
        case variable_set:
            if (owner.variable(conditions_[i]).empty())
                return false;
            break;
        case equal:
            if (what().empty())
                throw preprocessor::unexpected {};
            if (!equal_ignoring_case(owner.variable(what()), value()))
                return false;
            break;
        default:
            if (kinds_[i] != event)
                return false;
            break;
        }
    }
    return true;
}

bool text_action::matches(const std::string&, bool formatted, const preprocessor& owner) const
{
    switch (when_kind_) {
    case always:
        return true;
    case equal:
        if (what().empty())
            throw preprocessor::unexpected {};
        return equal_ignoring_case(owner.variable(what()), value());
    case formatted_only:
        return formatted;
    case unformatted_only:
        return !formatted;
    default:
        return false;
    }
}

bool tag_rule::apply(markup_tag& tag, std::size_t position, preprocessor& owner, bool& answer) const
{
    try {
        // Attributes are checked on start and empty tags only: an end tag carries none, and
        // adding a required one would write it into the end tag.
        if (tag.kind != markup_tag::end_tag) {
            auto rule_for = [this](const attribute_key& key) -> const attribute_rule* {
                for (const attribute_rule& candidate : attribute_rules)
                    if (candidate.key == key)
                        return &candidate;
                return nullptr;
            };
            auto action_for = [this](const attribute_rule* rule) {
                return attributes.lookup(rule ? listed_items : unknown_items);
            };
            bool any_removed = false;
            for (const auto& [key, value] : tag.attributes) {
                const attribute_rule* rule = rule_for(key);
                if (rule && rule->requirement == attribute_rule::forbidden)
                    throw preprocessor::unexpected {};
                switch (action_for(rule)) {
                case letthrough:
                    if (rule)
                        rule->apply(tag);
                    break;
                case stripout:
                    any_removed = true;
                    break;
                case continue_action:
                    answer = true;
                    return false;
                default:
                    break;
                }
            }
            if (any_removed) {
                // Rebuilt in one pass (erasing one by one is quadratic in a tag with many
                // attributes) into storage the preprocessor keeps for the next tag.
                core::attribute_map& kept = owner.scratch_attributes_;
                kept.clear();
                for (const auto& [key, value] : tag.attributes)
                    if (action_for(rule_for(key)) != stripout)
                        kept.set(key, value);
                std::swap(tag.attributes, kept);
            }
            for (const attribute_rule& rule : attribute_rules) {
                if (rule.requirement != attribute_rule::required || tag.attributes.find(rule.key) != nullptr)
                    continue;
                if (!rule.has_default)
                    throw preprocessor::unexpected {};
                tag.attributes.set(rule.key, rule.default_value);
            }
        }
        for (const tag_action& action : actions)
            if (action.matches(tag, owner, false) && !owner.run(action, tag, position, answer))
                return false;
        return true;
    } catch (const preprocessor::unexpected&) {
        answer = true;
        return false;
    }
}

bool tag_rule::post(markup_tag& tag, std::size_t position, preprocessor& owner, bool& answer) const
{
    // An action that ends the list here ends only this tag's actions: the tag has already
    // gone on, so the parse itself goes on unless the next callback stopped it.
    try {
        for (const tag_action& action : actions)
            if (action.matches(tag, owner, true) && !owner.run(action, tag, position, answer))
                break;
    } catch (const preprocessor::unexpected&) {
    }
    return answer;
}

bool text_rule::apply(std::string& text, bool formatted, std::size_t position, preprocessor& owner, bool& answer) const
{
    try {
        for (const text_action& action : actions)
            if (action.matches(text, formatted, owner) && !owner.apply(action, text, formatted, position, answer))
                return false;
        return true;
    } catch (const preprocessor::unexpected&) {
        answer = true;
        return false;
    }
}

bool text_rule::post(std::string&, bool, std::size_t, preprocessor&, bool& answer) const { return answer; }

preprocessor::preprocessor(parser_callback* next, const variable_list& variables)
    : next_(next != nullptr ? next : &none_)
{
    for (const auto& [name, value] : variables)
        variables_[name] = value;
}

const std::string& preprocessor::variable(const std::string& name) const
{
    const auto it = variables_.find(name);
    return it == variables_.end() ? no_value : it->second;
}

const tag_rule* preprocessor::find_tag_rule(const markup_tag& tag) const
{
    const auto it = tag_rules_.find(tag.element);
    return it == tag_rules_.end() ? nullptr : &it->second;
}

bool preprocessor::on_comment(std::string& text, std::size_t position)
{
    if (comment_policy_.lookup(any_items) == stripout)
        return true;
    // Comments never have a rule.
    if (comment_policy_.lookup(unknown_items) == stripout)
        return true;
    return next_->on_comment(text, position);
}

bool preprocessor::on_empty_tag(markup_tag& tag, std::size_t position)
{
    return on_tag(tag, position, &parser_callback::on_empty_tag);
}

bool preprocessor::on_start_tag(markup_tag& tag, std::size_t position)
{
    return on_tag(tag, position, &parser_callback::on_start_tag);
}

bool preprocessor::on_end_tag(markup_tag& tag, std::size_t position)
{
    return on_tag(tag, position, &parser_callback::on_end_tag);
}

bool preprocessor::on_tag(markup_tag& tag, std::size_t position, tag_event forward)
{
    if (tag_policy_.lookup(any_items) == stripout)
        return true;
    const tag_rule* rule = find_tag_rule(tag);
    if (rule == nullptr) {
        if (tag_policy_.lookup(unknown_items) == stripout)
            return true;
        return (next_->*forward)(tag, position);
    }
    // The tokenizer keeps the tag's name and element to close raw-text content (PRE,
    // SCRIPT), so a rule that renames the tag must not leave the new name behind.
    const element_entry* element = tag.element;
    std::string name = tag.name;
    bool answer = true;
    bool result = answer;
    if (!rule->apply(tag, position, *this, answer))
        result = answer;
    else if (!(next_->*forward)(tag, position))
        result = false;
    else
        result = rule->post(tag, position, *this, answer);
    tag.element = element;
    tag.name = std::move(name);
    return result;
}

bool preprocessor::on_text(std::string& text, bool raw, std::size_t position)
{
    if (text_policy_.lookup(any_items) == stripout)
        return true;
    const text_rule* rule = find_text_rule();
    bool answer = true;
    if (!rule->apply(text, raw, position, *this, answer))
        return answer;
    if (!next_->on_text(text, raw, position))
        return false;
    return rule->post(text, raw, position, *this, answer);
}

bool preprocessor::on_error(int code, std::size_t position, int& state) { return next_->on_error(code, position, state); }

bool preprocessor::apply(const text_action& action, std::string& text, bool, std::size_t, bool& answer)
{
    switch (action.type_letter()) {
    case 'c':
        answer = true;
        return false;
    case 'r':
        replace_all(text, action.what(), action.value_names_variable() ? variables_[action.value()] : action.value());
        return true;
    case 's': {
        std::string output;
        if (run_sed(action.what(), text, output, "html_lite::preprocessor::apply()"))
            text.swap(output);
        return true;
    }
    default:
        return true;
    }
}

bool preprocessor::run(const tag_action& action, markup_tag& tag, std::size_t, bool& answer)
{
    switch (action.type_letter()) {
    case 'a':
        if (!action.value().empty()) {
            tag.name = action.value();
            tag.element = hevtools::markup::html::html_dtd().find_element(tag.name);
        }
        return true;
    case 'c':
        answer = true;
        return false;
    case 'i': {
        const auto it = variables_.find(action.what());
        if (it != variables_.end() && !it->second.empty()) {
            const std::int64_t step = read_number(action.value().empty() ? "1" : action.value());
            it->second = std::to_string(saturated_sum(read_number(it->second), step));
        }
        answer = true;
        return true;
    }
    case 'p': {
        const std::string& text = action.entity_is_variable() ? variable(action.what()) : action.value();
        answer = true;
        if (!text.empty() && !emit(text)) {
            answer = false;
            return false;
        }
        return true;
    }
    case 'r':
        variables_[action.what()].clear();
        return true;
    case 's':
        if (action.type_is_set()) {
            const std::string* attribute = nullptr;
            if (action.entity_is_attribute())
                attribute = tag.attributes.find(hevtools::markup::html::html_dtd().find_attribute(action.value()));
            variables_[action.what()] = attribute ? *attribute : action.value();
            return true;
        }
        if (action.type_is_sed()) {
            std::string markup = core::markup_tag_to_text(tag);
            for (char& c : markup)
                if (c == '\r' || c == '\n')
                    c = ' ';
            std::string output;
            // A failed engine leaves the tag as it is; an empty result removes it.
            if (!run_sed(action.what(), markup, output, "html_lite::preprocessor::run()"))
                return true;
            answer = true;
            if (!output.empty() && !emit(output))
                answer = false;
            return false;
        }
        return true;
    default:
        return true;
    }
}

bool preprocessor::emit(const std::string& markup)
{
    stop_recorder recorder(*next_);
    core::markup_parser parser(true);
    core::run_markup_parser(recorder, markup.data(), markup.data() + markup.size(), hevtools::markup::html::html_dtd(), parser);
    return !recorder.stopped();
}

bool preprocessor::run_sed(const std::string& name, const std::string& input, std::string& output, const char* caller)
{
    static const sed_arguments undefined;
    const auto it = sed_commands_.find(name);
    const sed_arguments& command = it == sed_commands_.end() ? undefined : it->second;
    std::string messages;
    const int status = conversion::detail::run_sed_text(command.arguments, input, output, messages);
    if (status == 0)
        return true;
    TRACE_LOG("%s -- sed command \"%s\" failed with status %d (%s); the item is kept", caller, name.c_str(), status,
        messages.c_str());
    return false;
}

}
