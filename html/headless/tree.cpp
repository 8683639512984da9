#include "html/headless/tree.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <cstddef>
#include <mutex>
#include <unordered_map>

#include <sys/mman.h>
#include <unistd.h>

namespace html::headless {

namespace {

char upper_char(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lower_char(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower_char(a[i]) != lower_char(b[i]))
            return false;
    return true;
}

std::string to_upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upper_char(c);
    return out;
}

std::string to_lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = lower_char(c);
    return out;
}

namespace {

// The names the reader meets on pages, with their properties; a name missing here still
// works, its node then owns a copy of it.
using tag_table = std::unordered_map<std::string_view, node_name::entry>;

const tag_table& tags()
{
    static const tag_table* table = [] {
        // Never destroyed: nodes may outlive static objects. Keys view string literals.
        auto* t = new tag_table;
        for (std::string_view n : {"A", "ABBR", "ACRONYM", "ADDRESS", "APPLET", "AREA", "B", "BASE", "BASEFONT",
                 "BDO", "BGSOUND", "BIG", "BLINK", "BLOCKQUOTE", "BODY", "BR", "BUTTON", "CAPTION", "CENTER",
                 "CITE", "CODE", "COL", "COLGROUP", "DD", "DEL", "DFN", "DIR", "DIV", "DL", "DT", "EM", "EMBED",
                 "FIELDSET", "FONT", "FORM", "FRAME", "FRAMESET", "H1", "H2", "H3", "H4", "H5", "H6", "HEAD",
                 "HR", "HTML", "I", "IFRAME", "ILAYER", "IMG", "INPUT", "INS", "ISINDEX", "KBD", "KEYGEN",
                 "LABEL", "LAYER", "LEGEND", "LI", "LINK", "LISTING", "MAP", "MARQUEE", "MENU", "META", "NOBR",
                 "NOEMBED", "NOFRAMES", "NOLAYER", "NOSCRIPT", "OBJECT", "OL", "OPTGROUP", "OPTION", "P",
                 "PARAM", "PLAINTEXT", "PRE", "Q", "S", "SAMP", "SCRIPT", "SELECT", "SMALL", "SPACER", "SPAN",
                 "STRIKE", "STRONG", "STYLE", "SUB", "SUP", "TABLE", "TBODY", "TD", "TEXTAREA", "TFOOT", "TH",
                 "THEAD", "TITLE", "TR", "TT", "U", "UL", "VAR", "WBR", "XMP", "O:P", "!", "#FRAGMENT"})
            (*t)[n].name = std::string(n);
        for (std::string_view v : {"AREA", "BASE", "BASEFONT", "BGSOUND", "BR", "COL", "EMBED", "FRAME",
                 "HR", "IMG", "INPUT", "ISINDEX", "LINK", "META", "PARAM", "WBR", "SPACER", "KEYGEN"})
            (*t)[v].info.is_void = true;
        for (std::string_view b : {"HTML", "HEAD", "BODY", "TITLE", "META", "LINK", "BASE", "STYLE", "P",
                 "DIV", "H1", "H2", "H3", "H4", "H5", "H6", "UL", "OL", "LI", "DL", "DT", "DD", "TABLE",
                 "THEAD", "TBODY", "TFOOT", "TR", "TD", "TH", "CAPTION", "COLGROUP", "COL", "BLOCKQUOTE",
                 "PRE", "FORM", "HR", "CENTER", "ADDRESS", "FIELDSET", "LEGEND", "NOSCRIPT", "MENU",
                 "DIR", "FRAMESET", "FRAME", "NOFRAMES", "OPTION", "SELECT", "MARQUEE", "XMP",
                 "LISTING", "OPTGROUP", "MAP", "AREA", "BGSOUND"})
            (*t)[b].info.block = true;
        for (std::string_view r : {"SCRIPT", "STYLE"}) {
            (*t)[r].info.raw = true;
            (*t)[r].info.preserve = true;
        }
        for (std::string_view r : {"TEXTAREA", "TITLE"}) {
            (*t)[r].info.escapable_raw = true;
            (*t)[r].info.preserve = true;
        }
        for (std::string_view r : {"PRE", "XMP", "LISTING", "PLAINTEXT"})
            (*t)[r].info.preserve = true;
        for (std::string_view h : {"TITLE", "META", "LINK", "BASE", "STYLE", "SCRIPT", "ISINDEX"})
            (*t)[h].info.head_element = true;
        for (std::string_view c : {"P", "DIV", "UL", "OL", "DL", "TABLE", "BLOCKQUOTE", "PRE", "FORM", "HR",
                 "CENTER", "ADDRESS", "FIELDSET", "MENU", "DIR", "XMP", "LISTING", "H1", "H2", "H3", "H4", "H5",
                 "H6", "NOSCRIPT"})
            (*t)[c].info.closes_paragraph = true;
        return t;
    }();
    return *table;
}

const node_name::entry* find_tag(std::string_view upper_name)
{
    const auto& t = tags();
    auto found = t.find(upper_name);
    return found == t.end() ? nullptr : &found->second;
}

}

