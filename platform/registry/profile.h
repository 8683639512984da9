#pragma once

#include "platform/registry/registry.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::registry {

// The program's settings under one key of the current user's hive, read and written by
// section and entry. A section may be a key path ("Broadcast\Command"). A value of the
// other type reads as missing. Texts are read whole.
class profile {
public:
    profile(store& backing, std::string application_key);

    const std::string& application_key() const { return key_; }
    std::string section_key(const std::string& section) const;

    std::optional<std::string> get_string(const std::string& section, const std::string& entry) const;
    std::optional<std::uint32_t> get_int(const std::string& section, const std::string& entry) const;
    std::string get_string(const std::string& section, const std::string& entry, const std::string& fallback) const;
    int get_int(const std::string& section, const std::string& entry, int fallback) const;

    [[nodiscard]] status write_string(const std::string& section, const std::string& entry, const std::string& text);
    [[nodiscard]] status write_int(const std::string& section, const std::string& entry, int number);

    // The section becomes exactly these values (its subkeys stay).
    [[nodiscard]] status replace_section(const std::string& section, const std::vector<named_value>& values);

    // Writes gathered and applied as one change: all reach the store or none does.
    class write_batch {
    public:
        void write_string(std::string section, std::string entry, std::string text);
        void write_int(std::string section, std::string entry, int number);
        bool empty() const { return writes_.empty(); }

    private:
        friend class profile;
        struct write {
            std::string section;
            std::string entry;
            value data;
        };
        std::vector<write> writes_;
    };
    [[nodiscard]] status apply(const write_batch& batch);

    store& backing() { return store_; }

private:
    store& store_;
    std::string key_;
};

}
