// Reading HTML into the node tree, writing it back, and its plain text.

#include "html/headless/tree.h"

#include "core/markup/markup_parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace html::headless {


namespace {

#include "html/headless/named_references.inc"

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alnum(char c) { return is_alpha(c) || is_digit(c); }

bool whitespace_only(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), is_space);
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Windows-1252 characters of the bytes 128-159 (0 where the code page has none).
constexpr char32_t windows_1252_high[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Reference names have at most 8 characters: each packs into one number, first character
// highest and zeros after the end, so the numbers sort as the names do.
constexpr std::size_t longest_reference_name = 8;

constexpr std::uint64_t packed_reference_name(std::string_view name)
{
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < longest_reference_name; ++i)
        packed = packed << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return packed;
}

constexpr auto packed_reference_names = [] {
    std::array<std::uint64_t, std::size(named_references)> packed {};
    for (std::size_t i = 0; i < packed.size(); ++i)
        packed[i] = packed_reference_name(named_references[i].name);
    return packed;
}();

static_assert([] {
    for (std::size_t i = 0; i < packed_reference_names.size(); ++i)
        if (named_references[i].name.size() > longest_reference_name
            || (i > 0 && packed_reference_names[i - 1] >= packed_reference_names[i]))
            return false;
    return true;
}(), "reference names must be sorted, distinct and at most 8 characters long");

const named_reference* find_reference(std::string_view name)
{
    if (name.size() > longest_reference_name)
        return nullptr;
    const std::uint64_t key = packed_reference_name(name);
    const auto it = std::lower_bound(packed_reference_names.begin(), packed_reference_names.end(), key);
    return it != packed_reference_names.end() && *it == key ? &named_references[it - packed_reference_names.begin()]
                                                             : nullptr;
}

// Reads one reference at text[i] == '&'; on success appends it and returns the length used.
std::size_t read_reference(std::string_view text, std::size_t i, bool in_attribute, std::string& out)
{
    std::size_t j = i + 1;
    if (j < text.size() && text[j] == '#') {
        ++j;
        bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
        if (hex)
            ++j;
        std::size_t digits_start = j;
        std::uint64_t code = 0;
        while (j < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[j])) != 0 : is_digit(text[j]))) {
            char c = text[j];
            code = code * (hex ? 16 : 10) + static_cast<std::uint64_t>(is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
            if (code > 0x10FFFF)
                return 0;
            ++j;
        }
        if (j == digits_start || code == 0 || (code >= 0xD800 && code <= 0xDFFF))
            return 0;
        if (code >= 128 && code < 160) {
            char32_t mapped = windows_1252_high[code - 128];
            if (mapped)
                code = mapped;
        }
        if (j < text.size() && text[j] == ';')
            ++j;
        append_utf8(out, static_cast<char32_t>(code));
        return j - i;
    }
    while (j < text.size() && is_alnum(text[j]))
        ++j;
    const named_reference* r = find_reference(text.substr(i + 1, j - i - 1));
    if (!r)
        return 0;
    if (j < text.size() && text[j] == ';') {
        ++j;
    } else if (in_attribute && j < text.size() && text[j] == '=') {
        return 0; // a query parameter such as "&copy=2"
    }
    append_utf8(out, r->code);
    return j - i;
}

// One item of the page as the tree builder takes it.
struct token {
    enum class kind { text, start, end, comment, declaration } what;
    node_name name; // upper case
    std::string data;
    std::vector<attribute> attributes;
    bool self_closing = false; // written "<name/>": nothing inside it
};

bool is_cell(std::string_view n) { return n == "TD" || n == "TH"; }
bool is_table_section(std::string_view n) { return n == "THEAD" || n == "TBODY" || n == "TFOOT"; }
bool is_heading(std::string_view n) { return n.size() == 2 && n[0] == 'H' && n[1] >= '1' && n[1] <= '6'; }

bool is_boundary(const node* n)
{
    if (!n)
        return true;
    if (n->kind == node_kind::declaration || n->kind == node_kind::document)
        return true;
    return n->is_element() && (info_of(*n).block || n->name == "#FRAGMENT");
}

class tree_builder {
public:
    tree_builder(bool fragment) : fragment_(fragment)
    {
        root_ = new_node();
        root_->kind = fragment ? node_kind::element : node_kind::document;
        root_->name = fragment ? "#FRAGMENT" : "";
        stack_.push_back(root_.get());
    }

