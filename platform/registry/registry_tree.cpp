#include "platform/registry/registry_tree.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

namespace platform::registry {

const char* to_string(status code)
{
    switch (code) {
    case status::ok: return "ok";
    case status::not_found: return "not found";
    case status::wrong_type: return "wrong type";
    case status::access_denied: return "access denied";
    case status::io_error: return "input/output error";
    case status::invalid_name: return "invalid name";
    case status::too_large: return "too large";
    }
    return "unknown";
}

namespace {

char fold_char(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}

std::string fold_name(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = fold_char(c);
    return folded;
}

std::string_view trim_key_separators(std::string_view key)
{
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return key;
}

bool split_key_path(std::string_view key, std::vector<std::string_view>& components)
{
    components.clear();
    key = trim_key_separators(key);
    if (key.empty())
        return true;
    if (key.size() > max_key_path_length)
        return false;
    std::size_t start = 0;
    while (true) {
        auto end = key.find('\\', start);
        auto part = key.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() || components.size() == max_key_depth)
            return false;
        for (unsigned char c : part) {
            if (c < 0x20 || c == 0x7f)
                return false;
        }
        components.push_back(part);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

namespace {

std::size_t value_size(const value& data)
{
    if (auto* text = std::get_if<std::string>(&data))
        return text->size();
    if (auto* bytes = std::get_if<binary>(&data))
        return bytes->size();
    return sizeof(std::uint32_t);
}

}

namespace {

// Orders names as their folded forms would sort, without making them.
bool folded_before(std::string_view a, std::string_view b)
{
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        auto x = static_cast<unsigned char>(fold_char(a[i]));
        auto y = static_cast<unsigned char>(fold_char(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

}

struct registry_tree::node {
    // Subkeys ordered and found by their name without regard to ASCII case.
    struct by_folded_name {
        using is_transparent = void;
        static std::string_view name_of(const std::unique_ptr<node>& key) { return key->name; }
        static std::string_view name_of(std::string_view name) { return name; }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const
        {
            return folded_before(name_of(a), name_of(b));
        }
    };
    using value_index = std::unordered_map<std::string, std::size_t>; // folded name -> index in values

    std::string name; // as first written
    std::vector<named_value> values;
    std::unique_ptr<value_index> value_positions; // made with the first value: most keys hold none
    std::set<std::unique_ptr<node>, by_folded_name> subkeys;

    node() = default;
    explicit node(std::string shown) : name(std::move(shown)) { }
    node(const node& other) : name(other.name), values(other.values)
    {
        if (other.value_positions)
            value_positions = std::make_unique<value_index>(*other.value_positions);
        for (const auto& child : other.subkeys)
            subkeys.insert(subkeys.end(), std::make_unique<node>(*child));
    }
    node& operator=(const node&) = delete;

    bool operator==(const node& other) const
    {
        if (name != other.name || values != other.values || subkeys.size() != other.subkeys.size())
            return false;
        for (auto a = subkeys.begin(), b = other.subkeys.begin(); a != subkeys.end(); ++a, ++b) {
            if (!(**a == **b))
                return false;
        }
        return true;
    }

    node* find_subkey(std::string_view component) const
    {
        auto it = subkeys.find(component);
        return it == subkeys.end() ? nullptr : it->get();
    }

    const named_value* find_value(std::string_view value_name) const
    {
        if (!value_positions)
            return nullptr;
        auto it = value_positions->find(fold_name(value_name));
        return it == value_positions->end() ? nullptr : &values[it->second];
    }

    status set(std::string_view value_name, value data)
    {
        if (value_size(data) > max_value_size)
            return status::too_large;
        if (!value_positions)
            value_positions = std::make_unique<value_index>();
        auto [it, inserted] = value_positions->try_emplace(fold_name(value_name), values.size());
        if (inserted)
            values.push_back({std::string(value_name), std::move(data)});
        else
            values[it->second].data = std::move(data);
        return status::ok;
    }

    bool erase(std::string_view value_name)
    {
        if (!value_positions)
            return false;
        auto it = value_positions->find(fold_name(value_name));
        if (it == value_positions->end())
            return false;
        std::size_t position = it->second;
        value_positions->erase(it);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
        for (auto& [folded, index] : *value_positions) {
            if (index > position)
                --index;
        }
        return true;
    }
};

registry_tree::registry_tree() : root_(std::make_unique<node>()) { }
registry_tree::~registry_tree() = default;
registry_tree::registry_tree(const registry_tree& other) : root_(std::make_unique<node>(*other.root_)) { }
registry_tree& registry_tree::operator=(const registry_tree& other)
{
    if (this != &other)
        root_ = std::make_unique<node>(*other.root_);
    return *this;
}
registry_tree::registry_tree(registry_tree&& other) noexcept : root_(std::exchange(other.root_, std::make_unique<node>())) { }
registry_tree& registry_tree::operator=(registry_tree&& other) noexcept
{
    std::swap(root_, other.root_);
    return *this;
}

bool registry_tree::operator==(const registry_tree& other) const
{
    return *root_ == *other.root_;
}

registry_tree::node* registry_tree::make_key(const std::vector<std::string_view>& components)
{
    node* current = root_.get();
    for (auto component : components) {
        node* child = current->find_subkey(component);
        if (!child)
            child = current->subkeys.insert(std::make_unique<node>(std::string(component))).first->get();
        current = child;
    }
    return current;
}

const registry_tree::node* registry_tree::find_key(std::string_view key) const
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components))
        return nullptr;
    const node* current = root_.get();
    for (auto component : components) {
        current = current->find_subkey(component);
        if (!current)
            return nullptr;
    }
    return current;
}

const value* registry_tree::find(std::string_view key, std::string_view name) const
{
    const node* found = find_key(key);
    if (!found || found == root_.get())
        return nullptr;
    const named_value* entry = found->find_value(name);
    return entry ? &entry->data : nullptr;
}

bool registry_tree::has_key(std::string_view key) const
{
    const node* found = find_key(key);
    return found && found != root_.get();
}

result<registry_tree::key_writer> registry_tree::open_key(std::string_view key)
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components) || components.empty())
        return {status::invalid_name, key_writer(nullptr)};
    return {status::ok, key_writer(make_key(components))};
}

