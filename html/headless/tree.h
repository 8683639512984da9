#pragma once

// The headless document's node tree, its places (positions), the pointers that follow
// mutations, and the few primitive mutations every edit is made of. Each primitive records
// its inverse, which is how undo works.

#include "html/document.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace html::headless {

enum class node_kind : unsigned char { document, element, text, comment, declaration };

struct attribute {
    std::string name; // as stored: read ones in lower case
    std::string value;
    bool bare = false; // written without a value
};

struct node;

// A node's children: an array with a gap where the last insertion or removal happened, so
// runs of edits at one place (removing many children of one container from the last, or
// inserting at its front again and again) cost in proportion to the distance between them
// rather than to the number of children. Children are counted from 0 as in any array.
class child_list {
public:
    using value_type = std::shared_ptr<node>;

    template <class List, class Ref>
    class basic_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = child_list::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = std::remove_reference_t<Ref>*;
        using reference = Ref;
        basic_iterator() = default;
        basic_iterator(List* list, std::size_t i) : list_(list), i_(i) { }
        Ref operator*() const { return (*list_)[i_]; }
        pointer operator->() const { return &(*list_)[i_]; }
        Ref operator[](difference_type d) const { return (*list_)[i_ + static_cast<std::size_t>(d)]; }
        basic_iterator& operator++() { ++i_; return *this; }
        basic_iterator operator++(int) { auto t = *this; ++i_; return t; }
        basic_iterator& operator--() { --i_; return *this; }
        basic_iterator operator--(int) { auto t = *this; --i_; return t; }
        basic_iterator& operator+=(difference_type d) { i_ += static_cast<std::size_t>(d); return *this; }
        basic_iterator& operator-=(difference_type d) { i_ -= static_cast<std::size_t>(d); return *this; }
        friend basic_iterator operator+(basic_iterator a, difference_type d) { return a += d; }
        friend basic_iterator operator+(difference_type d, basic_iterator a) { return a += d; }
        friend basic_iterator operator-(basic_iterator a, difference_type d) { return a -= d; }
        friend difference_type operator-(const basic_iterator& a, const basic_iterator& b)
        {
            return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
        }
        friend bool operator==(const basic_iterator& a, const basic_iterator& b) { return a.i_ == b.i_; }
        friend auto operator<=>(const basic_iterator& a, const basic_iterator& b) { return a.i_ <=> b.i_; }

    private:
        List* list_ = nullptr;
        std::size_t i_ = 0;
    };
    using iterator = basic_iterator<child_list, value_type&>;
    using const_iterator = basic_iterator<const child_list, const value_type&>;
    using reverse_iterator = std::reverse_iterator<iterator>;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    child_list() = default;
    ~child_list() { release(); }
    child_list(const child_list&) = delete;
    child_list& operator=(const child_list&) = delete;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    value_type& operator[](std::size_t i) { return data_[i < gap_ ? i : i + (capacity_ - size_)]; }
    const value_type& operator[](std::size_t i) const { return data_[i < gap_ ? i : i + (capacity_ - size_)]; }
    value_type& front() { return (*this)[0]; }
    value_type& back() { return (*this)[size_ - 1]; }
    const value_type& front() const { return (*this)[0]; }
    const value_type& back() const { return (*this)[size_ - 1]; }
    iterator begin() { return {this, 0}; }
    iterator end() { return {this, size_}; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }
    reverse_iterator rbegin() { return reverse_iterator(end()); }
    reverse_iterator rend() { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }

    void push_back(value_type n) { insert(size_, std::move(n)); }
    void pop_back() { erase(size_ - 1, 1); }
    void insert(std::size_t at, value_type n);
    // Inserts the nodes in [first, last) before child `at`.
    template <class It>
    void insert(std::size_t at, It first, It last)
    {
        const std::size_t count = static_cast<std::size_t>(std::distance(first, last));
        make_gap(at, count);
        for (; first != last; ++first) {
            ::new (static_cast<void*>(data_ + gap_)) value_type(*first);
            ++gap_;
            ++size_;
        }
    }
    // Removes children [at, at + count).
    void erase(std::size_t at, std::size_t count);
    // Children [at, at + count) as an array.
    std::vector<value_type> slice(std::size_t at, std::size_t count) const;
    // Takes all children out, leaving the list empty.
    std::vector<value_type> take_all();
    void clear() { release(); }