    void feed(token& t)
    {
        switch (t.what) {
        case token::kind::text:
            if (!fragment_ && !body_ && (whitespace_only(t.data) || info(current()->name).raw || info(current()->name).escapable_raw)) {
                append_text(std::move(t.data));
                return;
            }
            if (!fragment_ && !body_)
                ensure_body();
            append_text(std::move(t.data));
            return;
        case token::kind::comment: {
            append(make_comment(std::move(t.data)));
            return;
        }
        case token::kind::declaration: {
            auto n = new_node();
            n->kind = node_kind::declaration;
            n->data = std::move(t.data);
            append(n);
            return;
        }
        case token::kind::start:
            start(t);
            return;
        case token::kind::end:
            end(t.name);
            return;
        }
    }

    node_ptr finish()
    {
        if (!fragment_)
            ensure_body();
        if (pending_in_)
            settle_pending(nullptr);
        return root_;
    }

private:
    node* current() const { return stack_.back(); }

    // Whitespace-only text standing between two block boundaries (outside PRE, TEXTAREA,
    // SCRIPT, STYLE) carries nothing and goes; the writer puts line ends there instead.
    // Such text waits here until what follows it in its container is known, so text that
    // goes never becomes a node.
    void append_text(std::string data)
    {
        node* c = current();
        if (pending_in_ == c) {
            data.insert(0, pending_);
            pending_in_ = nullptr;
        } else if (pending_in_) {
            settle_pending(nullptr); // its container has ended
        }
        // Text split by ignored tags is one text.
        if (!c->children.empty() && c->children.back()->is_text()) {
            c->children.back()->data += data;
            return;
        }
        if (whitespace_only(data)) {
            pending_in_ = c;
            pending_ = std::move(data);
            pending_preserved_ = in_preserved();
            return;
        }
        attach(c, make_text(std::move(data)));
    }

    void append(node_ptr n)
    {
        node* c = current();
        if (pending_in_)
            settle_pending(pending_in_ == c ? n.get() : nullptr);
        attach(c, std::move(n));
    }

    // Keeps or drops the waiting whitespace; `right` follows it, null for its container's end.
    void settle_pending(const node* right)
    {
        node* c = pending_in_;
        pending_in_ = nullptr;
        const node* left = c->children.empty() ? c : c->children.back().get();
        if (!pending_preserved_ && is_boundary(left) && is_boundary(right ? right : c))
            return;
        attach(c, make_text(std::move(pending_)));
    }

    static void attach(node* c, node_ptr n)
    {
        n->parent = c;
        set_hint(*n, c->children.size());
        c->children.push_back(std::move(n));
    }

    node* push(node_ptr n)
    {
        node* raw = n.get();
        append(std::move(n));
        if (info_of(*raw).block)
            added_ += 4;
        if (!info_of(*raw).is_void) {
            added_ += raw->name.size() + 3;
            if (info_of(*raw).preserve && !in_preserved())
                preserving_ = {stack_.size(), raw};
            stack_.push_back(raw);
        }
        return raw;
    }

    // Whether an open element keeps whitespace: the lowest one opened is remembered, and
    // whatever closes it closes all opened after it.
    bool in_preserved() const
    {
        return preserving_.second && preserving_.first < stack_.size() && stack_[preserving_.first] == preserving_.second;
    }

    void ensure_html()
    {
        if (html_)
            return;
        auto n = make_element("HTML");
        html_ = n.get();
        stack_.resize(1);
        push(n);
    }

    void ensure_head()
    {
        ensure_html();
        if (head_)
            return;
        auto n = make_element("HEAD");
        head_ = n.get();
        while (current() != html_)
            stack_.pop_back();
        push(n);
    }

    void ensure_body()
    {
        if (body_)
            return;
        ensure_html();
        auto n = make_element("BODY");
        body_ = n.get();
        while (stack_.size() > 1 && current() != html_)
            stack_.pop_back();
        if (current() != html_)
            push(make_element("HTML")), html_ = current();
        push(n);
    }

    // Pops up to and including the nearest open element named `name`, searching no further
    // than the first element named in `stop`. False when none is found.
    bool close_to(std::string_view name, std::initializer_list<std::string_view> stop)
    {
        for (std::size_t i = stack_.size(); i-- > 1;) {
            const std::string& n = stack_[i]->name;
            if (n == name) {
                stack_.resize(i);
                return true;
            }
            if (std::find(stop.begin(), stop.end(), n) != stop.end() || n == "BODY" || n == "HTML"
                || (fragment_ && i == 0))
                return false;
        }
        return false;
    }

