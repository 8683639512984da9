#include "core/markup/dtd.h"

#include "core/markup/ascii.h"

#include <algorithm>
#include <array>
#include <vector>

namespace core {

bool operator<(const attribute_key& a, const attribute_key& b)
{
    const attribute_entry* unknown = &hevtools::markup::html::unknown_attribute;
    const bool a_known = a.entry != unknown;
    const bool b_known = b.entry != unknown;
    if (a_known != b_known)
        return a_known;
    if (a_known)
        return a.entry->index < b.entry->index;
    return a.name < b.name;
}

bool operator==(const attribute_key& a, const attribute_key& b)
{
    if (a.entry != b.entry)
        return false;
    return a.entry != &hevtools::markup::html::unknown_attribute || a.name == b.name;
}

attribute_map::attribute_map(const attribute_map& other) : items_(other.begin(), other.end()), count_(other.count_) { }

attribute_map& attribute_map::operator=(const attribute_map& other)
{
    if (this == &other)
        return *this;
    if (items_.size() < other.count_)
        items_.resize(other.count_);
    std::copy(other.begin(), other.end(), items_.begin());
    count_ = other.count_;
    return *this;
}

const std::string* attribute_map::find(const attribute_key& key) const
{
    const auto last = end();
    const auto it = std::lower_bound(begin(), last, key, [](const value_type& item, const attribute_key& k) {
        return item.first < k;
    });
    return it != last && it->first == key ? &it->second : nullptr;
}

void attribute_map::set(const attribute_key& key, std::string value)
{
    auto first = items_.begin();
    auto last = first + static_cast<std::ptrdiff_t>(count_);
    auto it = std::lower_bound(first, last, key, [](const value_type& item, const attribute_key& k) {
        return item.first < k;
    });
    if (it != last && it->first == key) {
        it->second = std::move(value);
        return;
    }
    const auto at = it - first;
    value_type& slot = append_unordered();
    slot.first = key;
    slot.second = std::move(value);
    std::rotate(items_.begin() + at, items_.begin() + static_cast<std::ptrdiff_t>(count_) - 1,
        items_.begin() + static_cast<std::ptrdiff_t>(count_));
}

bool attribute_map::erase(const attribute_key& key)
{
    auto first = items_.begin();
    auto last = first + static_cast<std::ptrdiff_t>(count_);
    auto it = std::lower_bound(first, last, key, [](const value_type& item, const attribute_key& k) {
        return item.first < k;
    });
    if (it == last || !(it->first == key))
        return false;
    std::rotate(it, it + 1, last);
    --count_;
    return true;
}

attribute_map::value_type& attribute_map::append_unordered()
{
    if (count_ == items_.size())
        items_.emplace_back();
    return items_[count_++];
}

void attribute_map::finish()
{
    if (count_ < 2)
        return;
    const auto first = items_.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(count_);
    const auto less = [](const value_type& a, const value_type& b) { return a.first < b.first; };
    if (count_ <= 16) {
        // Stable insertion sort by swaps, so the slots keep their buffers.
        for (auto i = first + 1; i != last; ++i)
            for (auto j = i; j != first && less(*j, *(j - 1)); --j)
                std::iter_swap(j, j - 1);
    } else {
        std::stable_sort(first, last, less);
    }
    // Of equal keys the last one written wins.
    std::size_t out = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        if (i + 1 < count_ && items_[i].first == items_[i + 1].first)
            continue;
        if (out != i)
            std::swap(items_[out], items_[i]);
        ++out;
    }
    count_ = out;
}

}

