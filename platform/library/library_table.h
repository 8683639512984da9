#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace platform::library {

// A library of the platform as the program binds it at run time: named entry points, each
// a callable of a fixed signature.
class module {
public:
    template <class Signature>
    void add(std::string name, std::function<Signature> entry)
    {
        entries_.insert_or_assign(std::move(name), std::any(std::move(entry)));
    }

    // The entry of that name and signature; null when it is missing or of another signature.
    template <class Signature>
    const std::function<Signature>* find(std::string_view name) const
    {
        auto found = entries_.find(name);
        if (found == entries_.end())
            return nullptr;
        return std::any_cast<std::function<Signature>>(&found->second);
    }

    void remove(std::string_view name);

private:
    std::map<std::string, std::any, std::less<>> entries_;
};

// The libraries a process can load by name. Names compare without regard to ASCII case and
// without a ".dll" ending, as the platform's loader does.
class library_table {
public:
    void add(std::string_view name, std::shared_ptr<const module> library);
    void remove(std::string_view name);
    // The library, or null when there is none of that name.
    std::shared_ptr<const module> load(std::string_view name) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const module>, std::less<>> libraries_;
};

}