const node_name::entry* node_name::empty_entry()
{
    static const entry* e = new entry;
    return e;
}

node_name::node_name() : entry_(empty_entry()) { }

node_name::node_name(std::string_view upper_name)
{
    if (upper_name.empty())
        entry_ = empty_entry();
    else if (const entry* known = find_tag(upper_name))
        entry_ = known;
    else
        entry_ = new entry {std::string(upper_name), {}, true};
}

node_name::node_name(const node_name& other)
    : entry_(other.entry_->owned ? new entry(*other.entry_) : other.entry_)
{
}

node_name& node_name::operator=(const node_name& other)
{
    if (this != &other)
        *this = node_name(other);
    return *this;
}

node_name& node_name::operator=(node_name&& other) noexcept
{
    if (this != &other) {
        if (entry_->owned)
            delete entry_;
        entry_ = other.entry_;
        other.entry_ = empty_entry();
    }
    return *this;
}

node_name::~node_name()
{
    if (entry_->owned)
        delete entry_;
}

const tag_info& info(std::string_view upper_name)
{
    static const tag_info none {};
    const node_name::entry* e = find_tag(upper_name);
    return e ? e->info : none;
}

void child_list::insert(std::size_t at, value_type n)
{
    make_gap(at, 1);
    ::new (static_cast<void*>(data_ + gap_)) value_type(std::move(n));
    ++gap_;
    ++size_;
}

void child_list::erase(std::size_t at, std::size_t count)
{
    if (count == 0)
        return;
    make_gap(at, 0);
    // The removed children stand right after the gap: they join it. Each leaves the list
    // before it is released, so whatever its release does sees a consistent list.
    for (std::size_t i = 0; i < count; ++i) {
        value_type* slot = data_ + gap_ + (capacity_ - size_);
        value_type removed = std::move(*slot);
        std::destroy_at(slot);
        --size_;
    }
}

std::vector<child_list::value_type> child_list::slice(std::size_t at, std::size_t count) const
{
    std::vector<value_type> out;
    out.reserve(count);
    for (std::size_t i = at; i < at + count; ++i)
        out.push_back((*this)[i]);
    return out;
}

std::vector<child_list::value_type> child_list::take_all()
{
    std::vector<value_type> out;
    out.reserve(size_);
    for (std::size_t i = 0; i < size_; ++i)
        out.push_back(std::move((*this)[i]));
    release();
    return out;
}

namespace {

// Moves a child from one slot into a raw one, leaving the first raw.
void relocate(child_list::value_type* from, child_list::value_type* to)
{
    ::new (static_cast<void*>(to)) child_list::value_type(std::move(*from));
    std::destroy_at(from);
}

}