private:
    // Moves the gap to `at` with room for `count` more.
    void make_gap(std::size_t at, std::size_t count);
    void release();

    // Slots [0, gap_) and [gap_ + capacity_ - size_, capacity_) hold children; the gap's
    // slots are raw memory.
    value_type* data_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
    std::uint32_t gap_ = 0;
};

struct tag_info {
    bool is_void = false;    // never has content, no end tag
    bool block = false;      // a line and whitespace boundary
    bool raw = false;        // SCRIPT, STYLE: content verbatim
    bool escapable_raw = false; // TEXTAREA, TITLE: content is text, references decoded
    bool preserve = false;   // whitespace kept inside
    bool head_element = false;
    bool closes_paragraph = false; // its start ends an open P
};

// A node's name with its tag properties. Names of the tag table point into it; any other
// name is owned by the node, so a node spends one pointer on its name.
class node_name {
public:
    node_name();
    explicit node_name(std::string_view upper_name);
    node_name(const node_name& other);
    node_name(node_name&& other) noexcept : entry_(other.entry_) { other.entry_ = empty_entry(); }
    node_name& operator=(const node_name& other);
    node_name& operator=(node_name&& other) noexcept;
    node_name& operator=(std::string_view upper_name) { return *this = node_name(upper_name); }
    ~node_name();

    const std::string& str() const { return entry_->name; }
    operator const std::string&() const { return entry_->name; }
    operator std::string_view() const { return entry_->name; }
    const tag_info& info() const { return entry_->info; }
    bool empty() const { return entry_->name.empty(); }
    std::size_t size() const { return entry_->name.size(); }
    char operator[](std::size_t i) const { return entry_->name[i]; }
    bool operator==(std::string_view other) const { return std::string_view(entry_->name) == other; }
    bool operator==(const char* other) const { return std::string_view(entry_->name) == other; }
    bool operator==(const std::string& other) const { return entry_->name == other; }
    bool operator==(const node_name& other) const { return entry_ == other.entry_ || entry_->name == other.entry_->name; }

    struct entry {
        std::string name;
        tag_info info;
        bool owned = false;
    };

private:
    static const entry* empty_entry();
    const entry* entry_;
};
inline std::string operator+(const char* a, const node_name& b) { return a + b.str(); }
inline std::string operator+(const std::string& a, const node_name& b) { return a + b.str(); }
inline std::string operator+(const node_name& a, const char* b) { return a.str() + b; }

// An element's attributes; most nodes have none and spend one pointer on them.
class attribute_list {
public:
    attribute_list() = default;
    attribute_list(const attribute_list& other) { *this = other.get(); }
    attribute_list(attribute_list&&) noexcept = default;
    attribute_list& operator=(const attribute_list& other)
    {
        if (this != &other)
            *this = other.get();
        return *this;
    }
    attribute_list& operator=(attribute_list&&) noexcept = default;
    attribute_list& operator=(std::vector<attribute> list)
    {
        if (list.empty())
            list_.reset();
        else
            list_ = std::make_unique<std::vector<attribute>>(std::move(list));
        return *this;
    }

    const std::vector<attribute>& get() const { return list_ ? *list_ : none(); }
    operator const std::vector<attribute>&() const { return get(); }
    // The list to change in place.
    std::vector<attribute>& edit()
    {
        if (!list_)
            list_ = std::make_unique<std::vector<attribute>>();
        return *list_;
    }
    // Takes the list out, leaving none.
    std::vector<attribute> take()
    {
        std::vector<attribute> out = list_ ? std::move(*list_) : std::vector<attribute>();
        list_.reset();
        return out;
    }
    std::size_t size() const { return get().size(); }
    bool empty() const { return get().empty(); }
    std::vector<attribute>::const_iterator begin() const { return get().begin(); }
    std::vector<attribute>::const_iterator end() const { return get().end(); }

private:
    static const std::vector<attribute>& none();
    std::unique_ptr<std::vector<attribute>> list_;
};

