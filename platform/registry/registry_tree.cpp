#include "platform/registry/registry_tree.h"

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
    case status::store_unusable: return "store unusable";
    case status::invalid_name: return "invalid name";
    case status::too_large: return "too large";
    }
    return "unknown";
}

std::string fold_name(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
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

struct registry_tree::node {
    std::string name; // as first written
    std::vector<named_value> values;
    std::unordered_map<std::string, std::size_t> value_positions; // folded name -> index in values
    std::map<std::string, std::unique_ptr<node>> subkeys;        // folded name -> key

    node() = default;
    explicit node(std::string shown) : name(std::move(shown)) { }
    node(const node& other) : name(other.name), values(other.values), value_positions(other.value_positions)
    {
        for (const auto& [folded, child] : other.subkeys)
            subkeys.emplace(folded, std::make_unique<node>(*child));
    }
    node& operator=(const node&) = delete;

    bool operator==(const node& other) const
    {
        if (name != other.name || values != other.values || subkeys.size() != other.subkeys.size())
            return false;
        for (auto a = subkeys.begin(), b = other.subkeys.begin(); a != subkeys.end(); ++a, ++b) {
            if (a->first != b->first || !(*a->second == *b->second))
                return false;
        }
        return true;
    }

    const named_value* find_value(std::string_view value_name) const
    {
        auto it = value_positions.find(fold_name(value_name));
        return it == value_positions.end() ? nullptr : &values[it->second];
    }

    status set(std::string_view value_name, value data)
    {
        if (value_size(data) > max_value_size)
            return status::too_large;
        auto [it, inserted] = value_positions.try_emplace(fold_name(value_name), values.size());
        if (inserted)
            values.push_back({std::string(value_name), std::move(data)});
        else
            values[it->second].data = std::move(data);
        return status::ok;
    }

    bool erase(std::string_view value_name)
    {
        auto it = value_positions.find(fold_name(value_name));
        if (it == value_positions.end())
            return false;
        std::size_t position = it->second;
        value_positions.erase(it);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
        for (auto& [folded, index] : value_positions) {
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
        auto& child = current->subkeys[fold_name(component)];
        if (!child)
            child = std::make_unique<node>(std::string(component));
        current = child.get();
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
        auto it = current->subkeys.find(fold_name(component));
        if (it == current->subkeys.end())
            return nullptr;
        current = it->second.get();
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
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        auto it = parent->subkeys.find(fold_name(components[i]));
        if (it == parent->subkeys.end())
            return status::not_found;
        parent = it->second.get();
    }
    return parent->subkeys.erase(fold_name(components.back())) ? status::ok : status::not_found;
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
    for (const auto& [folded, child] : found->subkeys)
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
        std::map<std::string, std::unique_ptr<node>>::const_iterator next;
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
        const node* child = (top.next++)->second.get();
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