void child_list::make_gap(std::size_t at, std::size_t count)
{
    const std::size_t gap_size = capacity_ - size_;
    if (gap_size >= count) {
        // Slide the children between the old and the new place across the gap.
        if (gap_size > 0) {
            if (at < gap_) {
                for (std::size_t i = gap_; i-- > at;)
                    relocate(data_ + i, data_ + i + gap_size);
            } else {
                for (std::size_t i = gap_; i < at; ++i)
                    relocate(data_ + i + gap_size, data_ + i);
            }
        }
        gap_ = static_cast<std::uint32_t>(at);
        return;
    }
    // Grows as an array does: doubling, and exactly the room needed for a large insertion.
    const std::size_t needed = static_cast<std::size_t>(size_) + count;
    if (needed > UINT32_MAX)
        throw std::length_error("too many children");
    const std::size_t grown = std::max<std::size_t>(needed, std::min<std::size_t>(2 * std::size_t {capacity_}, UINT32_MAX));
    value_type* fresh = std::allocator<value_type>().allocate(grown);
    for (std::size_t i = 0; i < size_; ++i) {
        value_type* from = data_ + (i < gap_ ? i : i + gap_size);
        relocate(from, fresh + (i < at ? i : i + (grown - size_)));
    }
    if (data_)
        std::allocator<value_type>().deallocate(data_, capacity_);
    data_ = fresh;
    capacity_ = static_cast<std::uint32_t>(grown);
    gap_ = static_cast<std::uint32_t>(at);
}

void child_list::release()
{
    if (!data_)
        return;
    // Children taken out first, then released, so the list is empty while they go.
    value_type* data = data_;
    const std::size_t capacity = capacity_, gap = gap_, gap_size = capacity_ - size_;
    const std::size_t size = size_;
    data_ = nullptr;
    size_ = capacity_ = gap_ = 0;
    for (std::size_t i = 0; i < size; ++i)
        std::destroy_at(data + (i < gap ? i : i + gap_size));
    std::allocator<value_type>().deallocate(data, capacity);
}

const std::vector<attribute>& attribute_list::none()
{
    static const std::vector<attribute>* empty = new std::vector<attribute>;
    return *empty;
}

const attribute* node::find(std::string_view attribute_name) const
{
    for (const attribute& a : attributes)
        if (equal_ignoring_case(a.name, attribute_name))
            return &a;
    return nullptr;
}

attribute* node::find(std::string_view attribute_name)
{
    return const_cast<attribute*>(static_cast<const node*>(this)->find(attribute_name));
}

node::~node()
{
    // Frees the subtree from its last node in document order back to the first, without
    // recursion or a stack: the pool then hands their blocks out again in address order,
    // which keeps the next tree read as compact in memory as this one. Children held
    // elsewhere become roots.
    node* n = this;
    while (true) {
        if (!n->children.empty()) {
            std::shared_ptr<node>& last = n->children.back();
            if (last.use_count() == 1) {
                n = last.get();
            } else {
                last->parent = nullptr;
                n->children.pop_back();
            }
            continue;
        }
        if (n == this)
            return;
        node* up = n->parent;
        up->children.pop_back(); // frees n, now childless
        n = up;
    }
}