    void start(token& t)
    {
        const std::string_view name = t.name;
        if (!fragment_) {
            if (name == "HTML") {
                if (!html_) {
                    ensure_html();
                    html_->attributes = std::move(t.attributes);
                }
                return;
            }
            if (name == "HEAD") {
                if (!head_ && !body_)
                    ensure_head();
                return;
            }
            if (name == "BODY") {
                if (!body_) {
                    ensure_body();
                    body_->attributes = std::move(t.attributes);
                }
                return;
            }
            if (!body_) {
                if (t.name.info().head_element) {
                    if (!head_)
                        ensure_head();
                    // After </HEAD> a head element stays between HEAD and BODY.
                } else {
                    ensure_body();
                }
            }
        }
        // Implied end tags.
        if (t.name.info().closes_paragraph)
            close_to("P", {"TD", "TH", "TABLE", "CAPTION", "BUTTON", "LI", "DD", "DT", "DIV", "BLOCKQUOTE"});
        if (name == "LI")
            close_to("LI", {"UL", "OL", "MENU", "DIR", "TD", "TH", "TABLE"});
        if (name == "DT" || name == "DD") {
            if (!close_to("DT", {"DL", "TD", "TH", "TABLE"}))
                close_to("DD", {"DL", "TD", "TH", "TABLE"});
        }
        if (name == "OPTION")
            close_to("OPTION", {"SELECT", "OPTGROUP", "TD", "TH", "TABLE"});
        if (is_cell(name)) {
            if (!close_to("TD", {"TR", "TABLE"}))
                close_to("TH", {"TR", "TABLE"});
        }
        if (name == "TR") {
            if (!close_to("TD", {"TR", "TABLE"}))
                close_to("TH", {"TR", "TABLE"});
            close_to("TR", {"TABLE"});
        }
        if (is_table_section(name)) {
            if (!close_to("TD", {"TR", "TABLE"}))
                close_to("TH", {"TR", "TABLE"});
            close_to("TR", {"TABLE"});
            if (!close_to("THEAD", {"TABLE"}) && !close_to("TBODY", {"TABLE"}))
                close_to("TFOOT", {"TABLE"});
        }
        if (is_heading(name)) {
            for (std::string_view h : {"H1", "H2", "H3", "H4", "H5", "H6"})
                if (current()->name == h)
                    stack_.pop_back();
        }
        auto n = make_element(t.name);
        n->attributes = std::move(t.attributes);
        node* made = push(std::move(n));
        if (t.self_closing && current() == made)
            stack_.pop_back();
    }

    void end(const node_name& name)
    {
        if (name == "HTML" || name == "BODY")
            return; // content after them still belongs to the body
        if (name == "HEAD") {
            if (head_ && !body_)
                while (stack_.size() > 1 && current() != html_)
                    stack_.pop_back();
            return;
        }
        if (name.info().is_void)
            return;
        bool closed = false;
        if (name == "TABLE")
            closed = close_to(name, {});
        else if (is_cell(name) || name == "TR" || is_table_section(name) || name == "CAPTION")
            closed = close_to(name, {"TABLE"});
        else
            closed = close_to(name, {"TD", "TH", "TABLE", "CAPTION"});
        if (closed)
            added_ -= std::min(added_, name.size() + 3); // its end tag was in the page
    }

public:
    // What writing the tree adds to the page: end tags it left out, line ends at blocks.
    std::size_t added() const { return added_; }

private:

    bool fragment_;
    node_ptr root_;
    std::vector<node*> stack_;
    node* pending_in_ = nullptr; // the container of the waiting whitespace
    std::string pending_;
    std::size_t added_ = 0;
    bool pending_preserved_ = false; // it stands in an element that keeps whitespace
    std::pair<std::size_t, node*> preserving_ {0, nullptr}; // stack place and element
    node* html_ = nullptr;
    node* head_ = nullptr;
    node* body_ = nullptr;
};

