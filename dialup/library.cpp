#include "dialup/library.h"

#include "platform/registry/error_code.h"

#include <cstring>

namespace dunvell {

using platform::registry::hive;
using platform::registry::status;

namespace {

const char* const configurations_key = "Software\\Holvane\\Talverin\\Configurations";

std::string ras_settings_key(const std::string& name)
{
    return std::string(configurations_key) + "\\" + name + "\\RAS Settings";
}

}

Library::Library(platform::registry::store* registry, platform::ras::dialup_networking& ras, settings_dialog dialog)
    : registry_(registry), ras_(ras), dialog_(std::move(dialog)), settings_key_(configurations_key)
{
    // The active configuration's settings are current until the program names another.
    if (!registry_)
        return;
    auto active = registry_->read(hive::current_user, configurations_key, "Active Config");
    if (const auto* name = std::get_if<std::string>(&active.data); active.ok() && name && !name->empty())
        settings_key_ = ras_settings_key(*name);
}

int Library::RASDllOK()
{
    return ras_.usable() ? 1 : 0;
}

long Library::SetCurrentConfig(const char* name)
{
    if (!name || std::strlen(name) == 0)
        return error_invalid_parameter; // the Configurations key itself holds no settings
    if (!registry_)
        return error_store_unusable;
    auto key = ras_settings_key(name);
    auto code = registry_->create_key(hive::current_user, key);
    if (code == status::ok)
        settings_key_ = key;
    return platform::registry::error_code(code);
}

int Library::RASCfgDialog(std::uintptr_t parent)
{
    if (RASDllOK() != 1 || !dialog_)
        return 0;
    return dialog_(parent, settings_key_);
}

int Library::Dial(std::uintptr_t)
{
    return 0;
}

int Library::State()
{
    return 2;
}

}