namespace {

// Asks the system for the pages of a fresh slab at once: every block of it is about to be
// used, and one request costs far less than a fault on each page's first touch.
void populate(unsigned char* start, std::size_t size)
{
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
    const auto last = (reinterpret_cast<std::uintptr_t>(start) + size) / page * page;
    if (last > first)
        (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE); // a hint only
#else
    (void)start;
    (void)size;
#endif
}

// Blocks of one size (a node with its shared count), handed out from slabs and kept on a
// free list when released. The pool lives as long as the program.
class node_pool {
public:
    void* take(std::size_t size)
    {
        std::lock_guard lock(mutex_);
        if (size != block_size_)
            return ::operator new(size);
        if (free_) {
            void* p = free_;
            free_ = *static_cast<void**>(free_);
            return p;
        }
        if (slab_left_ == 0) {
            slabs_.push_back(std::unique_ptr<unsigned char[]>(new unsigned char[block_size_ * slab_blocks]));
            slab_next_ = slabs_.back().get();
            populate(slab_next_, block_size_ * slab_blocks);
            slab_left_ = slab_blocks;
        }
        void* p = slab_next_;
        slab_next_ += block_size_;
        --slab_left_;
        return p;
    }
    void give(void* p, std::size_t size)
    {
        std::lock_guard lock(mutex_);
        if (size != block_size_) {
            ::operator delete(p);
            return;
        }
        *static_cast<void**>(p) = free_;
        free_ = p;
    }
    void set_block_size(std::size_t size)
    {
        std::lock_guard lock(mutex_);
        if (block_size_ == 0)
            block_size_ = (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
    }
    std::size_t block_size() const { return block_size_; }

private:
    static constexpr std::size_t slab_blocks = 1024;
    std::mutex mutex_;
    std::vector<std::unique_ptr<unsigned char[]>> slabs_;
    unsigned char* slab_next_ = nullptr;
    std::size_t slab_left_ = 0;
    std::size_t block_size_ = 0;
    void* free_ = nullptr;
};

node_pool& pool()
{
    static node_pool* p = new node_pool; // never destroyed: nodes may outlive static objects
    return *p;
}

template <class T>
struct pool_allocator {
    using value_type = T;
    pool_allocator() = default;
    template <class U>
    pool_allocator(const pool_allocator<U>&) { }
    T* allocate(std::size_t n)
    {
        std::size_t size = n * sizeof(T);
        pool().set_block_size(size);
        return static_cast<T*>(size <= pool().block_size() ? pool().take(pool().block_size()) : ::operator new(size));
    }
    void deallocate(T* p, std::size_t n)
    {
        std::size_t size = n * sizeof(T);
        if (size <= pool().block_size())
            pool().give(p, pool().block_size());
        else
            ::operator delete(p);
    }
    template <class U>
    bool operator==(const pool_allocator<U>&) const { return true; }
};

}

node_ptr new_node() { return std::allocate_shared<node>(pool_allocator<node>()); }

node_ptr make_element(std::string_view upper_name) { return make_element(node_name(upper_name)); }

node_ptr make_element(const node_name& name)
{
    auto n = new_node();
    n->kind = node_kind::element;
    n->name = name;
    return n;
}

node_ptr make_text(std::string text)
{
    auto n = new_node();
    n->kind = node_kind::text;
    n->data = std::move(text);
    return n;
}

node_ptr make_comment(std::string text)
{
    auto n = new_node();
    n->kind = node_kind::comment;
    n->name = "!";
    n->data = std::move(text);
    return n;
}

std::size_t set_hint(const node& n, std::size_t index)
{
    n.index_hint = static_cast<std::uint32_t>(index); // a wrong hint costs a search only
    return index;
}

std::size_t index_in_parent(const node& n)
{
    const node* p = n.parent;
    if (!p)
        return 0;
    const auto& kids = p->children;
    std::size_t hint = n.index_hint;
    // Edits shift a node by a few places at a time: look near the last known place first.
    for (std::size_t d = 0; d < 4; ++d) {
        if (hint + d < kids.size() && kids[hint + d].get() == &n)
            return set_hint(n, hint + d);
        if (d <= hint && hint - d < kids.size() && kids[hint - d].get() == &n)
            return set_hint(n, hint - d);
    }
    for (std::size_t i = 0; i < kids.size(); ++i) {
        set_hint(*kids[i], i);
        if (kids[i].get() == &n)
            return i;
    }
    throw std::logic_error("node missing from its parent");
}

bool is_ancestor_or_self(const node* ancestor, const node* n)
{
    for (; n; n = n->parent)
        if (n == ancestor)
            return true;
    return false;
}

node_ptr clone_shell(const node& n)
{
    auto copy = new_node();
    copy->kind = n.kind;
    copy->name = n.name;
    copy->data = n.data;
    copy->attributes = n.attributes;
    return copy;
}

node_ptr clone_tree(const node& n)
{
    node_ptr top = clone_shell(n);
    std::vector<std::pair<const node*, node*>> work {{&n, top.get()}};
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        for (const node_ptr& child : from->children) {
            node_ptr c = clone_shell(*child);
            c->parent = to;
            to->children.push_back(c);
            work.emplace_back(child.get(), c.get());
        }
    }
    return top;
}