// The HTML document type as the document reads it: PRE holds markup; SCRIPT and STYLE hold
// raw text, TEXTAREA and TITLE raw text whose references are decoded; BGSOUND, EMBED and WBR
// never have content. Any other name, prefixed or not, is a container.
class document_dtd_type : public hevtools::markup::html::DTD {
public:
    bool is_empty_element(const hevtools::markup::markup_tag& tag) const override
    {
        if (tag.element == &bgsound_ || tag.element == &embed_ || tag.element == &wbr_)
            return true;
        return hevtools::markup::html::DTD::is_empty_element(tag);
    }

    const hevtools::markup::element_entry* find_element(std::string_view name) const override
    {
        const hevtools::markup::element_entry* known = hevtools::markup::html::DTD::find_element(name);
        if (known != &hevtools::markup::html::unknown_element)
            return known;
        for (const hevtools::markup::element_entry* e : {&bgsound_, &embed_, &wbr_})
            if (equal_ignoring_case(name, e->name))
                return e;
        return known;
    }

    int content_model(const hevtools::markup::element_entry* entry) const override
    {
        using hevtools::markup::html::el;
        using hevtools::markup::html::element;
        if (entry == element(el::SCRIPT) || entry == element(el::STYLE) || entry == element(el::TEXTAREA)
            || entry == element(el::TITLE))
            return hevtools::markup::raw_text_content;
        return hevtools::markup::ordinary_content;
    }

private:
    hevtools::markup::element_entry bgsound_ {"BGSOUND"};
    hevtools::markup::element_entry embed_ {"EMBED"};
    hevtools::markup::element_entry wbr_ {"WBR"};
};

const document_dtd_type& document_dtd()
{
    static const document_dtd_type instance;
    return instance;
}

// The node name of a tag the tokenizer named `name` and found as `element`: the HTML
// document type's elements have theirs made once.
node_name element_name(const hevtools::markup::element_entry* element, std::string_view name)
{
    using hevtools::markup::html::element_count;
    using hevtools::markup::html::element_table;
    static const auto* names = [] {
        auto* made = new std::array<node_name, element_count>; // never destroyed: nodes may outlive it
        for (int i = 0; i < element_count; ++i)
            (*made)[i] = to_upper(element_table[i].name);
        return made;
    }();
    if (const int index = hevtools::markup::html::element_index(element); index >= 0)
        return (*names)[static_cast<std::size_t>(index)];
    return node_name(to_upper(name));
}

// Turns the tokenizer's events into the builder's tokens. Every byte of the input ends up in
// the tree: markup the tokenizer drops after an error comes back as text.
class token_reader : public hevtools::markup::parser_callback {
public:
    token_reader(std::string_view in, tree_builder& builder) : in_(in), builder_(builder) { }

    bool on_comment(std::string& text, std::size_t at) override
    {
        const std::size_t position = base_ + at;
        token t {token::kind::comment, node_name("!"), {}, {}};
        const bool closed = position < in_.size() && in_[position] == '>';
        const std::size_t end = closed ? position : in_.size();
        // Its "<!" stands before its text ("<!--", "<!-->", or one the tokenizer read as
        // that, "<!-'-"); markup before it which no event carried is text.
        const std::size_t text_end = closed ? end - std::min<std::size_t>(end, 2) : end;
        const std::size_t text_start = text_end - std::min(text_end, text.size());
        const std::size_t opener = in_.rfind("<!", text_start >= 2 ? text_start - 2 : 0);
        if (opener != std::string_view::npos && opener >= covered_ && opener + 2 <= end) {
            fill_gap(opener);
            // The comment as written, between "<!" and ">"; an unclosed one is closed.
            t.data.assign(in_.substr(opener + 2, end - opener - 2));
            if (!closed)
                t.data += "--";
        } else {
            t.data = "--" + text + "--";
        }
        covered_ = closed ? position + 1 : in_.size();
        builder_.feed(t);
        return true;
    }

    bool on_empty_tag(hevtools::markup::markup_tag& tag, std::size_t position) override { return on_tag(tag, position); }
    bool on_start_tag(hevtools::markup::markup_tag& tag, std::size_t position) override { return on_tag(tag, position); }
    bool on_end_tag(hevtools::markup::markup_tag& tag, std::size_t position) override { return on_tag(tag, position); }

    bool on_text(std::string& text, bool raw, std::size_t at) override
    {
        if (raw) {
            // A raw element's content follows its start tag as written.
            covered_ = std::min(covered_ + text.size(), in_.size());
            add_text(text, !decode_raw_);
        } else {
            // Text ends where the event is; what stands before it and no event carried
            // (a tag dropped after an error) is text as well, taken as written.
            fill_gap(std::min(base_ + at, in_.size()));
        }
        return true;
    }