namespace hevtools::markup::html {

using core::ascii_lower;
using core::ascii_upper;

const element_entry element_table[element_count] = {
    {"A"}, {"ABBR"}, {"ACRONYM"}, {"ADDRESS"}, {"APPLET"}, {"AREA"}, {"B"}, {"BASE"}, {"BASEFONT"}, {"BDO"},
    {"BIG"}, {"BLOCKQUOTE"}, {"BODY"}, {"BR"}, {"BUTTON"}, {"CAPTION"}, {"CENTER"}, {"CITE"}, {"CODE"},
    {"COL"}, {"COLGROUP"}, {"DD"}, {"DEL"}, {"DFN"}, {"DIR"}, {"DIV"}, {"DL"}, {"DT"}, {"EM"}, {"FIELDSET"},
    {"FONT"}, {"FORM"}, {"FRAME"}, {"FRAMESET"}, {"H1"}, {"H2"}, {"H3"}, {"H4"}, {"H5"}, {"H6"}, {"HEAD"},
    {"HR"}, {"HTML"}, {"I"}, {"IFRAME"}, {"IMG"}, {"INPUT"}, {"INS"}, {"ISINDEX"}, {"KBD"}, {"LABEL"},
    {"LEGEND"}, {"LI"}, {"LINK"}, {"MAP"}, {"MENU"}, {"META"}, {"NOFRAMES"}, {"NOSCRIPT"}, {"OBJECT"},
    {"OL"}, {"OPTGROUP"}, {"OPTION"}, {"P"}, {"PARAM"}, {"PRE"}, {"Q"}, {"S"}, {"SAMP"}, {"SCRIPT"},
    {"SELECT"}, {"SMALL"}, {"SPAN"}, {"STRIKE"}, {"STRONG"}, {"STYLE"}, {"SUB"}, {"SUP"}, {"TABLE"},
    {"TBODY"}, {"TD"}, {"TEXTAREA"}, {"TFOOT"}, {"TH"}, {"THEAD"}, {"TITLE"}, {"TR"}, {"TT"}, {"U"},
    {"UL"}, {"VAR"}};
const element_entry unknown_element {"_unknown"};
const element_entry comment_element {"_comment"};

namespace {

// Lookup keys of the attributes, in table order; the entry names differ only where the HTML
// name holds "-".
constexpr std::array<std::string_view, attribute_count> attribute_keys {"abbr", "accept-charset", "accept",
    "accesskey", "action", "align", "alink", "alt", "archive", "axis", "background", "bgcolor", "border",
    "cellpadding", "cellspacing", "char", "charoff", "charset", "checked", "cite", "class", "classid", "clear",
    "code", "codebase", "codetype", "color", "cols", "colspan", "compact", "content", "coords", "data",
    "datetime", "declare", "defer", "dir", "disabled", "enctype", "face", "for", "frame", "frameborder",
    "headers", "height", "href", "hreflang", "hspace", "http-equiv", "id", "ismap", "label", "lang",
    "language", "link", "longdesc", "marginheight", "marginwidth", "maxlength", "media", "method", "multiple",
    "name", "nohref", "noresize", "noshade", "nowrap", "object", "onblur", "onchange", "onclick",
    "ondblclick", "onfocus", "onkeydown", "onkeypress", "onkeyup", "onload", "onmousedown", "onmousemove",
    "onmouseout", "onmouseover", "onmouseup", "onreset", "onselect", "onsubmit", "onunload", "profile",
    "prompt", "readonly", "rel", "rev", "rows", "rowspan", "rules", "scheme", "scope", "scrolling",
    "selected", "shape", "size", "span", "src", "standby", "start", "style", "summary", "tabindex", "target",
    "text", "title", "type", "usemap", "valign", "value", "valuetype", "version", "vlink", "vspace",
    "width"};

}

constinit const std::array<attribute_entry, attribute_count> attribute_table = [] {
    std::array<attribute_entry, attribute_count> table {};
    for (int i = 0; i < attribute_count; ++i) {
        const std::string_view key = attribute_keys[static_cast<std::size_t>(i)];
        table[static_cast<std::size_t>(i)] = {key == "accept-charset" ? "accept_charset" : key == "http-equiv" ? "http_equiv" : key, i};
    }
    return table;
}();
const attribute_entry unknown_attribute {"<Unknownattr>", attribute_count};

namespace {

constexpr std::size_t max_lookup_length = 32;

// A fixed-bucket hash table over the static entries, hashed h = 5h + c.
template <typename Entry, std::size_t Buckets>
class lookup_table {
public:
    void add(std::string_view key, const Entry* entry) { buckets_[hash(key)].push_back({key, entry}); }

    const Entry* find(std::string_view key) const
    {
        for (const auto& [k, entry] : buckets_[hash(key)])
            if (k == key)
                return entry;
        return nullptr;
    }

private:
    static std::size_t hash(std::string_view key)
    {
        unsigned h = 0;
        for (char c : key)
            h = 5 * h + static_cast<unsigned>(static_cast<signed char>(c));
        return h % Buckets;
    }