// Document order of places. Each level of the container chain gives a key; inside a
// child counts as between it and the next one.
int compare(const position& a, const position& b)
{
    auto keys = [](const position& p) {
        std::vector<std::pair<std::size_t, std::size_t>> k;
        k.emplace_back(p.offset ? 2 * p.index + 1 : 2 * p.index, p.offset);
        for (const node* n = p.container; n->parent; n = n->parent)
            k.emplace_back(2 * index_in_parent(*n) + 1, 0);
        std::reverse(k.begin(), k.end());
        return k;
    };
    if (a == b)
        return 0;
    auto ka = keys(a);
    auto kb = keys(b);
    std::size_t n = std::min(ka.size(), kb.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (ka[i] < kb[i])
            return -1;
        if (kb[i] < ka[i])
            return 1;
    }
    return ka.size() < kb.size() ? -1 : (ka.size() > kb.size() ? 1 : 0);
}

bool in_text_only_element(const position& p)
{
    for (const node* n = p.container; n; n = n->parent)
        if (n->is_element() && (info_of(*n).raw || info_of(*n).escapable_raw))
            return true;
    return false;
}

// One undo step: the inverse of a primitive.
struct model::step {
    enum class kind { insert, remove, move, split, join, attributes, data } what;
    node_ptr container; // kept alive while the step can run
    std::size_t index = 0;
    std::size_t count = 0;
    std::size_t offset = 0;
    node_ptr to;
    std::size_t to_index = 0;
    std::vector<node_ptr> nodes;
    std::vector<attribute> attributes;
    std::string data;
};

model::model() : root(new_node()) { root->kind = node_kind::document; }
model::~model() = default;

void model::untrack(tracked* p) { std::erase(pointers_, p); }

void model::reset(node_ptr new_root)
{
    root = std::move(new_root);
    for (tracked* p : pointers_)
        p->positioned = false;
    discard_undo();
    dirty = false;
    ++edits;
}

void model::record(std::unique_ptr<step> s)
{
    ++edits;
    dirty = true;
    if (mode_ == mode::normal) {
        redo_.clear();
        if (depth_ > 0) {
            open_.push_back(std::move(s));
        } else {
            std::vector<std::unique_ptr<step>> unit;
            unit.push_back(std::move(s));
            undo_.push_back(std::move(unit));
        }
    } else {
        open_.push_back(std::move(s));
    }
}

void model::begin_unit() { ++depth_; }

void model::end_unit()
{
    if (depth_ == 0)
        return;
    if (--depth_ == 0 && !open_.empty()) {
        undo_.push_back(std::move(open_));
        open_.clear();
    }
}

void model::discard_undo()
{
    undo_.clear();
    redo_.clear();
    open_.clear();
    depth_ = 0;
}

bool model::undo()
{
    if (undo_.empty() || depth_ > 0)
        return false;
    auto unit = std::move(undo_.back());
    undo_.pop_back();
    mode_ = mode::undoing;
    for (auto it = unit.rbegin(); it != unit.rend(); ++it)
        apply(**it);
    mode_ = mode::normal;
    redo_.push_back(std::move(open_));
    open_.clear();
    return true;
}

bool model::redo()
{
    if (redo_.empty() || depth_ > 0)
        return false;
    auto unit = std::move(redo_.back());
    redo_.pop_back();
    mode_ = mode::redoing;
    for (auto it = unit.rbegin(); it != unit.rend(); ++it)
        apply(**it);
    mode_ = mode::normal;
    undo_.push_back(std::move(open_));
    open_.clear();
    return true;
}

