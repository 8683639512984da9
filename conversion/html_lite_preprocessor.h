#pragma once

#include "conversion/detail/parsed_markup.h"
#include "conversion/html_lite_rules.h"

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace html_lite {

// A filter between the tokenizer and the next receiver: applies the loaded policy to every
// event and passes what survives, possibly changed, to the next callback (not owned).
class preprocessor : public hevtools::markup::parser_callback {
public:
    // Thrown while a tag or text is examined; the rule examining it drops the item.
    struct unexpected { };

    using variable_list = std::vector<std::pair<std::string, std::string>>;

    // `variables`: the initial variables; a later pair with the same name wins.
    preprocessor(hevtools::markup::parser_callback* next, const variable_list& variables);
    // Installed actions point into this object's tables.
    preprocessor(const preprocessor&) = delete;
    preprocessor& operator=(const preprocessor&) = delete;

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_end_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

    // Runs one text action; false ends the action list (the text is dropped).
    virtual bool apply(const text_action& action, std::string& text, bool formatted, std::size_t position, bool& answer);
    // Runs one tag action; false ends the action list (in the normal pass the tag is dropped).
    virtual bool run(const tag_action& action, markup_tag& tag, std::size_t position, bool& answer);

    virtual const tag_rule* find_comment_rule() const { return nullptr; }
    virtual const tag_rule* find_tag_rule(const markup_tag& tag) const;
    virtual const text_rule* find_text_rule() const { return &text_rule_; }

    // The variable's value, empty when it does not exist (never creates it).
    const std::string& variable(const std::string& name) const;

    const std::map<const element_entry*, tag_rule>& tag_rules() const { return tag_rules_; }
    const text_rule& text_rules() const { return text_rule_; }
    const policy_table& comment_policy() const { return comment_policy_; }
    const policy_table& tag_policy() const { return tag_policy_; }
    const policy_table& text_policy() const { return text_policy_; }
    const std::map<std::string, std::string>& variables() const { return variables_; }
    const std::map<std::string, sed_arguments>& sed_commands() const { return sed_commands_; }

private:
    friend class rules_loader;
    friend class tag_rule;
    friend class tag_action;
    friend class text_action;
    friend class formatted_markup_reader;
    using tag_event = bool (hevtools::markup::parser_callback::*)(markup_tag&, std::size_t);

    // A variable named by an installed action: its name and, once it exists, its value in
    // variables_ (whose nodes never move); until then `read` shows an empty value.
    struct variable_slot {
        std::string name;
        std::string* value = nullptr;
        const std::string* read = &no_value_;
    };
    static inline const std::string no_value_ {};

    // Loader side: stores a TAG block's rule (a later one for the same element replaces it)
    // or a TEXT action, with the action's variables and print cache bound.
    void install_tag_rule(tag_rule&& rule);
    void install_text_action(const markup_tag& action);
    void bind(action_info& action);
    std::size_t slot_for(const std::string& name);

    // Bound variables: the value (empty when the variable does not exist), or the variable,
    // created empty when missing.
    const std::string& slot_value(std::size_t slot) const { return *slots_[slot].read; }
    std::string& slot_variable(std::size_t slot);
    // The variable of that name, created empty when missing; keeps the slots current.
    std::string& create_variable(const std::string& name);
    // The variable an action's `what` or `value` names, through its slot when it is bound here.
    const std::string& what_value(const action_info& action) const;
    std::string& what_variable(const action_info& action);
    std::string& value_variable(const action_info& action);

    // tag_action::matches() for one of the rule's actions, without the call when the action is
    // bound here and has no "equal" condition: then only its event words (see may_match) and
    // its variables decide, and nothing can throw.
    bool holds(const tag_action& action, const markup_tag& tag, bool post_pass) const;

    bool on_tag(markup_tag& tag, std::size_t position, tag_event forward);
    // A text event through the text rule; `formatted`: the content of PRE or SCRIPT.
    bool filter_text(std::string& text, bool formatted, std::size_t position);
    // The content of a PRE, which the tokenizer hands over as one formatted text: read again as
    // markup with white space kept, its tags through the tag rules like any others and its text
    // still formatted, so that nothing the rules strip outside a PRE passes inside one.
    bool filter_preformatted(const std::string& content, std::size_t position);
    // Whether the rules drop or change any tag or comment; where none does, a PRE's content
    // passes as one formatted text, as written.
    bool filters_markup() const;
    // Parses markup with the HTML document type straight into the next callback. False when
    // the next callback stopped.
    bool emit(const std::string& markup);
    // emit() for a print action, which hands on its last markup's events again when it
    // prints the same markup.
    bool print(const action_info& action, const std::string& markup);
    // Runs the named sed command line over the input; false (traced) when the engine failed.
    bool run_sed(const std::string& name, const std::string& input, std::string& output, const char* caller);

    hevtools::markup::null_parser_callback none_;
    hevtools::markup::parser_callback* next_;
    std::map<const element_entry*, tag_rule> tag_rules_;
    // The rules of tag_rules_ by HTML element index, and the unknown element's rule.
    std::array<const tag_rule*, hevtools::markup::html::element_count> html_rules_ {};
    const tag_rule* unknown_rule_ = nullptr;
    text_rule text_rule_;
    policy_table comment_policy_ {comment_kind};
    policy_table tag_policy_ {tag_kind};
    policy_table text_policy_ {text_kind};
    std::map<std::string, std::string> variables_;
    std::map<std::string, sed_arguments> sed_commands_;
    core::attribute_map scratch_attributes_;  // a tag's kept attributes while others are stripped
    std::string scratch_text_;                // a replaced text while it is built
    std::vector<variable_slot> slots_;
    std::map<std::string, std::size_t, std::less<>> slot_index_;
    std::vector<conversion::detail::parsed_markup_cache> printed_;  // by print action
    bool preformatted_next_ = false;  // a PRE just started: the next formatted text is its content
};

}