    // Errors never stop the run.
    bool on_error(int, std::size_t, int&) override { return true; }

    // Reads the whole input; a run stopped to end raw text starts again after it.
    void run()
    {
        std::size_t from = 0;
        while (true) {
            base_ = from;
            resume_ = std::string_view::npos;
            core::markup_parser parser(true);
            core::run_markup_parser(*this, in_.data() + from, in_.data() + in_.size(), document_dtd(), parser);
            if (resume_ == std::string_view::npos)
                break;
            from = resume_;
        }
        fill_gap(in_.size());
    }

private:
    bool on_tag(hevtools::markup::markup_tag& tag, std::size_t at)
    {
        // "<!--" opens a comment: its own event carries it.
        if (tag.element == &hevtools::markup::html::comment_element)
            return true;
        const std::size_t position = base_ + at;
        const std::size_t start = std::min(base_ + tag.start, in_.size());
        const std::size_t end = std::min(position + 1, in_.size());
        fill_gap(start);
        const std::string_view source = in_.substr(start, end > start ? end - start : 0);
        covered_ = std::max(covered_, end);
        std::string_view name = tag.name;
        if (!tag.end && !name.empty() && (name[0] == '!' || name[0] == '?')) {
            token t {token::kind::declaration, {}, std::string(source), {}};
            if (t.data.empty() || t.data.back() != '>')
                t.data += '>';
            builder_.feed(t);
            return true;
        }
        // The tokenizer names every tag it reports ("<" opens one only before a letter), so none
        // of its bytes is text; a "/" left on the name ("<br/ >") is no part of it.
        while (name.size() > 1 && name.back() == '/')
            name.remove_suffix(1);
        token t {tag.end ? token::kind::end : token::kind::start, element_name(tag.element, name), {}, {}};
        if (tag.end) {
            builder_.feed(t);
            return true;
        }
        const tag_info& ti = t.name.info();
        const bool raw_mode = tag.kind == hevtools::markup::markup_tag::start_tag
            && tag.closing_slash == hevtools::markup::markup_tag::no_slash
            && document_dtd().content_model(tag.element) == hevtools::markup::raw_text_content;
        decode_raw_ = ti.escapable_raw;
        // "<br/>" has nothing inside; so has a raw element the tokenizer did not open ("<script/>").
        t.self_closing = raw_mode ? false
            : (ti.raw || ti.escapable_raw) || tag.closing_slash != hevtools::markup::markup_tag::no_slash;
        bool renamed = false;
        for (const auto& [key, value] : tag.attributes) {
            std::string_view attribute_name = key.name;
            while (!attribute_name.empty() && attribute_name.back() == '/')
                attribute_name.remove_suffix(1);
            if (attribute_name.empty() || std::any_of(t.attributes.begin(), t.attributes.end(),
                    [&](const attribute& o) { return equal_ignoring_case(o.name, attribute_name); }))
                continue;
            std::string_view v = value;
            if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
                v = v.substr(1, v.size() - 2);
            t.attributes.push_back({to_lower(attribute_name), decode_references(v, true), v.empty()});
            renamed = renamed || t.attributes.back().name != key.name;
        }
        // Stored in the order a reading of the written names gives: the tokenizer's order,
        // unless a name was changed above.
        if (renamed)
            std::stable_sort(t.attributes.begin(), t.attributes.end(),
                [](const attribute& a, const attribute& b) { return reads_before(a.name, b.name); });
        builder_.feed(t);
        return !raw_mode || !close_spaced_raw_end(t.name, end);
    }

