#include "platform/registry/registry_tree.h"

#include <algorithm>

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

bool split_key_path(std::string_view key, std::vector<std::string>& components)
{
    components.clear();
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    if (key.empty())
        return true;
    std::size_t start = 0;
    while (true) {
        auto end = key.find('\\', start);
        auto part = key.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty())
            return false;
        for (unsigned char c : part) {
            if (c < 0x20 || c == 0x7f)
                return false;
        }
        components.emplace_back(part);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

namespace {

std::string join(const std::vector<std::string>& components, std::size_t count)
{
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            path += '\\';
        path += components[i];
    }
    return path;
}

bool folded_key(std::string_view key, std::string& folded)
{
    std::vector<std::string> components;
    if (!split_key_path(key, components))
        return false;
    folded = fold_name(join(components, components.size()));
    return true;
}

// Keys strictly below the folded path: they follow "<path>\\" in the ordered map, though
// siblings such as "<path> x" may sort between the key itself and them.
template <class Map>
auto subtree_range(Map& keys, const std::string& folded)
{
    auto prefix = folded + '\\';
    auto first = keys.lower_bound(prefix);
    auto last = first;
    while (last != keys.end() && last->first.compare(0, prefix.size(), prefix) == 0)
        ++last;
    return std::pair {first, last};
}

}

key_entry* registry_tree::make_key(const std::vector<std::string>& components)
{
    key_entry* entry = nullptr;
    for (std::size_t depth = 1; depth <= components.size(); ++depth) {
        auto path = join(components, depth);
        auto [it, inserted] = keys_.try_emplace(fold_name(path));
        if (inserted)
            it->second.path = path;
        entry = &it->second;
    }
    return entry;
}

const value* registry_tree::find(std::string_view key, std::string_view name) const
{
    std::string folded;
    if (!folded_key(key, folded))
        return nullptr;
    auto it = keys_.find(folded);
    if (it == keys_.end())
        return nullptr;
    auto folded_name = fold_name(name);
    for (const auto& entry : it->second.values) {
        if (fold_name(entry.name) == folded_name)
            return &entry.data;
    }
    return nullptr;
}

bool registry_tree::has_key(std::string_view key) const
{
    std::string folded;
    return folded_key(key, folded) && !folded.empty() && keys_.count(folded) != 0;
}

status registry_tree::set(std::string_view key, std::string_view name, value data)
{
    std::vector<std::string> components;
    if (!split_key_path(key, components) || components.empty())
        return status::invalid_name;
    key_entry* entry = make_key(components);
    auto folded_name = fold_name(name);
    for (auto& existing : entry->values) {
        if (fold_name(existing.name) == folded_name) {
            existing.data = std::move(data);
            return status::ok;
        }
    }
    entry->values.push_back({std::string(name), std::move(data)});
    return status::ok;
}

status registry_tree::erase_value(std::string_view key, std::string_view name)
{
    std::string folded;
    if (!folded_key(key, folded))
        return status::invalid_name;
    auto it = keys_.find(folded);
    if (it == keys_.end())
        return status::not_found;
    auto folded_name = fold_name(name);
    auto& values = it->second.values;
    auto found = std::find_if(values.begin(), values.end(),
        [&](const named_value& entry) { return fold_name(entry.name) == folded_name; });
    if (found == values.end())
        return status::not_found;
    values.erase(found);
    return status::ok;
}

status registry_tree::create_key(std::string_view key)
{
    std::vector<std::string> components;
    if (!split_key_path(key, components) || components.empty())
        return status::invalid_name;
    make_key(components);
    return status::ok;
}

status registry_tree::erase_key(std::string_view key)
{
    std::string folded;
    if (!folded_key(key, folded) || folded.empty())
        return status::invalid_name;
    auto it = keys_.find(folded);
    if (it == keys_.end())
        return status::not_found;
    auto [first, last] = subtree_range(keys_, folded);
    keys_.erase(first, last);
    keys_.erase(folded);
    return status::ok;
}

result<std::vector<std::string>> registry_tree::subkey_names(std::string_view key) const
{
    std::string folded;
    if (!folded_key(key, folded))
        return {status::invalid_name, {}};
    auto prefix = folded.empty() ? std::string() : folded + '\\';
    if (!folded.empty() && keys_.count(folded) == 0)
        return {status::not_found, {}};
    std::map<std::string, std::string> children; // folded name -> shown name
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        auto rest = std::string_view(it->second.path).substr(prefix.size());
        auto name = rest.substr(0, rest.find('\\'));
        children.try_emplace(fold_name(name), std::string(name));
    }
    result<std::vector<std::string>> names {status::ok, {}};
    for (auto& [folded_name, shown] : children)
        names.data.push_back(shown);
    return names;
}

result<std::vector<std::string>> registry_tree::value_names(std::string_view key) const
{
    std::string folded;
    if (!folded_key(key, folded))
        return {status::invalid_name, {}};
    auto it = keys_.find(folded);
    if (it == keys_.end())
        return {status::not_found, {}};
    result<std::vector<std::string>> names {status::ok, {}};
    for (const auto& entry : it->second.values)
        names.data.push_back(entry.name);
    return names;
}

bool registry_tree::same_subtree(const registry_tree& other, std::string_view key) const
{
    std::string folded;
    if (!folded_key(key, folded))
        return true;
    auto collect = [&](const registry_tree& tree) {
        std::vector<const key_entry*> entries;
        if (auto self = tree.keys_.find(folded); self != tree.keys_.end())
            entries.push_back(&self->second);
        auto [first, last] = subtree_range(tree.keys_, folded);
        for (auto it = first; it != last; ++it)
            entries.push_back(&it->second);
        return entries;
    };
    auto mine = collect(*this);
    auto theirs = collect(other);
    return std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
        [](const key_entry* a, const key_entry* b) { return *a == *b; });
}

}