    std::array<std::vector<std::pair<std::string_view, const Entry*>>, Buckets> buckets_;
};

const lookup_table<element_entry, 94>& element_lookup()
{
    static const auto table = [] {
        lookup_table<element_entry, 94> t;
        for (const element_entry& e : element_table)
            t.add(e.name, &e);
        return t;
    }();
    return table;
}

const lookup_table<attribute_entry, 120>& attribute_lookup()
{
    static const auto table = [] {
        lookup_table<attribute_entry, 120> t;
        for (int i = 0; i < attribute_count; ++i)
            t.add(attribute_keys[static_cast<std::size_t>(i)], &attribute_table[static_cast<std::size_t>(i)]);
        return t;
    }();
    return table;
}


bool is_whole_tag_delimiter(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '<'; }

constexpr std::array<el, 13> empty_elements {el::AREA, el::BASE, el::BASEFONT, el::BR, el::COL, el::FRAME,
    el::HR, el::IMG, el::INPUT, el::ISINDEX, el::LINK, el::META, el::PARAM};

const std::array<bool, element_count>& empty_flags()
{
    static const auto flags = [] {
        std::array<bool, element_count> f {};
        for (el e : empty_elements)
            f[static_cast<std::size_t>(e)] = true;
        return f;
    }();
    return flags;
}

}

bool DTD::is_empty_element(const markup_tag& tag) const
{
    if (tag.name.empty())
        return true;
    const element_entry* entry = tag.element;
    if (entry < element_table || entry >= element_table + element_count)
        return false;
    return entry->name[0] == ascii_upper(tag.name[0]) && empty_flags()[static_cast<std::size_t>(entry - element_table)];
}

markup_tag DTD::make_tag(std::string& text, bool tag_name_mode, int* content_model_out) const
{
    int local_model = 0;
    int& model = content_model_out ? *content_model_out : local_model;
    model = ordinary_content;
    markup_tag tag;
    if (tag_name_mode) {
        if (text.size() > 2 && text.compare(0, 3, "!--") == 0) {
            text.erase(0, 3);
            model = comment_content;
            tag.name = "--";
            tag.element = &comment_element;
            return tag;
        }
        if (!text.empty() && text[0] == '!') {
            tag.name.assign(text);
            text.clear();
            tag.element = &unknown_element;
            return tag;
        }
        if (!text.empty() && text[0] == '/') {
            tag.end = true;
            tag.name.assign(text, 1);
        } else {
            tag.name.assign(text);
        }
        text.clear();
    } else {
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "--") == 0) {
            text.resize(text.size() - 2);
            model = comment_content;
            tag.name = "--";
            tag.element = &comment_element;
            tag.end = true;
            return tag;
        }
        std::size_t p = text.size();
        while (p > 0 && !is_whole_tag_delimiter(text[p - 1]))
            --p;
        if (p == 0) {
            tag.name.assign(text);
            text.clear();
        } else {
            tag.name.assign(text, p);
            text.resize(text[p - 1] == '<' ? p - 1 : p);
        }
        if (!tag.name.empty() && tag.name[0] == '/') {
            tag.end = true;
            tag.name.erase(0, 1);
        }
    }
    tag.element = find_element(tag.name);
    model = content_model(tag.element);
    return tag;
}

attribute_key DTD::find_attribute(std::string_view name) const
{
    attribute_key key;
    if (name.size() >= max_lookup_length) {
        key.name.assign(name);
        key.entry = &unknown_attribute;
        return key;
    }
    key.name.resize(name.size());
    std::transform(name.begin(), name.end(), key.name.begin(), ascii_lower);
    const attribute_entry* found = attribute_lookup().find(key.name);
    key.entry = found ? found : &unknown_attribute;
    return key;
}

const element_entry* DTD::find_element(std::string_view name) const
{
    if (name.size() >= max_lookup_length)
        return &unknown_element;
    char upper[max_lookup_length];
    std::transform(name.begin(), name.end(), upper, ascii_upper);
    const element_entry* found = element_lookup().find(std::string_view(upper, name.size()));
    return found ? found : &unknown_element;
}

int DTD::content_model(const element_entry* entry) const
{
    return entry == element(el::PRE) || entry == element(el::SCRIPT) ? raw_text_content : ordinary_content;
}

const DTD& html_dtd()
{
    static const DTD instance;
    return instance;
}

}
