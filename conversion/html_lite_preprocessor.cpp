#include "conversion/html_lite_preprocessor.h"

#include "conversion/detail/parsed_markup.h"
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
// was inserted. The result is built in one pass in `result`, whose storage the caller keeps
// for the next text; the text's own storage goes back to the caller in exchange.
void replace_all(std::string& text, const std::string& what, const std::string& value, std::string& result)
{
    std::size_t found = text.find(what);
    if (what.empty() || found == std::string::npos)
        return;
    result.clear();
    result.reserve(text.size());
    std::size_t from = 0;
    for (; found != std::string::npos; found = text.find(what, from)) {
        result.append(text, from, found - from).append(value);
        from = found + what.size();
    }
    result.append(text, from, std::string::npos);
    text.swap(result);
}


// HTML as the content of a PRE is read again: PRE holds ordinary markup there, so a nested
// PRE cannot start another reading.
class preformatted_content_dtd : public hevtools::markup::html::DTD {
public:
    int content_model(const element_entry* entry) const override
    {
        return entry == hevtools::markup::html::element(hevtools::markup::html::el::PRE)
            ? hevtools::markup::ordinary_content
            : hevtools::markup::html::DTD::content_model(entry);
    }
};

}

// The events of a PRE's content, read again, into the preprocessor's rules: every text of it is
// formatted, and every event takes the position of the content as a whole.
class formatted_markup_reader : public parser_callback {
public:
    formatted_markup_reader(preprocessor& owner, std::size_t position) : owner_(owner), position_(position) { }

    bool on_comment(std::string& text, std::size_t) override { return note(owner_.on_comment(text, position_)); }
    bool on_empty_tag(markup_tag& tag, std::size_t) override { return note(owner_.on_empty_tag(tag, position_)); }
    bool on_start_tag(markup_tag& tag, std::size_t) override { return note(owner_.on_start_tag(tag, position_)); }
    bool on_end_tag(markup_tag& tag, std::size_t) override { return note(owner_.on_end_tag(tag, position_)); }
    bool on_text(std::string& text, bool, std::size_t) override { return note(owner_.filter_text(text, true, position_)); }
    bool on_error(int code, std::size_t, int& state) override { return note(owner_.on_error(code, position_, state)); }

    bool stopped() const { return stopped_; }

private:
    bool note(bool answer)
    {
        stopped_ = stopped_ || !answer;
        return answer;
    }

    preprocessor& owner_;
    std::size_t position_;
    bool stopped_ = false;
};

namespace {

const preformatted_content_dtd& preformatted_dtd()
{
    static const preformatted_content_dtd instance;
    return instance;
}

}

const std::string& preprocessor::what_value(const action_info& action) const
{
    return action.bound_to_ == this ? slot_value(action.what_slot_) : variable(action.what());
}

bool tag_action::matches(const markup_tag& tag, const preprocessor& owner, bool post_pass) const
{
    const condition_kind event = post_pass ? on_postprocess : static_cast<condition_kind>(tag.kind);
    const bool bound = bound_to_ == &owner;
    for (std::size_t i = 0; i < kinds_.size(); ++i) {
        switch (kinds_[i]) {
        case variable_set:
            if ((bound ? owner.slot_value(condition_slots_[i]) : owner.variable(conditions_[i])).empty())
                return false;
            break;
        case equal:
            if (what().empty())
                throw preprocessor::unexpected {};
            if (!equal_ignoring_case(owner.what_value(*this), value()))
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
        return equal_ignoring_case(owner.what_value(*this), value());
    case formatted_only:
        return formatted;
    case unformatted_only:
        return !formatted;
    default:
        return false;
    }
}

inline bool preprocessor::holds(const tag_action& action, const markup_tag& tag, bool post_pass) const
{
    const auto event = post_pass ? tag_action::on_postprocess : static_cast<tag_action::condition_kind>(tag.kind);
    if (!action.may_match(event))
        return false;
    // Actions are held by value, so matches() needs no virtual dispatch.
    if (action.bound_to_ != this || action.has_equal_)
        return action.tag_action::matches(tag, *this, post_pass);
    for (const std::size_t slot : action.variable_slots_)
        if (slots_[slot].read->empty())
            return false;
    return true;
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
            if (owner.holds(action, tag, false) && !owner.run(action, tag, position, answer))
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
            if (owner.holds(action, tag, true) && !owner.run(action, tag, position, answer))
                break;
    } catch (const preprocessor::unexpected&) {
    }
    return answer;
}

