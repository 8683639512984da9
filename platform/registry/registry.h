#pragma once

#include "platform/registry/registry_tree.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

enum class hive { current_user, local_machine };

// The settings store. Only the current user's hive is kept: reads of the local machine's
// hive answer not_found and writes there access_denied, as for a user without rights.
// Every operation is safe to call from several threads.
class store {
public:
    virtual ~store() = default;

    result<value> read(hive where, std::string_view key, std::string_view name);
    status write(hive where, std::string_view key, std::string_view name, value data);
    status delete_value(hive where, std::string_view key, std::string_view name);
    status create_key(hive where, std::string_view key);
    status delete_key(hive where, std::string_view key); // with its subkeys
    bool key_exists(hive where, std::string_view key);
    result<std::vector<std::string>> subkeys(hive where, std::string_view key);
    result<std::vector<std::string>> value_names(hive where, std::string_view key);

    // A batch of changes applied at once: all or none reach the store.
    status apply(const std::function<status(registry_tree&)>& edit) { return change(edit); }

    // Why the store's backing cannot be used, so that changes stay in memory; empty when
    // it can.
    virtual std::string unusable_reason() { return {}; }

protected:
    virtual status inspect(const std::function<void(const registry_tree&)>& look) = 0;
    virtual status change(const std::function<status(registry_tree&)>& edit) = 0;
};

}
