#include "core/markup/dtd.h"

#include "core/markup/ascii.h"

#include <algorithm>
#include <cstdint>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>
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

bool is_unknown_attribute(const attribute_entry* entry)
{
    return entry == &hevtools::markup::html::unknown_attribute;
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

// Many attributes: sort small keys, then move each kept attribute once into its place.
void attribute_map::finish_large()
{
    struct sort_key {
        int order;          // the entry's table index; unknown attributes after all known ones
        std::uint32_t slot; // keeps the written order among equal keys
        std::string_view name;
    };
    thread_local std::vector<sort_key> keys;
    thread_local std::vector<std::uint32_t> from;
    const int unknown_order = hevtools::markup::html::attribute_count;
    keys.clear();
    keys.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        const attribute_key& key = items_[i].first;
        const bool known = key.entry != &hevtools::markup::html::unknown_attribute;
        keys.push_back({known ? key.entry->index : unknown_order, static_cast<std::uint32_t>(i),
            known ? std::string_view() : std::string_view(key.name)});
    }
    std::sort(keys.begin(), keys.end(), [](const sort_key& a, const sort_key& b) {
        if (a.order != b.order)
            return a.order < b.order;
        if (const int c = a.name.compare(b.name))
            return c < 0;
        return a.slot < b.slot;
    });
    // Of equal keys the last one written wins: position i takes the slot of the last entry of
    // the i-th run; the slots that lose go after the kept ones.
    from.clear();
    from.reserve(count_);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool last_of_run = i + 1 == keys.size() || keys[i].order != keys[i + 1].order
            || keys[i].name != keys[i + 1].name;
        if (last_of_run) {
            from.push_back(keys[i].slot);
            ++kept;
        }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool last_of_run = i + 1 == keys.size() || keys[i].order != keys[i + 1].order
            || keys[i].name != keys[i + 1].name;
        if (!last_of_run)
            from.push_back(keys[i].slot);
    }
    keys.clear();
    // Apply the permutation in place, one cycle at a time: position j takes slot from[j].
    constexpr std::uint32_t done = 0xffffffffu;
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (from[i] == done || from[i] == i) {
            from[i] = done;
            continue;
        }
        value_type held = std::move(items_[i]);
        std::size_t j = i;
        while (true) {
            const std::size_t k = from[j];
            from[j] = done;
            if (k == i) {
                items_[j] = std::move(held);
                break;
            }
            items_[j] = std::move(items_[k]);
            j = k;
        }
    }
    count_ = kept;
}

void attribute_map::grow() { items_.emplace_back(); }

void attribute_map::order()
{
    const auto first = items_.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(count_);
    const auto less = [](const value_type& a, const value_type& b) { return a.first < b.first; };
    // Mail is mostly written in table order already: then there is nothing to move.
    std::size_t ordered = 1;
    while (ordered < count_ && less(items_[ordered - 1], items_[ordered]))
        ++ordered;
    if (ordered == count_)
        return;
    if (count_ > 16) {
        finish_large();
        return;
    }
    // Stable insertion sort by swaps, so the slots keep their buffers; the first `ordered` are
    // in place already.
    for (auto i = first + static_cast<std::ptrdiff_t>(ordered); i != last; ++i)
        for (auto j = i; j != first && less(*j, *(j - 1)); --j)
            std::iter_swap(j, j - 1);
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

namespace hevtools::markup {

void DTD::make_tag_into(std::string& text, bool tag_name_mode, int* content_model_out, markup_tag& tag) const
{
    markup_tag made = make_tag(text, tag_name_mode, content_model_out);
    tag.name.swap(made.name);
    tag.element = made.element;
    tag.end = made.end;
}

void DTD::find_attribute_into(std::string_view name, attribute_key& key) const
{
    key = find_attribute(name);
}

bool DTD::tag_name_may_start_with(char) const { return false; }

bool DTD::make_tag_from_name(std::string_view, int*, markup_tag&) const
{
    return false;
}

}

namespace hevtools::markup::html {

using core::ascii_lower;
using core::ascii_upper;

constexpr element_entry element_table[element_count] = {
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

// Names of up to 15 bytes packed with their length into two words, so a lookup is a hash of
// two words and two compares. Longer names are in neither table.
struct packed_name {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const packed_name&) const = default;
};

constexpr std::size_t max_packed_length = 15;

// The bytes of [p, p + n), n <= 8, as a little-endian word with zero padding. Loads that
// overlap read each byte at its own place, so no byte outside the name is touched.
std::uint64_t load_partial(const char* p, std::size_t n)
{
    const auto byte = [p](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])); };
    if (n >= 4) {
        std::uint32_t first, last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return first | (static_cast<std::uint64_t>(last) << (8 * (n - 4)));
    }
    if (n == 0)
        return 0;
    return byte(0) | (byte(n / 2) << (8 * (n / 2))) | (byte(n - 1) << (8 * (n - 1)));
}

