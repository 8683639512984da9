#include "platform/registry/registry.h"

namespace platform::registry {

result<value> store::read(hive where, std::string_view key, std::string_view name)
{
    result<value> answer;
    if (where != hive::current_user)
        return answer;
    // An unusable store answers reads as if nothing were stored.
    inspect([&](const registry_tree& tree) {
        if (const value* found = tree.find(key, name)) {
            answer.data = *found;
            answer.code = status::ok;
        }
    });
    return answer;
}

status store::write(hive where, std::string_view key, std::string_view name, value data)
{
    if (where != hive::current_user)
        return status::access_denied;
    return change([&](registry_tree& tree) { return tree.set(key, name, data); });
}

status store::delete_value(hive where, std::string_view key, std::string_view name)
{
    if (where != hive::current_user)
        return status::access_denied;
    return change([&](registry_tree& tree) { return tree.erase_value(key, name); });
}

status store::create_key(hive where, std::string_view key)
{
    if (where != hive::current_user)
        return status::access_denied;
    return change([&](registry_tree& tree) { return tree.create_key(key); });
}

status store::delete_key(hive where, std::string_view key)
{
    if (where != hive::current_user)
        return status::access_denied;
    return change([&](registry_tree& tree) { return tree.erase_key(key); });
}

bool store::key_exists(hive where, std::string_view key)
{
    bool exists = false;
    if (where == hive::current_user)
        inspect([&](const registry_tree& tree) { exists = tree.has_key(key); });
    return exists;
}

result<std::vector<std::string>> store::subkeys(hive where, std::string_view key)
{
    result<std::vector<std::string>> answer;
    if (where != hive::current_user)
        return answer;
    inspect([&](const registry_tree& tree) { answer = tree.subkey_names(key); });
    return answer;
}

result<std::vector<std::string>> store::value_names(hive where, std::string_view key)
{
    result<std::vector<std::string>> answer;
    if (where != hive::current_user)
        return answer;
    inspect([&](const registry_tree& tree) { answer = tree.value_names(key); });
    return answer;
}

}