bool text_rule::apply(std::string& text, bool formatted, std::size_t position, preprocessor& owner, bool& answer) const
{
    try {
        for (const text_action& action : actions)
            if (action.text_action::matches(text, formatted, owner) && !owner.apply(action, text, formatted, position, answer))
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

std::string& preprocessor::slot_variable(std::size_t slot)
{
    variable_slot& s = slots_[slot];
    if (s.value == nullptr) {
        s.value = &variables_[s.name];
        s.read = s.value;
    }
    return *s.value;
}

std::string& preprocessor::create_variable(const std::string& name)
{
    const auto [it, inserted] = variables_.try_emplace(name);
    if (inserted) {
        const auto slot = slot_index_.find(name);
        if (slot != slot_index_.end()) {
            slots_[slot->second].value = &it->second;
            slots_[slot->second].read = &it->second;
        }
    }
    return it->second;
}

std::string& preprocessor::what_variable(const action_info& action)
{
    return action.bound_to_ == this ? slot_variable(action.what_slot_) : create_variable(action.what());
}

std::string& preprocessor::value_variable(const action_info& action)
{
    return action.bound_to_ == this ? slot_variable(action.value_slot_) : create_variable(action.value());
}

std::size_t preprocessor::slot_for(const std::string& name)
{
    const auto known = slot_index_.find(name);
    if (known != slot_index_.end())
        return known->second;
    variable_slot slot {name};
    const auto it = variables_.find(name);
    if (it != variables_.end()) {
        slot.value = &it->second;
        slot.read = slot.value;
    }
    slots_.push_back(std::move(slot));
    slot_index_.emplace(name, slots_.size() - 1);
    return slots_.size() - 1;
}

void preprocessor::bind(action_info& action)
{
    action.what_slot_ = slot_for(action.what());
    if (action.value_names_variable())
        action.value_slot_ = slot_for(action.value());
    if (action.type_letter() == 'p') {
        action.print_slot_ = printed_.size();
        printed_.emplace_back();
    }
    action.bound_to_ = this;
}

void preprocessor::install_text_action(const markup_tag& action)
{
    text_rule_.actions.emplace_back(action);
    bind(text_rule_.actions.back());
}

void preprocessor::install_tag_rule(tag_rule&& rule)
{
    for (tag_action& action : rule.actions) {
        action.condition_slots_.assign(action.kinds_.size(), 0);
        action.variable_slots_.clear();
        for (std::size_t i = 0; i < action.kinds_.size(); ++i) {
            if (action.kinds_[i] == tag_action::variable_set) {
                action.condition_slots_[i] = slot_for(action.conditions_[i]);
                action.variable_slots_.push_back(action.condition_slots_[i]);
            }
        }
        bind(action);
    }
    const element_entry* element = rule.element;
    const tag_rule* installed = &tag_rules_.insert_or_assign(element, std::move(rule)).first->second;
    if (element == &hevtools::markup::html::unknown_element)
        unknown_rule_ = installed;
    else if (const int index = hevtools::markup::html::element_index(element); index >= 0)
        html_rules_[static_cast<std::size_t>(index)] = installed;
}

const tag_rule* preprocessor::find_tag_rule(const markup_tag& tag) const
{
    // Tags of the HTML document type find their rule by element index; others by the map.
    const element_entry* element = tag.element;
    if (const int index = hevtools::markup::html::element_index(element); index >= 0)
        return html_rules_[static_cast<std::size_t>(index)];
    if (element == &hevtools::markup::html::unknown_element)
        return unknown_rule_;
    const auto it = tag_rules_.find(element);
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
    // Raw text follows a start tag of PRE or SCRIPT straight away; only PRE's is read again.
    if (tag.kind == markup_tag::start_tag)
        preformatted_next_ = hevtools::markup::html::is(tag, hevtools::markup::html::el::PRE);
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
    if (raw && preformatted_next_) {
        preformatted_next_ = false;
        if (filters_markup())
            return filter_preformatted(text, position);
    }
    return filter_text(text, raw, position);
}

bool preprocessor::filters_markup() const
{
    const auto strips = [](const policy_table& table) {
        return table.lookup(any_items) == stripout || table.lookup(unknown_items) == stripout;
    };
    return !tag_rules_.empty() || strips(tag_policy_) || strips(comment_policy_);
}

bool preprocessor::filter_preformatted(const std::string& content, std::size_t position)
{
    formatted_markup_reader reader(*this, position);
    core::markup_parser parser(true);
    core::run_markup_parser(reader, content.data(), content.data() + content.size(), preformatted_dtd(), parser);
    // A PRE inside it started nothing.
    preformatted_next_ = false;
    return !reader.stopped();
}

bool preprocessor::filter_text(std::string& text, bool raw, std::size_t position)
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
        replace_all(text, action.what(), action.value_names_variable() ? value_variable(action) : action.value(),
            scratch_text_);
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
            tag.element = action.alter_element();
        }
        return true;
    case 'c':
        answer = true;
        return false;
    case 'i': {
        std::string* number = nullptr;
        if (action.bound_to_ == this) {
            number = slots_[action.what_slot_].value;
        } else if (const auto it = variables_.find(action.what()); it != variables_.end()) {
            number = &it->second;
        }
        if (number != nullptr && !number->empty()) {
            const std::int64_t step = action.value().empty() ? 1 : read_number(action.value());
            *number = std::to_string(saturated_sum(read_number(*number), step));
        }
        answer = true;
        return true;
    }
    case 'p': {
        const std::string& text = action.entity_is_variable() ? what_value(action) : action.value();
        answer = true;
        if (!text.empty() && !print(action, text)) {
            answer = false;
            return false;
        }
        return true;
    }
    case 'r':
        what_variable(action).clear();
        return true;
    case 's':
        if (action.type_is_set()) {
            const std::string* attribute = nullptr;
            if (action.entity_is_attribute())
                attribute = tag.attributes.find(hevtools::markup::html::html_dtd().find_attribute(action.value()));
            what_variable(action) = attribute ? *attribute : action.value();
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

bool preprocessor::emit(const std::string& markup) { return conversion::detail::parse_markup_into(markup, *next_); }

bool preprocessor::print(const action_info& action, const std::string& markup)
{
    if (action.bound_to_ != this)
        return emit(markup);
    return printed_[action.print_slot_].parse_into(markup, *next_);
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
