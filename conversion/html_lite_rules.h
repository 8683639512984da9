#pragma once

// The records of an HTML-lite policy and the loader that reads a policy file into a
// preprocessor. A policy is markup: TAG, TEXT and SED blocks holding POLICY, ATTRIBUTE,
// ACTION, -E and -N elements.

#include "core/markup/dtd.h"
#include "core/markup/markup_parser.h"

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace html_lite {

using core::markup_tag;
using hevtools::markup::attribute_entry;
using hevtools::markup::attribute_key;
using hevtools::markup::element_entry;

class preprocessor;

// Action codes of a POLICY.
enum policy_action : int { letthrough = 0, stripout = 1, continue_action = 2, not_set = 3 };
// Item types of a POLICY.
enum policy_type : int { unknown_items = 0, any_items = 1, listed_items = 2, untyped_items = 3 };
// Kinds of item a policy table is for.
enum policy_kind : int { comment_kind = 0, tag_kind = 1, text_kind = 2, attribute_kind = 3 };

// What to do with the items of one kind, per item type.
struct policy_table {
    explicit policy_table(int item_kind) : kind(item_kind) { }

    // Entry `type` when it is set, else the "any" entry (which may itself be not set).
    int lookup(int type) const { return actions[type] != not_set ? actions[type] : actions[any_items]; }

    int kind;
    std::array<int, 4> actions {not_set, not_set, not_set, not_set};
};

// One ATTRIBUTE of a TAG block.
class attribute_rule {
public:
    enum requirement_type : int { forbidden = 0, allowed = 1, required = 2 };

    attribute_rule() = default;
    // The virtual destructor would otherwise turn every move into a copy.
    attribute_rule(const attribute_rule&) = default;
    attribute_rule(attribute_rule&&) = default;
    attribute_rule& operator=(const attribute_rule&) = default;
    attribute_rule& operator=(attribute_rule&&) = default;
    virtual ~attribute_rule() = default;
    // Runs for an attribute the tag's table lets through; forbidden attributes never get here
    // and the other requirements change nothing.
    virtual void apply(markup_tag& tag) const;

    attribute_key key;
    int requirement = allowed;
    bool has_default = false;
    std::string default_value;  // as written, quotes included
};

// An ACTION element as read, with the values the preprocessor uses taken out once.
class action_info {
public:
    explicit action_info(const markup_tag& action);
    action_info(const action_info&) = default;
    action_info(action_info&&) = default;
    action_info& operator=(const action_info&) = default;
    action_info& operator=(action_info&&) = default;
    virtual ~action_info() = default;

    const markup_tag& tag() const { return tag_; }
    const std::string& type() const { return type_; }
    const std::string& what() const { return what_; }
    const std::string& value() const { return value_; }
    // The value was written without quotes and begins with '#': it names a variable.
    bool value_names_variable() const { return value_names_variable_; }
    const std::string& entity() const { return entity_; }  // as written
    const std::string& when() const { return when_; }

    // The words above, recognised once: the type's first letter lower-cased, whether the
    // whole type is "set" or "sed", whether the entity is "variable" or "attribute".
    char type_letter() const { return type_letter_; }
    bool type_is_set() const { return type_is_set_; }
    bool type_is_sed() const { return type_is_sed_; }
    bool entity_is_variable() const { return entity_is_variable_; }
    bool entity_is_attribute() const { return entity_is_attribute_; }
    // For "alter": the HTML element the value names, looked up once.
    const element_entry* alter_element() const { return alter_element_; }

private:
    friend class preprocessor;

    markup_tag tag_;
    std::string type_;
    std::string what_;
    std::string value_;
    bool value_names_variable_ = false;
    std::string entity_;
    std::string when_;
    char type_letter_ = '\0';
    bool type_is_set_ = false;
    bool type_is_sed_ = false;
    bool entity_is_variable_ = false;
    bool entity_is_attribute_ = false;
    const element_entry* alter_element_ = nullptr;

protected:
    // Set when a preprocessor installs the action: the variables `what` and `value` name and
    // the action's print cache, as indices into that preprocessor's tables, so that running
    // the action looks up no name.
    const preprocessor* bound_to_ = nullptr;
    std::size_t what_slot_ = 0;
    std::size_t value_slot_ = 0;
    std::size_t print_slot_ = 0;
};

class tag_action : public action_info {
public:
    explicit tag_action(const markup_tag& action);
    // Whether the action's conditions hold for this tag; throws preprocessor::unexpected for
    // an "equal" condition without a variable name.
    virtual bool matches(const markup_tag& tag, const preprocessor& owner, bool post_pass) const;
    const std::vector<std::string>& conditions() const { return conditions_; }

    // What a condition tests: a variable, "equal", or one of the event words (any other word
    // never holds).
    enum condition_kind : int { on_simple = 0, on_open = 1, on_close = 2, on_postprocess, variable_set, equal, no_event };

    // False when matches() answers false for this event (a tag kind, or on_postprocess)
    // whatever the variables hold, without throwing: an event word of the conditions differs
    // before any "equal" that would throw is reached.
    bool may_match(condition_kind event) const { return (event_mask_ & (1u << event)) != 0; }

private:
    friend class preprocessor;

    std::vector<std::string> conditions_;  // `when` split at '&'
    std::vector<condition_kind> kinds_;
    std::vector<std::size_t> condition_slots_;  // the variable of each condition, once bound
    std::vector<std::size_t> variable_slots_;   // the slots of the variable conditions alone
    unsigned event_mask_ = 0;
    bool has_equal_ = false;
};

class text_action : public action_info {
public:
    explicit text_action(const markup_tag& action);
    virtual bool matches(const std::string& text, bool formatted, const preprocessor& owner) const;

private:
    enum when_kind : int { always, equal, formatted_only, unformatted_only, never };
    when_kind when_kind_ = always;
};

// The rules of one TAG block.
class tag_rule {
public:
    tag_rule() = default;
    tag_rule(const tag_rule&) = default;
    tag_rule(tag_rule&&) = default;
    tag_rule& operator=(const tag_rule&) = default;
    tag_rule& operator=(tag_rule&&) = default;
    explicit tag_rule(const element_entry* for_element) : element(for_element) { }
    virtual ~tag_rule() = default;

    // Checks the attributes and runs the actions before the tag is passed on. False: the tag
    // is dropped and the event answers `answer`.
    virtual bool apply(markup_tag& tag, std::size_t position, preprocessor& owner, bool& answer) const;
    // Runs the post-pass actions after the tag went on; returns the event's answer.
    virtual bool post(markup_tag& tag, std::size_t position, preprocessor& owner, bool& answer) const;

    const element_entry* element = nullptr;
    policy_table attributes {attribute_kind};
    std::vector<attribute_rule> attribute_rules;
    std::vector<tag_action> actions;
};

// The actions of every TEXT block, in file order.
class text_rule {
public:
    text_rule() = default;
    text_rule(const text_rule&) = default;
    text_rule(text_rule&&) = default;
    text_rule& operator=(const text_rule&) = default;
    text_rule& operator=(text_rule&&) = default;
    virtual ~text_rule() = default;
    virtual bool apply(std::string& text, bool formatted, std::size_t position, preprocessor& owner, bool& answer) const;
    virtual bool post(std::string& text, bool formatted, std::size_t position, preprocessor& owner, bool& answer) const;

    std::vector<text_action> actions;
};

// A named argument vector for the sed engine; argument 0 is the program name.
struct sed_arguments {
    std::string name;
    std::vector<std::string> arguments {"hhsed"};
};

// The parser callback that reads a policy into a preprocessor. Every event answers true, so
// the whole input is read.
class rules_loader : public hevtools::markup::parser_callback {
public:
    // The policy vocabulary: eight elements and eleven attributes of its own, the HTML
    // unknown entries for anything else, and no raw-text content anywhere.
    class DTD : public hevtools::markup::html::DTD {
    public:
        bool is_empty_element(const markup_tag& tag) const override;
        attribute_key find_attribute(std::string_view name) const override;
        void find_attribute_into(std::string_view name, attribute_key& key) const override;
        const element_entry* find_element(std::string_view name) const override;
        int content_model(const element_entry* entry) const override;
        // "-E" and "-N".
        bool tag_name_may_start_with(char c) const override;
    };

    enum block_state : int { top_level = 0, in_tag = 1, in_text = 2, in_sed = 3 };

    explicit rules_loader(preprocessor& target) : target_(target) { }

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_end_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

    int state() const { return state_; }

private:
    void read_policy(const markup_tag& tag);
    void read_attribute(const markup_tag& tag);

    preprocessor& target_;
    int state_ = top_level;
    tag_rule rule_;
    sed_arguments sed_;
};

// Reads a policy from the stream into the preprocessor. A missing or empty stream installs
// nothing; errors in the policy are traced and reading goes on.
void load_rules(preprocessor& target, std::istream& policy);

// The value of an ACTION attribute or of -E: one pair of surrounding quotes removed.
std::string unquoted(std::string_view value);

}