void model::apply(step& s)
{
    switch (s.what) {
    case step::kind::insert:
        insert_nodes(s.container.get(), s.index, std::move(s.nodes));
        break;
    case step::kind::remove:
        remove_nodes(s.container.get(), s.index, s.count);
        break;
    case step::kind::move:
        move_nodes(s.container.get(), s.index, s.count, s.to.get(), s.to_index);
        break;
    case step::kind::split:
        split_text(s.container.get(), s.index, s.offset);
        break;
    case step::kind::join: {
        // Joins text children index and index+1 (the inverse of a split).
        node* c = s.container.get();
        node& left = *c->children[s.index];
        node& right = *c->children[s.index + 1];
        std::size_t left_size = left.data.size();
        std::string joined = left.data + right.data;
        for (tracked* p : pointers_) {
            if (!p->positioned || p->at.container != c)
                continue;
            if (p->at.index == s.index + 1)
                p->at = {c, s.index, left_size + p->at.offset};
            else if (p->at.index > s.index + 1)
                --p->at.index;
        }
        right.parent = nullptr;
        c->children.erase(s.index + 1, 1);
        left.data = std::move(joined);
        auto inverse = std::make_unique<step>();
        inverse->what = step::kind::split;
        inverse->container = c->shared_from_this();
        inverse->index = s.index;
        inverse->offset = left_size;
        record(std::move(inverse));
        break;
    }
    case step::kind::attributes:
        set_attributes(s.container.get(), std::move(s.attributes));
        break;
    case step::kind::data:
        set_data(s.container.get(), std::move(s.data));
        break;
    }
}

void model::insert_nodes(node* container, std::size_t index, std::vector<node_ptr> nodes)
{
    std::size_t count = nodes.size();
    if (count == 0)
        return;
    for (node_ptr& n : nodes)
        n->parent = container;
    container->children.insert(index, nodes.begin(), nodes.end());
    for (tracked* p : pointers_) {
        if (!p->positioned || p->at.container != container)
            continue;
        if (p->at.index > index || (p->at.index == index && (p->at.offset > 0 || p->side == html::gravity::right)))
            p->at.index += count;
    }
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::remove;
    inverse->container = container->shared_from_this();
    inverse->index = index;
    inverse->count = count;
    record(std::move(inverse));
}

std::vector<node_ptr> model::remove_nodes(node* container, std::size_t index, std::size_t count)
{
    std::vector<node_ptr> removed = container->children.slice(index, count);
    if (count == 0)
        return removed;
    for (tracked* p : pointers_) {
        if (!p->positioned)
            continue;
        if (p->at.container == container) {
            if (p->at.index >= index + count)
                p->at.index -= count;
            else if (p->at.index > index || (p->at.index == index && p->at.offset > 0))
                p->at = {container, index, 0};
            continue;
        }
        for (const node_ptr& r : removed)
            if (is_ancestor_or_self(r.get(), p->at.container)) {
                p->at = {container, index, 0};
                break;
            }
    }
    container->children.erase(index, count);
    for (node_ptr& r : removed)
        r->parent = nullptr;
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::insert;
    inverse->container = container->shared_from_this();
    inverse->index = index;
    inverse->nodes = removed;
    record(std::move(inverse));
    return removed;
}

void model::move_nodes(node* from, std::size_t index, std::size_t count, node* to, std::size_t to_index)
{
    if (count == 0)
        return;
    for (std::size_t i = index; i < index + count; ++i)
        if (is_ancestor_or_self(from->children[i].get(), to))
            throw std::invalid_argument("move into itself");
    if (from == to && to_index >= index + count)
        to_index -= count;
    else if (from == to && to_index > index)
        throw std::invalid_argument("move into its own span");
    std::vector<node_ptr> moving = from->children.slice(index, count);
    // Pointers between the moving nodes go with them.
    std::vector<std::pair<tracked*, position>> riders;
    for (tracked* p : pointers_) {
        if (!p->positioned || p->at.container != from)
            continue;
        if ((p->at.index > index || (p->at.index == index && p->at.offset > 0)) && p->at.index < index + count)
            riders.emplace_back(p, position {nullptr, p->at.index - index, p->at.offset});
        else if (p->at.index >= index + count)
            p->at.index -= count;
    }
    from->children.erase(index, count);
    for (auto& [p, rel] : riders)
        p->positioned = false;
    for (node_ptr& n : moving)
        n->parent = to;
    to->children.insert(to_index, moving.begin(), moving.end());
    for (tracked* p : pointers_) {
        if (!p->positioned || p->at.container != to)
            continue;
        if (p->at.index > to_index || (p->at.index == to_index && (p->at.offset > 0 || p->side == html::gravity::right)))
            p->at.index += count;
    }
    for (auto& [p, rel] : riders) {
        p->positioned = true;
        p->at = {to, to_index + rel.index, rel.offset};
    }
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::move;
    inverse->container = to->shared_from_this();
    inverse->index = to_index;
    inverse->count = count;
    inverse->to = from->shared_from_this();
    inverse->to_index = index;
    if (from == to && index > to_index)
        inverse->to_index = index + count; // counted before the nodes leave
    record(std::move(inverse));
}