    // The tokenizer ends raw text only at "/NAME>"; an end tag with white space before its
    // ">" ("</TITLE\n>", as page generators write) ends it here, or the rest of the page
    // would become its text. True when this took the content and the end tag, and the run
    // goes on after them.
    bool close_spaced_raw_end(std::string_view name, std::size_t content)
    {
        std::size_t spaced = std::string_view::npos;
        std::size_t gt = 0;
        for (std::size_t p = in_.find("</", content); p != std::string_view::npos; p = in_.find("</", p + 2)) {
            if (!equal_ignoring_case(in_.substr(p + 2, name.size()), name))
                continue;
            std::size_t q = p + 2 + name.size();
            while (q < in_.size() && is_space(in_[q]))
                ++q;
            if (q < in_.size() && in_[q] == '>') {
                if (q == p + 2 + name.size())
                    return false; // "</NAME>" first: the tokenizer ends it there
                spaced = p;
                gt = q;
                break;
            }
        }
        if (spaced == std::string_view::npos)
            return false;
        // Where the tokenizer would end it: "/NAME>" after white space or at the start.
        for (std::size_t p = in_.find('/', content); p != std::string_view::npos && p < spaced; p = in_.find('/', p + 1)) {
            if ((p == content || is_space(in_[p - 1])) && p + 1 + name.size() < in_.size()
                && equal_ignoring_case(in_.substr(p + 1, name.size()), name) && in_[p + 1 + name.size()] == '>')
                return false;
        }
        add_text(in_.substr(content, spaced - content), !decode_raw_);
        token t {token::kind::end, node_name(name), {}, {}};
        builder_.feed(t);
        covered_ = gt + 1;
        resume_ = gt + 1;
        return true;
    }

    void fill_gap(std::size_t to)
    {
        if (to > covered_) {
            add_text(in_.substr(covered_, to - covered_), false);
            covered_ = to;
        }
    }

    void add_text(std::string_view text, bool verbatim)
    {
        if (text.empty())
            return;
        token t {token::kind::text, {}, verbatim ? std::string(text) : decode_references(text, false), {}};
        builder_.feed(t);
    }

    std::string_view in_;
    tree_builder& builder_;
    std::size_t covered_ = 0; // input up to here is in the tree
    std::size_t base_ = 0;    // where the current run started
    std::size_t resume_ = std::string_view::npos;
    bool decode_raw_ = false;
};


}

bool reads_before(std::string_view a, std::string_view b)
{
    const auto& dtd = document_dtd();
    return dtd.find_attribute(to_lower(a)) < dtd.find_attribute(to_lower(b));
}

void insert_attribute(std::vector<attribute>& attributes, attribute added)
{
    const auto at = std::upper_bound(attributes.begin(), attributes.end(), added,
        [](const attribute& a, const attribute& b) { return reads_before(a.name, b.name); });
    attributes.insert(at, std::move(added));
}

std::string decode_references(std::string_view text, bool in_attribute)
{
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t run = 0; // start of the characters not yet written
    for (std::size_t i = text.find('&'); i != std::string_view::npos; i = text.find('&', i)) {
        out.append(text.data() + run, i - run);
        const std::size_t used = read_reference(text, i, in_attribute, out);
        if (used) {
            i += used;
        } else {
            out += '&';
            ++i;
        }
        run = i;
    }
    out.append(text.data() + run, text.size() - run);
    return out;
}

node_ptr parse_html(std::string_view utf8, parse_options options)
{
    tree_builder builder(options.fragment);
    token_reader reader(utf8, builder);
    reader.run();
    node_ptr tree = builder.finish();
    if (options.written_size)
        *options.written_size = utf8.size() + builder.added();
    return tree;
}

std::vector<node_ptr> parse_fragment(std::string_view utf8)
{
    node_ptr holder = parse_html(utf8, {true});
    std::vector<node_ptr> out = holder->children.take_all();
    for (auto& n : out)
        n->parent = nullptr;
    return out;
}

namespace {

void escape_text(std::string& out, std::string_view text)
{
    std::size_t run = 0; // start of the characters not yet written
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&' && c != '<' && c != '>' && c != '\xC2')
            continue;
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\xC2' && next != '\xA0' && next != '\xAE')
            continue;
        out.append(text.data() + run, i - run);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            out += next == '\xA0' ? "&nbsp;" : "&reg;";
            ++i;
        }
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

void escape_attribute(std::string& out, std::string_view text)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&' && c != '"')
            continue;
        out.append(text.data() + run, i - run);
        out += c == '&' ? "&amp;" : "&quot;";
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

void write_start(std::string& out, const node& n)
{
    out += '<';
    out += n.name;
    for (const attribute& a : n.attributes) {
        out += ' ';
        const std::size_t at = out.size();
        out += a.name;
        for (std::size_t i = at; i < out.size(); ++i)
            if (out[i] >= 'A' && out[i] <= 'Z')
                out[i] = static_cast<char>(out[i] - 'A' + 'a');
        if (!a.bare) {
            out += "=\"";
            escape_attribute(out, a.value);
            out += '"';
        }
    }
    out += '>';
}

// Writes children [first, last) of `container` (and, for `self`, the container itself).
class writer {
public:
    std::string out;