// ASCII case folding of eight bytes at once; bytes of 0x80 and above pass unchanged.
constexpr std::uint64_t high_bits = 0x8080808080808080ull;
constexpr std::uint64_t bytes_of(unsigned char c) { return 0x0101010101010101ull * c; }

constexpr std::uint64_t letters_between(std::uint64_t x, unsigned char first, unsigned char last)
{
    const std::uint64_t low7 = x & ~high_bits;
    const std::uint64_t from_first = low7 + bytes_of(static_cast<unsigned char>(0x80 - first));
    const std::uint64_t after_last = low7 + bytes_of(static_cast<unsigned char>(0x80 - last - 1));
    return (from_first ^ after_last) & ~x & high_bits;
}

constexpr std::uint64_t fold_lower(std::uint64_t x) { return x | (letters_between(x, 'A', 'Z') >> 2); }
constexpr std::uint64_t fold_upper(std::uint64_t x) { return x & ~(letters_between(x, 'a', 'z') >> 2); }
constexpr std::uint64_t keep_case(std::uint64_t x) { return x; }

template <std::uint64_t (*Fold)(std::uint64_t)>
constexpr bool pack(std::string_view name, packed_name& packed)
{
    const std::size_t size = name.size();
    if (size > max_packed_length)
        return false;
    std::uint64_t low = 0, high = 0;
    if (std::is_constant_evaluated() || std::endian::native != std::endian::little) {
        for (std::size_t i = 0; i < size; ++i)
            (i < 8 ? low : high) |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * (i % 8));
    } else if (size > 8) {
        std::memcpy(&low, name.data(), 8);
        high = load_partial(name.data() + 8, size - 8);
    } else {
        low = load_partial(name.data(), size);
    }
    packed.low = Fold(low);
    packed.high = Fold(high) | static_cast<std::uint64_t>(size) << 56;
    return true;
}

// A perfect hash over the static entries, built at compile time: every name has a slot of its
// own (a shared slot fails the build), so a lookup is one hash, one load and one compare.
template <typename Entry, std::size_t Count, std::uint64_t Multiplier>
class lookup_table {
public:
    constexpr void add(const packed_name& key, const Entry* entry)
    {
        std::uint8_t& number = numbers_[slot_of(key)];
        if (number != 0 || count_ == Count)
            throw "two names share a slot: choose another multiplier";
        names_[count_] = {key, entry};
        number = static_cast<std::uint8_t>(++count_);
    }

    const Entry* find(const packed_name& key) const
    {
        const unsigned number = numbers_[slot_of(key)];
        if (number == 0)
            return nullptr;
        const named& found = names_[number - 1];
        return found.key == key ? found.entry : nullptr;
    }

private:
    static_assert(Count < 256);
    static constexpr int slot_bits = 10;

    static constexpr std::size_t slot_of(const packed_name& key)
    {
        return static_cast<std::size_t>(((key.low ^ (key.high * 31)) * Multiplier) >> (64 - slot_bits));
    }

    std::array<std::uint8_t, std::size_t {1} << slot_bits> numbers_ {}; // entry number + 1, 0 when empty
    struct named {
        packed_name key;
        const Entry* entry = nullptr;
    };
    std::array<named, Count> names_ {};
    std::size_t count_ = 0;
};

// The multipliers were searched for: with them no two names share a slot.
constinit const lookup_table<element_entry, element_count, 0x094e0890854dd38dull> element_lookup = [] {
    lookup_table<element_entry, element_count, 0x094e0890854dd38dull> t;
    for (const element_entry& e : element_table) {
        packed_name key;
        pack<fold_upper>(e.name, key);
        t.add(key, &e);
    }
    return t;
}();

