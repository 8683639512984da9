#include "platform/library/library_table.h"

#include <cctype>

namespace platform::library {

namespace {

std::string library_key(std::string_view name)
{
    std::string key;
    for (char c : name)
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0)
        key.resize(key.size() - 4);
    return key;
}

}

void module::remove(std::string_view name)
{
    auto found = entries_.find(name);
    if (found != entries_.end())
        entries_.erase(found);
}

void library_table::add(std::string_view name, std::shared_ptr<const module> library)
{
    std::lock_guard guard(mutex_);
    libraries_.insert_or_assign(library_key(name), std::move(library));
}

void library_table::remove(std::string_view name)
{
    std::lock_guard guard(mutex_);
    libraries_.erase(library_key(name));
}

std::shared_ptr<const module> library_table::load(std::string_view name) const
{
    std::lock_guard guard(mutex_);
    auto found = libraries_.find(library_key(name));
    return found == libraries_.end() ? nullptr : found->second;
}

}