    void run(const node& container, std::size_t first, std::size_t last, bool self)
    {
        int preserve = 0;
        for (const node* a = &container; a; a = a->parent)
            if (a->is_element() && info_of(*a).preserve)
                ++preserve;
        if (self) {
            if (container.kind != node_kind::element) {
                item(container, preserve, true);
                return;
            }
            if (info_of(container).preserve)
                --preserve;
            item(container, preserve, true);
            if (info_of(container).is_void)
                return;
            if (info_of(container).preserve)
                ++preserve;
        }
        // Walks down through children and back up through parents, so a deep tree needs
        // no stack of its own.
        const node* n = &container;
        std::size_t i = first;
        while (true) {
            if (i >= (n == &container ? last : n->children.size())) {
                if (n == &container && !self)
                    break;
                if (info_of(*n).preserve)
                    --preserve;
                end_tag(*n, preserve);
                if (n == &container)
                    break;
                i = index_in_parent(*n) + 1;
                n = n->parent;
                continue;
            }
            const node& child = *n->children[i++];
            item(child, preserve, false);
            if (child.is_element() && info_of(child).raw) {
                raw_content(child);
                end_tag(child, preserve);
                continue;
            }
            if (child.is_element() && !info_of(child).is_void) {
                if (info_of(child).preserve)
                    ++preserve;
                n = &child;
                i = 0;
            }
        }
    }

private:
    void gap(bool right_boundary, int preserve)
    {
        if (preserve == 0 && last_boundary_ && right_boundary && !out.empty())
            out += "\r\n";
    }

    void item(const node& n, int preserve, bool top)
    {
        (void)top;
        switch (n.kind) {
        case node_kind::document:
            return;
        case node_kind::text: {
            const node* p = n.parent;
            // A text longer than the room left gets it in one step, with some to spare for
            // what follows, rather than through a series of doublings.
            if (n.data.size() > out.capacity() - out.size())
                out.reserve(out.size() + n.data.size() + n.data.size() / 8 + 256);
            if (p && p->is_element() && info_of(*p).raw)
                out += n.data;
            else
                escape_text(out, n.data);
            last_boundary_ = false;
            return;
        }
        case node_kind::comment:
            out += "<!";
            out += n.data;
            out += '>';
            last_boundary_ = false;
            return;
        case node_kind::declaration:
            gap(true, preserve);
            out += n.data;
            last_boundary_ = true;
            return;
        case node_kind::element: {
            bool boundary = info_of(n).block;
            gap(boundary, preserve);
            write_start(out, n);
            last_boundary_ = boundary;
            just_opened_ = boundary && !info_of(n).is_void;
            if (info_of(n).is_void)
                just_opened_ = false;
            return;
        }
        }
    }

    // A script's or style's text, written as it stands except that its own end tag
    // ("</script" and a non-name character) gets "<\/" so the element ends where it should.
    void raw_content(const node& n)
    {
        std::string text;
        for (const node_ptr& c : n.children)
            if (c->is_text())
                text += c->data;
        std::string closing = "</" + n.name;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '<' && i + closing.size() <= text.size()
                && equal_ignoring_case(std::string_view(text).substr(i, closing.size()), closing)
                && (i + closing.size() == text.size() || !is_alnum(text[i + closing.size()]))) {
                out += "<\\/";
                ++i; // the "/" is written
                continue;
            }
            out += text[i];
        }
        last_boundary_ = false;
    }

    void end_tag(const node& n, int preserve)
    {
        bool boundary = info_of(n).block;
        (void)preserve;
        out += "</";
        out += n.name;
        out += '>';
        last_boundary_ = boundary;
        just_opened_ = false;
    }

    bool last_boundary_ = false;
    bool just_opened_ = false;
};

}

std::string serialise(const node& n, bool include_self, std::size_t expected_size)
{
    writer w;
    // One allocation of about the right size costs far less than a chain of doublings.
    if (expected_size > 0)
        w.out.reserve(expected_size + expected_size / 8 + 4096);
    w.run(n, 0, n.children.size(), include_self && n.kind != node_kind::document);
    return std::move(w.out);
}

std::string serialise_children(const node& container, std::size_t first, std::size_t last)
{
    writer w;
    w.run(container, first, last, false);
    return std::move(w.out);
}