constinit const lookup_table<attribute_entry, attribute_count, 0x172b80fb38c817c1ull> attribute_lookup = [] {
    lookup_table<attribute_entry, attribute_count, 0x172b80fb38c817c1ull> t;
    for (std::size_t i = 0; i < attribute_keys.size(); ++i) {
        packed_name key;
        pack<fold_lower>(attribute_keys[i], key);
        t.add(key, &attribute_table[i]);
    }
    return t;
}();

bool is_whole_tag_delimiter(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '<'; }

constexpr std::array<el, 13> empty_elements {el::AREA, el::BASE, el::BASEFONT, el::BR, el::COL, el::FRAME,
    el::HR, el::IMG, el::INPUT, el::ISINDEX, el::LINK, el::META, el::PARAM};

constexpr std::array<bool, element_count> empty_flags = [] {
    std::array<bool, element_count> f {};
    for (el e : empty_elements)
        f[static_cast<std::size_t>(e)] = true;
    return f;
}();

}

bool DTD::is_empty_element(const markup_tag& tag) const
{
    if (tag.name.empty())
        return true;
    const int index = element_index(tag.element);
    // The flag first: most tags are not empty, and it settles those.
    return index >= 0 && empty_flags[static_cast<std::size_t>(index)] && tag.element->name[0] == ascii_upper(tag.name[0]);
}

markup_tag DTD::make_tag(std::string& text, bool tag_name_mode, int* content_model_out) const
{
    markup_tag tag;
    make_tag_into(text, tag_name_mode, content_model_out, tag);
    return tag;
}

void DTD::make_tag_into(std::string& text, bool tag_name_mode, int* content_model_out, markup_tag& tag) const
{
    int local_model = 0;
    int& model = content_model_out ? *content_model_out : local_model;
    model = ordinary_content;
    tag.end = false;
    if (tag_name_mode) {
        if (text.size() > 2 && text.compare(0, 3, "!--") == 0) {
            text.erase(0, 3);
            model = comment_content;
            tag.name = "--";
            tag.element = &comment_element;
            return;
        }
        if (!text.empty() && text[0] == '!') {
            tag.name.assign(text);
            text.clear();
            tag.element = &unknown_element;
            return;
        }
        name_tag(text, model, tag);
        text.clear();
        return;
    } else {
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "--") == 0) {
            text.resize(text.size() - 2);
            model = comment_content;
            tag.name = "--";
            tag.element = &comment_element;
            tag.end = true;
            return;
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
}

bool DTD::make_tag_from_name(std::string_view name, int* content_model_out, markup_tag& tag) const
{
    int local_model = 0;
    name_tag(name, content_model_out ? *content_model_out : local_model, tag);
    return true;
}

void DTD::name_tag(std::string_view name, int& model, markup_tag& tag) const
{
    tag.end = !name.empty() && name[0] == '/';
    if (tag.end)
        name.remove_prefix(1);
    // Looked up in the text as read, before it is copied into the tag.
    tag.element = find_element(name);
    model = content_model(tag.element);
    tag.name.assign(name);
}

attribute_key DTD::find_attribute(std::string_view name) const
{
    attribute_key key;
    find_attribute_into(name, key);
    return key;
}

void DTD::find_attribute_into(std::string_view name, attribute_key& key) const
{
    if (name.size() >= max_lookup_length) {
        key.name.assign(name);
        key.entry = &unknown_attribute;
        return;
    }
    packed_name packed;
    const attribute_entry* found = pack<fold_lower>(name, packed) ? attribute_lookup.find(packed) : nullptr;
    if (found) {
        // The lookup key is the lower-cased name. A key reused from an earlier tag often holds
        // it already: compared as packed words, which is cheaper than copying it again.
        packed_name held;
        if (key.entry != found || !pack<keep_case>(key.name, held) || held != packed)
            key.name.assign(attribute_keys[static_cast<std::size_t>(found->index)]);
        key.entry = found;
        return;
    }
    key.name.resize(name.size());
    std::transform(name.begin(), name.end(), key.name.begin(), ascii_lower);
    key.entry = &unknown_attribute;
}

const element_entry* DTD::find_element(std::string_view name) const
{
    if (name.size() >= max_lookup_length)
        return &unknown_element;
    packed_name packed;
    const element_entry* found = pack<fold_upper>(name, packed) ? element_lookup.find(packed) : nullptr;
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