void model::split_text(node* container, std::size_t index, std::size_t offset)
{
    node& text = *container->children[index];
    node_ptr tail = make_text(text.data.substr(offset));
    tail->parent = container;
    text.data.resize(offset);
    container->children.insert(index + 1, tail);
    for (tracked* p : pointers_) {
        if (!p->positioned || p->at.container != container)
            continue;
        if (p->at.index == index && p->at.offset >= offset)
            p->at = {container, index + 1, p->at.offset - offset};
        else if (p->at.index > index)
            ++p->at.index;
    }
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::join;
    inverse->container = container->shared_from_this();
    inverse->index = index;
    record(std::move(inverse));
}

void model::set_attributes(node* target, std::vector<attribute> attributes)
{
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::attributes;
    inverse->container = target->shared_from_this();
    inverse->attributes = target->attributes.take();
    target->attributes = std::move(attributes);
    record(std::move(inverse));
}

void model::set_data(node* target, std::string data)
{
    auto inverse = std::make_unique<step>();
    inverse->what = step::kind::data;
    inverse->container = target->shared_from_this();
    inverse->data = std::move(target->data);
    target->data = std::move(data);
    if (target->parent && target->is_text()) {
        std::size_t at = index_in_parent(*target);
        for (tracked* p : pointers_)
            if (p->positioned && p->at.container == target->parent && p->at.index == at && p->at.offset >= target->data.size())
                p->at = {target->parent, at + 1, 0};
    }
    record(std::move(inverse));
}

position model::normalise(position p) const
{
    if (p.offset > 0 && p.index < p.container->children.size()) {
        const node& t = *p.container->children[p.index];
        if (!t.is_text() || p.offset >= t.data.size())
            p = {p.container, p.index + 1, 0};
    } else {
        p.offset = 0;
    }
    return p;
}

position model::split_at(const position& given)
{
    position p = normalise(given);
    if (p.offset == 0)
        return p;
    split_text(p.container, p.index, p.offset);
    return {p.container, p.index + 1, 0};
}

void model::split_element(node* target, std::size_t at)
{
    node* parent = target->parent;
    std::size_t place = index_in_parent(*target);
    node_ptr copy = clone_shell(*target);
    // Its id belongs to the first part only.
    std::erase_if(copy->attributes.edit(), [](const attribute& a) { return equal_ignoring_case(a.name, "id"); });
    insert_nodes(parent, place + 1, {copy});
    move_nodes(target, at, target->children.size() - at, copy.get(), 0);
}

model::span model::isolate(tracked& start, tracked& end)
{
    position e = split_at(end.at);
    end.at = e;
    position s = split_at(start.at);
    start.at = s;
    // The deepest container holding both.
    node* common = nullptr;
    for (node* a = start.at.container; a && !common; a = a->parent)
        if (is_ancestor_or_self(a, end.at.container))
            common = a;
    if (!common)
        throw std::invalid_argument("places in different trees");
    // Each place climbs to the common container, splitting what it leaves in the middle.
    for (tracked* t : {&start, &end}) {
        while (t->at.container != common) {
            node* c = t->at.container;
            std::size_t at = t->at.index;
            node* parent = c->parent;
            std::size_t place = index_in_parent(*c);
            if (at == 0) {
                t->at = {parent, place, 0};
                continue;
            }
            if (at < c->children.size())
                split_element(c, at);
            t->at = {parent, place + 1, 0};
        }
    }
    if (end.at.index < start.at.index)
        return {common, start.at.index, start.at.index};
    return {common, start.at.index, end.at.index};
}