// The element handle handed out for a node, kept by it while the handle lives.
class element_handle_owner;

struct node : std::enable_shared_from_this<node> {
    node() = default;
    // Frees the subtree without recursion; children still held elsewhere become roots.
    ~node();
    node(const node&) = delete;
    node& operator=(const node&) = delete;

    node_kind kind = node_kind::element;
    // Where it stood in its parent when last seen; only a hint, checked before use.
    mutable std::uint32_t index_hint = 0;
    node_name name; // element: upper case
    // text: its characters (UTF-8); comment: what stands between "<!" and ">";
    // declaration: the whole markup; SCRIPT and STYLE content is a text child.
    std::string data;
    attribute_list attributes;
    node* parent = nullptr;
    child_list children;
    // The live element handle for this node, if any; the handle clears it when it goes.
    element_handle_owner* handle = nullptr;

    bool is_element() const { return kind == node_kind::element; }
    bool is_text() const { return kind == node_kind::text; }
    const attribute* find(std::string_view attribute_name) const;
    attribute* find(std::string_view attribute_name);
};
using node_ptr = std::shared_ptr<node>;

// A new empty node; nodes come from a pool of equal blocks, which keeps reading a large
// page from spending its time in the general allocator.
node_ptr new_node();
node_ptr make_element(std::string_view upper_name);
node_ptr make_element(const node_name& name);
node_ptr make_text(std::string text);
node_ptr make_comment(std::string text);

// The place of a node among its parent's children.
std::size_t index_in_parent(const node& n);
// Notes the place as the node's hint; returns it.
std::size_t set_hint(const node& n, std::size_t index);
bool is_ancestor_or_self(const node* ancestor, const node* n);
// A deep copy (iterative), not in any tree.
node_ptr clone_tree(const node& n);
node_ptr clone_shell(const node& n); // same element, no children

const tag_info& info(std::string_view upper_name);
// The tag properties of an element.
inline const tag_info& info_of(const node& n) { return n.name.info(); }
bool equal_ignoring_case(std::string_view a, std::string_view b);
std::string to_upper(std::string_view text);
std::string to_lower(std::string_view text);

// Between two items of the markup stream: children[index] of container, or, when offset
// is not 0, inside that text child before its byte `offset`.
struct position {
    node* container = nullptr;
    std::size_t index = 0;
    std::size_t offset = 0;
    bool operator==(const position&) const = default;
};

// Walks the markup stream from start to end in document order, without recursion:
//   v.text(container, part)  the part of a text child inside the range;
//   v.enter(child)           each other child met;
//   v.leave(n)               after a container's content, at once for a void element or a
//                            non-element child, and for each ancestor of start left on the way.
template <class Visitor>
void walk_range(const position& start, const position& end, Visitor& v)
{
    position p = start;
    while (!(p == end)) {
        node* c = p.container;
        if (p.index < c->children.size()) {
            node& child = *c->children[p.index];
            if (child.is_text()) {
                std::size_t stop = child.data.size();
                if (end.container == c && end.index == p.index && end.offset > p.offset)
                    stop = end.offset;
                v.text(*c, std::string_view(child.data).substr(p.offset, stop - p.offset));
                if (stop < child.data.size())
                    return;
                p = {c, p.index + 1, 0};
                continue;
            }
            v.enter(child);
            if (child.is_element() && !info_of(child).is_void) {
                p = {&child, 0, 0};
            } else {
                v.leave(child);
                p = {c, p.index + 1, 0};
            }
            continue;
        }
        if (!c->parent)
            return;
        v.leave(*c);
        p = {c->parent, index_in_parent(*c) + 1, 0};
    }
}

// A pointer the model keeps in place while the tree changes.
struct tracked {
    position at;
    bool positioned = false;
    html::gravity side = html::gravity::left;
};

int compare(const position& a, const position& b);
// Whether a place lies in an element whose content is text only (SCRIPT, STYLE, TEXTAREA,
// TITLE): no element may be put there.
bool in_text_only_element(const position& p);

