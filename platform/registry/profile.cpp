#include "platform/registry/profile.h"

namespace platform::registry {

profile::profile(store& backing, std::string application_key) : store_(backing), key_(std::move(application_key)) { }

std::string profile::section_key(const std::string& section) const
{
    return section.empty() ? key_ : key_ + "\\" + section;
}

std::optional<std::string> profile::get_string(const std::string& section, const std::string& entry) const
{
    auto found = store_.read(hive::current_user, section_key(section), entry);
    if (!found.ok())
        return std::nullopt;
    if (auto* text = std::get_if<std::string>(&found.data))
        return *text;
    return std::nullopt;
}

std::optional<std::uint32_t> profile::get_int(const std::string& section, const std::string& entry) const
{
    auto found = store_.read(hive::current_user, section_key(section), entry);
    if (!found.ok())
        return std::nullopt;
    if (auto* number = std::get_if<std::uint32_t>(&found.data))
        return *number;
    return std::nullopt;
}

std::string profile::get_string(const std::string& section, const std::string& entry, const std::string& fallback) const
{
    return get_string(section, entry).value_or(fallback);
}

int profile::get_int(const std::string& section, const std::string& entry, int fallback) const
{
    auto number = get_int(section, entry);
    return number ? static_cast<int>(*number) : fallback;
}

status profile::write_string(const std::string& section, const std::string& entry, const std::string& text)
{
    return store_.write(hive::current_user, section_key(section), entry, text);
}

status profile::write_int(const std::string& section, const std::string& entry, int number)
{
    return store_.write(hive::current_user, section_key(section), entry, static_cast<std::uint32_t>(number));
}

status profile::replace_section(const std::string& section, const std::vector<named_value>& values)
{
    std::string key = section_key(section);
    return store_.apply([&](registry_tree& tree) {
        if (auto names = tree.value_names(key); names.ok()) {
            for (const auto& name : names.data) {
                if (auto code = tree.erase_value(key, name); code != status::ok)
                    return code;
            }
        } else if (values.empty()) {
            return status::ok; // nothing to keep: no key is made
        } else if (auto code = tree.create_key(key); code != status::ok) {
            return code;
        }
        for (const auto& entry : values) {
            if (auto code = tree.set(key, entry.name, entry.data); code != status::ok)
                return code;
        }
        return status::ok;
    });
}

void profile::write_batch::write_string(std::string section, std::string entry, std::string text)
{
    writes_.push_back({std::move(section), std::move(entry), value(std::move(text))});
}

void profile::write_batch::write_int(std::string section, std::string entry, int number)
{
    writes_.push_back({std::move(section), std::move(entry), value(static_cast<std::uint32_t>(number))});
}

status profile::apply(const write_batch& batch)
{
    return store_.apply([&](registry_tree& tree) {
        for (const auto& write : batch.writes_) {
            if (auto code = tree.set(section_key(write.section), write.entry, write.data); code != status::ok)
                return code;
        }
        return status::ok;
    });
}

}