long advance_characters(position& p, long count, bool forward, const node* limit)
{
    auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    long moved = 0;
    position q = p;
    while (moved < count) {
        node* c = q.container;
        if (forward) {
            if (q.index < c->children.size()) {
                node& child = *c->children[q.index];
                if (child.is_text()) {
                    const std::string& d = child.data;
                    std::size_t o = q.offset;
                    while (o < d.size() && moved < count) {
                        ++o;
                        while (o < d.size() && continuation(d[o]))
                            ++o;
                        ++moved;
                    }
                    q = o >= d.size() ? position {c, q.index + 1, 0} : position {c, q.index, o};
                    p = q;
                } else if (child.is_element() && !info_of(child).is_void) {
                    q = {&child, 0, 0};
                } else {
                    q = {c, q.index + 1, 0};
                }
            } else {
                if (c == limit || !c->parent)
                    break;
                q = {c->parent, index_in_parent(*c) + 1, 0};
            }
        } else {
            if (q.offset > 0 || (q.index > 0 && c->children[q.index - 1]->is_text())) {
                std::size_t at = q.offset > 0 ? q.index : q.index - 1;
                const std::string& d = c->children[at]->data;
                std::size_t o = q.offset > 0 ? q.offset : d.size();
                while (o > 0 && moved < count) {
                    --o;
                    while (o > 0 && continuation(d[o]))
                        --o;
                    ++moved;
                }
                q = o == 0 ? position {c, at, 0} : position {c, at, o};
                p = q;
            } else if (q.index > 0) {
                node& child = *c->children[q.index - 1];
                q = child.is_element() && !info_of(child).is_void ? position {&child, child.children.size(), 0}
                                                                     : position {c, q.index - 1, 0};
            } else {
                if (c == limit || !c->parent)
                    break;
                q = {c->parent, index_in_parent(*c), 0};
            }
        }
    }
    return moved;
}

bool step_character(position& p, bool forward)
{
    // Walks the stream until a character is passed; false at the document's edge.
    position q = p;
    while (true) {
        node* c = q.container;
        if (forward) {
            if (q.index < c->children.size()) {
                node& child = *c->children[q.index];
                if (child.is_text() && q.offset < child.data.size()) {
                    std::size_t o = q.offset + 1;
                    while (o < child.data.size() && (static_cast<unsigned char>(child.data[o]) & 0xC0) == 0x80)
                        ++o;
                    q = o >= child.data.size() ? position {c, q.index + 1, 0} : position {c, q.index, o};
                    p = q;
                    return true;
                }
                if (child.is_element() && !info_of(child).is_void) {
                    q = {&child, 0, 0};
                } else {
                    q = {c, q.index + 1, 0};
                }
            } else {
                if (!c->parent)
                    return false;
                q = {c->parent, index_in_parent(*c) + 1, 0};
            }
        } else {
            if (q.offset > 0) {
                node& child = *c->children[q.index];
                std::size_t o = q.offset - 1;
                while (o > 0 && (static_cast<unsigned char>(child.data[o]) & 0xC0) == 0x80)
                    --o;
                q = {c, q.index, o};
                p = q;
                return true;
            }
            if (q.index > 0) {
                node& child = *c->children[q.index - 1];
                if (child.is_text() && !child.data.empty()) {
                    q = {c, q.index - 1, child.data.size()};
                    continue;
                }
                if (child.is_element() && !info_of(child).is_void)
                    q = {&child, child.children.size(), 0};
                else
                    q = {c, q.index - 1, 0};
            } else {
                if (!c->parent)
                    return false;
                q = {c->parent, index_in_parent(*c), 0};
            }
        }
    }
}

}