class model {
public:
    model();
    ~model();
    model(const model&) = delete;
    model& operator=(const model&) = delete;

    node_ptr root;

    void track(tracked* p) { pointers_.push_back(p); }
    const std::vector<tracked*>& pointers() const { return pointers_; }
    void untrack(tracked* p);
    void reset(node_ptr new_root);

    // Primitives. Positions of tracked pointers follow each of them.
    void insert_nodes(node* container, std::size_t index, std::vector<node_ptr> nodes);
    std::vector<node_ptr> remove_nodes(node* container, std::size_t index, std::size_t count);
    // `to_index` counts in the destination as it is before the nodes leave.
    void move_nodes(node* from, std::size_t index, std::size_t count, node* to, std::size_t to_index);
    void split_text(node* container, std::size_t index, std::size_t offset);
    void set_attributes(node* target, std::vector<attribute> attributes);
    void set_data(node* target, std::string data);

    // Built on them.
    position normalise(position p) const;
    // Makes the place a boundary between children (splitting a text); returns it.
    position split_at(const position& p);
    // Splits elements partly covered by [start, end) so the range becomes children
    // [first, last) of one container. `start` and `end` are tracked and follow.
    struct span { node* container; std::size_t first; std::size_t last; };
    span isolate(tracked& start, tracked& end);
    void split_element(node* target, std::size_t at);

    // Undo: one unit is a list of inverse steps.
    struct step;
    void begin_unit();
    void end_unit();
    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    bool undo();
    bool redo();
    void discard_undo();
    bool dirty = false;
    long edits = 0; // bumps on every mutation; lets views notice a change

private:
    void record(std::unique_ptr<step> s);
    void apply(step& s);

    std::vector<tracked*> pointers_;
    std::vector<std::vector<std::unique_ptr<step>>> undo_;
    std::vector<std::vector<std::unique_ptr<step>>> redo_;
    std::vector<std::unique_ptr<step>> open_;
    int depth_ = 0;
    enum class mode { normal, undoing, redoing } mode_ = mode::normal;
};

// HTML reading and writing.
struct parse_options {
    bool fragment = false; // no HTML, HEAD, BODY implied
    std::size_t* written_size = nullptr; // receives about the size the tree is written in
};
node_ptr parse_html(std::string_view utf8, parse_options options = {});
// The children of a parsed fragment.
std::vector<node_ptr> parse_fragment(std::string_view utf8);
// `expected_size`, when known (the size the page had when last read or written), sizes the
// result's buffer in advance.
std::string serialise(const node& n, bool include_self = true, std::size_t expected_size = 0);
// Serialises the children of container in [first, last).
std::string serialise_children(const node& container, std::size_t first, std::size_t last);
// Plain text of the stream between two places.
std::string plain_text(const position& start, const position& end);
std::string plain_text_of(const node& n);
// Decodes character references in text.
std::string decode_references(std::string_view text, bool in_attribute);
// Attributes are stored in the order the markup tokenizer reads them in (known names in its
// table order, the rest by name), so a written element reads back the same.
bool reads_before(std::string_view a, std::string_view b);
void insert_attribute(std::vector<attribute>& attributes, attribute added);
// The first position after `p` (inclusive) with a character to its right, and stepping.
bool step_character(position& p, bool forward);
// Moves by up to `count` characters, never leaving `limit`; returns how many it moved.
long advance_characters(position& p, long count, bool forward, const node* limit);

// Page bytes to UTF-8: byte-order mark, META charset, valid UTF-8, else Windows-1252.
std::string decode_page_bytes(std::string_view bytes, std::string* charset);
// The same without a copy of bytes that are the text already: false then, `out` untouched.
bool decode_page_text(std::string_view bytes, std::string* charset, std::string& out);
// UTF-8 to the charset; characters it lacks become "&#N;". Empty optional: unknown charset.
bool encode_text(std::string_view utf8, std::string_view charset, std::string& out);
bool charset_known(std::string_view charset);

// A file's bytes; failures as HRESULTs of the system error (a folder gives EISDIR).
hresult read_whole_file(const std::string& path, std::string& out);

}
