#include "conversion/html_lite_rules.h"

#include "conversion/html_lite_preprocessor.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"

#include <algorithm>
#include <istream>

namespace html_lite {

using core::equal_ignoring_case;

namespace {

// The policy vocabulary. The indices order the attributes inside a policy tag.
const element_entry policy_element {"POLICY"};
const element_entry tag_element {"TAG"};
const element_entry attribute_element {"ATTRIBUTE"};
const element_entry action_element {"ACTION"};
const element_entry text_element {"TEXT"};
const element_entry sed_element {"SED"};
const element_entry e_element {"-E"};
const element_entry n_element {"-N"};
const element_entry* const policy_elements[] = {&policy_element, &tag_element, &attribute_element, &action_element,
    &text_element, &sed_element, &e_element, &n_element};

const attribute_entry action_attribute {"action", 0};
const attribute_entry allowed_attribute {"allowed", 1};
const attribute_entry defvalue_attribute {"defvalue", 2};
const attribute_entry entity_attribute {"entity", 3};
const attribute_entry forbidden_attribute {"forbidden", 4};
const attribute_entry name_attribute {"name", 5};
const attribute_entry required_attribute {"required", 6};
const attribute_entry type_attribute {"type", 7};
const attribute_entry value_attribute {"value", 8};
const attribute_entry what_attribute {"what", 9};
const attribute_entry when_attribute {"when", 10};
const attribute_entry* const policy_attributes[] = {&action_attribute, &allowed_attribute, &defvalue_attribute,
    &entity_attribute, &forbidden_attribute, &name_attribute, &required_attribute, &type_attribute,
    &value_attribute, &what_attribute, &when_attribute};

const std::string no_value;

bool has(const markup_tag& tag, const attribute_entry& entry)
{
    return tag.attributes.find(attribute_key {std::string(entry.name), &entry}) != nullptr;
}

const std::string& value_of(const markup_tag& tag, const attribute_entry& entry)
{
    const std::string* value = tag.attributes.find(attribute_key {std::string(entry.name), &entry});
    return value ? *value : no_value;
}

int type_code(std::string_view word)
{
    if (equal_ignoring_case(word, "unknown"))
        return unknown_items;
    if (equal_ignoring_case(word, "any"))
        return any_items;
    if (equal_ignoring_case(word, "listed"))
        return listed_items;
    return untyped_items;
}

int action_code(std::string_view word)
{
    if (equal_ignoring_case(word, "letthrough"))
        return letthrough;
    if (equal_ignoring_case(word, "stripout"))
        return stripout;
    if (equal_ignoring_case(word, "continue"))
        return continue_action;
    return not_set;
}

}

std::string unquoted(std::string_view value)
{
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

void attribute_rule::apply(markup_tag&) const { }

action_info::action_info(const markup_tag& action)
    : tag_(action)
    , type_(unquoted(value_of(action, type_attribute)))
    , what_(unquoted(value_of(action, what_attribute)))
    , value_(unquoted(value_of(action, value_attribute)))
    , entity_(value_of(action, entity_attribute))
    , when_(unquoted(value_of(action, when_attribute)))
{
    const std::string& written = value_of(action, value_attribute);
    value_names_variable_ = !written.empty() && written.front() == '#';
    type_letter_ = type_.empty() ? '\0' : core::ascii_lower(type_.front());
    type_is_set_ = equal_ignoring_case(type_, "set");
    type_is_sed_ = equal_ignoring_case(type_, "sed");
    entity_is_variable_ = equal_ignoring_case(entity_, "variable");
    entity_is_attribute_ = equal_ignoring_case(entity_, "attribute");
    if (type_letter_ == 'a' && !value_.empty())
        alter_element_ = hevtools::markup::html::html_dtd().find_element(value_);
}

tag_action::tag_action(const markup_tag& action) : action_info(action)
{
    event_mask_ = 0xf;
    if (when().empty())
        return;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t amp = when().find('&', begin);
        conditions_.push_back(when().substr(begin, amp == std::string::npos ? std::string::npos : amp - begin));
        const std::string& condition = conditions_.back();
        kinds_.push_back(!condition.empty() && condition[0] == '#' ? variable_set
                : equal_ignoring_case(condition, "equal")         ? equal
                : equal_ignoring_case(condition, "onsimple")      ? on_simple
                : equal_ignoring_case(condition, "onopen")        ? on_open
                : equal_ignoring_case(condition, "onclose")       ? on_close
                : equal_ignoring_case(condition, "onpostprocess") ? on_postprocess
                                                                  : no_event);
        if (amp == std::string::npos)
            break;
        begin = amp + 1;
    }
    // Walks the conditions as matches() does, for each event.
    event_mask_ = 0;
    has_equal_ = std::find(kinds_.begin(), kinds_.end(), equal) != kinds_.end();
    for (const condition_kind event : {on_simple, on_open, on_close, on_postprocess}) {
        bool possible = true;
        for (const condition_kind kind : kinds_) {
            if (kind == equal && what().empty())
                break;  // throws: not skippable
            if (kind != variable_set && kind != equal && kind != event) {
                possible = false;
                break;
            }
        }
        if (possible)
            event_mask_ |= 1u << event;
    }
}

text_action::text_action(const markup_tag& action) : action_info(action)
{
    when_kind_ = when().empty()                                 ? always
        : equal_ignoring_case(when(), "equal")                  ? equal
        : equal_ignoring_case(when(), "formatted")              ? formatted_only
        : equal_ignoring_case(when(), "unformatted")            ? unformatted_only
                                                                : never;
}

bool rules_loader::DTD::is_empty_element(const markup_tag& tag) const
{
    return tag.name.empty() || tag.element == &policy_element || tag.element == &attribute_element
        || tag.element == &action_element || tag.element == &e_element || tag.element == &n_element;
}

attribute_key rules_loader::DTD::find_attribute(std::string_view name) const
{
    for (const attribute_entry* entry : policy_attributes)
        if (equal_ignoring_case(name, entry->name))
            return {std::string(entry->name), entry};
    // The HTML lookup's name form, under the unknown entry. Called by name, not virtually:
    // the HTML document type's find_attribute calls back into find_attribute_into.
    attribute_key key;
    hevtools::markup::html::DTD::find_attribute_into(name, key);
    key.entry = &hevtools::markup::html::unknown_attribute;
    return key;
}

void rules_loader::DTD::find_attribute_into(std::string_view name, attribute_key& key) const { key = find_attribute(name); }

const element_entry* rules_loader::DTD::find_element(std::string_view name) const
{
    for (const element_entry* entry : policy_elements)
        if (equal_ignoring_case(name, entry->name))
            return entry;
    return &hevtools::markup::html::unknown_element;
}

int rules_loader::DTD::content_model(const element_entry*) const { return 0; }

bool rules_loader::DTD::tag_name_may_start_with(char c) const { return c == '-'; }

bool rules_loader::on_comment(std::string&, std::size_t) { return true; }

bool rules_loader::on_text(std::string&, bool, std::size_t) { return true; }

bool rules_loader::on_error(int code, std::size_t position, int& state)
{
    TRACE_LOG("Parsing error %ld occured at offset %ld, parser being at state %ld\n", static_cast<long>(code),
        static_cast<long>(position), static_cast<long>(state));
    return true;
}

bool rules_loader::on_start_tag(markup_tag& tag, std::size_t)
{
    if (tag.element == &tag_element) {
        state_ = in_tag;
        rule_ = tag_rule(hevtools::markup::html::html_dtd().find_element(value_of(tag, name_attribute)));
    } else if (tag.element == &text_element) {
        state_ = in_text;
    } else if (tag.element == &sed_element) {
        state_ = in_sed;
        sed_ = sed_arguments {value_of(tag, name_attribute)};
    }
    return true;
}

bool rules_loader::on_empty_tag(markup_tag& tag, std::size_t)
{
    if (tag.element == &policy_element) {
        read_policy(tag);
    } else if (tag.element == &attribute_element) {
        read_attribute(tag);
    } else if (tag.element == &action_element) {
        if (state_ == in_tag)
            rule_.actions.emplace_back(tag);
        else if (state_ == in_text)
            target_.install_text_action(tag);
    } else if (tag.element == &n_element && state_ == in_sed) {
        sed_.arguments.emplace_back("-n");
    } else if (tag.element == &e_element && state_ == in_sed) {
        sed_.arguments.emplace_back("-e");
        std::string script = unquoted(value_of(tag, value_attribute));
        if (!script.empty())
            sed_.arguments.push_back(std::move(script));
    }
    return true;
}

bool rules_loader::on_end_tag(markup_tag&, std::size_t)
{
    if (state_ == in_tag)
        target_.install_tag_rule(std::move(rule_));
    else if (state_ == in_sed)
        target_.sed_commands_.insert_or_assign(sed_.name, std::move(sed_));
    rule_ = tag_rule();
    sed_ = sed_arguments();
    state_ = top_level;
    return true;
}

void rules_loader::read_policy(const markup_tag& tag)
{
    const int type = type_code(value_of(tag, type_attribute));
    const int action = action_code(value_of(tag, action_attribute));
    const std::string& entity = value_of(tag, entity_attribute);
    if (state_ == top_level) {
        if (equal_ignoring_case(entity, "comment"))
            target_.comment_policy_.actions[type] = action;
        else if (equal_ignoring_case(entity, "tag"))
            target_.tag_policy_.actions[type] = action;
        else if (equal_ignoring_case(entity, "text"))
            target_.text_policy_.actions[type] = action;
    } else if (state_ == in_tag && equal_ignoring_case(entity, "attribute")) {
        rule_.attributes.actions[type] = action;
    }
}

void rules_loader::read_attribute(const markup_tag& tag)
{
    attribute_rule rule;
    rule.key = hevtools::markup::html::html_dtd().find_attribute(value_of(tag, name_attribute));
    if (has(tag, forbidden_attribute))
        rule.requirement = attribute_rule::forbidden;
    else if (has(tag, allowed_attribute))
        rule.requirement = attribute_rule::allowed;
    else if (has(tag, required_attribute))
        rule.requirement = attribute_rule::required;
    if (has(tag, defvalue_attribute)) {
        rule.has_default = true;
        rule.default_value = value_of(tag, defvalue_attribute);
    }
    rule_.attribute_rules.push_back(std::move(rule));
}

void load_rules(preprocessor& target, std::istream& policy)
{
    const rules_loader::DTD dtd;
    rules_loader loader(target);
    core::markup_parser parser(false);
    parser.run_markup_parser_on_stream(policy, dtd, loader);
}

}