namespace {

// Builds the plain text from the stream of items.
class text_builder {
public:
    void enter(const node& n)
    {
        if (n.kind == node_kind::comment)
            return;
        if (!n.is_element())
            return;
        const std::string& name = n.name;
        if (skip_ > 0 || name == "SCRIPT" || name == "STYLE" || name == "HEAD" || name == "TITLE") {
            if (!info(name).is_void)
                ++skip_;
            return;
        }
        if (name == "BR") {
            ++breaks_;
            line_has_content_ = false;
            return;
        }
        if (is_cell(name)) {
            const node* p = n.parent;
            std::size_t at = index_in_parent(n);
            bool first = true;
            for (std::size_t i = 0; p && i < at; ++i)
                if (p->children[i]->is_element() && is_cell(p->children[i]->name))
                    first = false;
            if (!first) {
                flush_breaks();
                out_ += '\t';
                space_ = false;
                line_has_content_ = true;
            }
            return;
        }
        if (info(name).preserve && name != "SCRIPT" && name != "STYLE")
            ++preserve_;
        block(name);
    }

    void leave(const node& n)
    {
        if (!n.is_element() || info_of(n).is_void)
            return;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (info_of(n).preserve && !info_of(n).raw)
            --preserve_;
        block(n.name);
    }

    void text(std::string_view t)
    {
        if (skip_ > 0)
            return;
        for (std::size_t i = 0; i < t.size(); ++i) {
            char c = t[i];
            if (preserve_ > 0) {
                if (c == '\r')
                    continue;
                if (c == '\n') {
                    ++breaks_;
                    line_has_content_ = false;
                    continue;
                }
                // A no-break space reads as a blank here too (Tab puts four into the text).
                if (c == '\xC2' && i + 1 < t.size() && t[i + 1] == '\xA0') {
                    put(' ');
                    ++i;
                    continue;
                }
                put(c);
                continue;
            }
            if (is_space(c)) {
                if (line_has_content_)
                    space_ = true;
                continue;
            }
            if (space_) {
                space_ = false;
                put(' ');
            }
            if (c == '\xC2' && i + 1 < t.size() && t[i + 1] == '\xA0') {
                put(' ');
                ++i;
                continue;
            }
            // The characters up to the next blank or no-break space go in at once.
            std::size_t end = i + 1;
            while (end < t.size() && !is_space(t[end]) && t[end] != '\xC2')
                ++end;
            flush_breaks();
            out_.append(t.substr(i, end - i));
            line_has_content_ = true;
            i = end - 1;
        }
    }

    std::string finish()
    {
        trim_line();
        return std::move(out_);
    }

private:
    void block(const std::string& name)
    {
        if (!info(name).block || is_cell(name))
            return;
        int wanted = (name == "P" || is_heading(name)) ? 2 : 1;
        if (!out_.empty())
            breaks_ = std::max(breaks_, wanted);
        line_has_content_ = false;
        space_ = false;
    }

    void flush_breaks()
    {
        if (breaks_ > 0) {
            trim_line();
            for (int i = 0; i < breaks_; ++i)
                out_ += "\r\n";
            breaks_ = 0;
        }
    }

    void put(char c)
    {
        flush_breaks();
        out_ += c;
        line_has_content_ = true;
    }

    void trim_line()
    {
        while (!out_.empty() && out_.back() == ' ')
            out_.pop_back();
    }

    std::string out_;
    int breaks_ = 0;
    bool line_has_content_ = false;
    bool space_ = false;
    int skip_ = 0;
    int preserve_ = 0;
};

}

std::string plain_text(const position& start, const position& end)
{
    text_builder b;
    // Skipping state of the ancestors of the start place.
    std::vector<const node*> above;
    for (const node* a = start.container; a; a = a->parent)
        if (a->is_element())
            above.push_back(a);
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        const std::string& n = (*it)->name;
        if (n == "SCRIPT" || n == "STYLE" || n == "HEAD" || n == "TITLE" || info(n).preserve)
            b.enter(**it);
    }
    struct visitor {
        text_builder& b;
        void text(const node&, std::string_view part) { b.text(part); }
        void enter(const node& n) { b.enter(n); }
        void leave(const node& n) { b.leave(n); }
    } v {b};
    walk_range(start, end, v);
    return b.finish();
}

std::string plain_text_of(const node& n)
{
    node& m = const_cast<node&>(n);
    return plain_text({&m, 0, 0}, {&m, m.children.size(), 0});
}

}
