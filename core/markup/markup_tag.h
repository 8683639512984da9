#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

// Identity of an element: receivers compare the address, never the name.
struct element_entry {
    std::string_view name;
};

// Identity of an attribute; `index` is its place in the attribute table, which is the order
// attributes are written in.
struct attribute_entry {
    std::string_view name;
    int index;
};

struct attribute_key {
    std::string name;
    const attribute_entry* entry = nullptr;
};

// Known attributes first, in table order; unknown ones after them, by name.
bool operator<(const attribute_key& a, const attribute_key& b);
bool is_unknown_attribute(const attribute_entry* entry);
inline bool operator==(const attribute_key& a, const attribute_key& b)
{
    return a.entry == b.entry && (!is_unknown_attribute(a.entry) || a.name == b.name);
}

// The attributes of one tag, ordered by attribute_key. The tokenizer appends while it reads a
// tag and orders once when the tag completes (the last of duplicates wins); the storage is
// kept across tags, so reading a tag allocates nothing once the buffers have grown.
class attribute_map {
public:
    using value_type = std::pair<attribute_key, std::string>;
    using const_iterator = std::vector<value_type>::const_iterator;

    attribute_map() = default;
    attribute_map(const attribute_map& other);
    attribute_map& operator=(const attribute_map& other);
    attribute_map(attribute_map&&) noexcept = default;
    attribute_map& operator=(attribute_map&&) noexcept = default;

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.begin() + static_cast<std::ptrdiff_t>(count_); }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Never inserts: nullptr when the key is absent.
    const std::string* find(const attribute_key& key) const;
    // Sets one attribute, keeping the order.
    void set(const attribute_key& key, std::string value);
    bool erase(const attribute_key& key);
    // Empties the map; the storage stays for the next tag.
    void clear() { count_ = 0; }

    // Tokenizer side: a slot at the end, ordered later by finish().
    value_type& append_unordered()
    {
        if (count_ == items_.size())
            grow();
        return items_[count_++];
    }
    value_type* before_last_unordered() { return count_ > 1 ? &items_[count_ - 2] : nullptr; }
    void drop_last_unordered() { --count_; }
    // Orders the slots; a tag of one attribute or none (most tags) needs nothing.
    void finish()
    {
        if (count_ > 1)
            order();
    }

private:
    void grow();
    void order();
    void finish_large();

    std::vector<value_type> items_;
    std::size_t count_ = 0;
};

// A tag as the tokenizer reports it.
struct markup_tag {
    enum kind_type { empty_tag = 0, start_tag = 1, end_tag = 2 };

    std::string name;                      // as written; no leading "/"; "--" for a comment
    const element_entry* element = nullptr;
    int kind = start_tag;
    bool end = false;                      // written with a leading "/"
    attribute_map attributes;
    std::size_t start = 0;                 // offset of the tag's "<" in the input
    // A "/" written right before ">" ("<br/>", "<path d=x />"): kept apart from the attributes
    // so that a copy writes it last, where it stood.
    enum slash_type : unsigned char { no_slash, slash, spaced_slash };
    slash_type closing_slash = no_slash;
    // For a declaration ("<!DOCTYPE ...>", "<![if x]>") or a processing instruction
    // ("<?xml ...?>"): everything between "<" and ">" as written, so that a copy gives it back
    // unchanged. Empty for other tags.
    std::string source_text;
};

}