status registry_tree::key_writer::set(std::string_view name, value data)
{
    return key_->set(name, std::move(data));
}

status registry_tree::set(std::string_view key, std::string_view name, value data)
{
    auto opened = open_key(key);
    if (!opened.ok())
        return opened.code;
    return opened.data.set(name, std::move(data));
}

status registry_tree::erase_value(std::string_view key, std::string_view name)
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components))
        return status::invalid_name;
    auto* found = const_cast<node*>(find_key(key)); // the tree is this one, not const
    if (!found || found == root_.get() || !found->erase(name))
        return status::not_found;
    return status::ok;
}

status registry_tree::create_key(std::string_view key)
{
    return open_key(key).code;
}

status registry_tree::erase_key(std::string_view key)
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components) || components.empty())
        return status::invalid_name;
    node* parent = root_.get();
    for (std::size_t i = 0; parent && i + 1 < components.size(); ++i)
        parent = parent->find_subkey(components[i]);
    if (!parent)
        return status::not_found;
    auto it = parent->subkeys.find(components.back());
    if (it == parent->subkeys.end())
        return status::not_found;
    parent->subkeys.erase(it);
    return status::ok;
}

result<std::vector<std::string>> registry_tree::subkey_names(std::string_view key) const
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components))
        return {status::invalid_name, {}};
    const node* found = find_key(key);
    if (!found)
        return {status::not_found, {}};
    result<std::vector<std::string>> names {status::ok, {}};
    for (const auto& child : found->subkeys)
        names.data.push_back(child->name);
    return names;
}

result<std::vector<std::string>> registry_tree::value_names(std::string_view key) const
{
    std::vector<std::string_view> components;
    if (!split_key_path(key, components))
        return {status::invalid_name, {}};
    const node* found = find_key(key);
    if (!found || found == root_.get())
        return {status::not_found, {}};
    result<std::vector<std::string>> names {status::ok, {}};
    for (const auto& entry : found->values)
        names.data.push_back(entry.name);
    return names;
}

void registry_tree::visit(const key_visitor& look) const
{
    // Depth first with an explicit stack; the path grows and shrinks by one component.
    struct frame {
        const node* key;
        decltype(node::subkeys)::const_iterator next;
        std::size_t path_size;
    };
    std::string path;
    std::vector<frame> stack {{root_.get(), root_->subkeys.begin(), 0}};
    while (!stack.empty()) {
        auto& top = stack.back();
        if (top.next == top.key->subkeys.end()) {
            path.resize(top.path_size);
            stack.pop_back();
            continue;
        }
        const node* child = (top.next++)->get();
        std::size_t before = path.size();
        if (!path.empty())
            path += '\\';
        path += child->name;
        look(path, child->values, !child->subkeys.empty());
        stack.push_back({child, child->subkeys.begin(), before});
    }
}

bool registry_tree::same_subtree(const registry_tree& other, std::string_view key) const
{
    const node* mine = find_key(key);
    const node* theirs = other.find_key(key);
    if (!mine || !theirs)
        return !mine && !theirs;
    return *mine == *theirs;
}

}
