#include "shell/config/wizard_config_set.h"

#include "core/log/trace_log.h"
#include "shell/config/registry_strings.h"

#include <algorithm>

namespace shell {

using platform::registry::hive;
using platform::registry::status;

CWizardConfigSet::CWizardConfigSet(ConfigServices& services) : services_(services)
{
    LoadAll();
}

void CWizardConfigSet::LoadAll()
{
    configs_.clear();
    current_.reset();
    auto& registry = services_.registry;
    if (!registry.key_exists(hive::current_user, configurations_key))
        (void)registry.create_key(hive::current_user, configurations_key);
    auto active = read_registry_string(registry, configurations_key, active_config_value);
    auto names = registry.subkeys(hive::current_user, configurations_key);
    if (names.ok() && !names.data.empty()) {
        for (const auto& name : names.data) {
            // A fresh record for each key: values one key lacks never come from another.
            CWizardConfig record;
            if (!record.LoadFromRegistry(services_, name))
                continue;
            configs_.push_back(std::move(record));
            if (!current_ && active.code == status::ok && name == active.text)
                current_ = configs_.size() - 1;
        }
        if (!current_ && !configs_.empty())
            current_ = 0;
        return;
    }
    CWizardConfig record;
    record.SetName(services_.strings.text(IDS_DEFAULT_CONFIG));
    configs_.push_back(std::move(record));
    current_ = 0;
}

bool CWizardConfigSet::SaveAll()
{
    if (std::any_of(configs_.begin(), configs_.end(), [](const CWizardConfig& c) { return c.GetName().empty(); })) {
        TRACE_LOG("CWizardConfigSet::SaveAll() -- a configuration without a name: nothing saved\n");
        return false;
    }
    auto& registry = services_.registry;
    bool saved = true;
    if (!registry.key_exists(hive::current_user, configurations_key))
        saved = registry.create_key(hive::current_user, configurations_key) == status::ok;
    // The names are taken first and each unlisted key is deleted once: a key that cannot
    // be deleted stays and the rest goes on.
    auto names = registry.subkeys(hive::current_user, configurations_key);
    for (const auto& name : names.data) {
        bool listed = std::any_of(
            configs_.begin(), configs_.end(), [&](const CWizardConfig& c) { return c.GetName() == name; });
        if (listed)
            continue;
        if (auto code = registry.delete_key(hive::current_user, configuration_key(name)); code != status::ok) {
            TRACE_LOG("CWizardConfigSet::SaveAll() -- %s not deleted: %s\n", name.c_str(),
                platform::registry::to_string(code));
            saved = false;
        }
    }
    for (const auto& record : configs_)
        saved = record.SaveToRegistry(services_) && saved;
    const auto* current = GetCurrentConfig();
    if (auto code = write_registry_string(registry, configurations_key, active_config_value,
            current ? current->GetName() : std::string());
        code != status::ok) {
        TRACE_LOG("CWizardConfigSet::SaveAll() -- \"Active Config\" not written: %s\n",
            platform::registry::to_string(code));
        saved = false;
    }
    return saved;
}

CWizardConfig* CWizardConfigSet::GetCurrentConfig()
{
    return const_cast<CWizardConfig*>(static_cast<const CWizardConfigSet&>(*this).GetCurrentConfig());
}

const CWizardConfig* CWizardConfigSet::GetCurrentConfig() const
{
    if (configs_.empty())
        return nullptr;
    return &configs_[current_.value_or(0)];
}

std::optional<std::size_t> CWizardConfigSet::index_of(const std::string& name) const
{
    for (std::size_t i = 0; i < configs_.size(); ++i) {
        if (configs_[i].GetName() == name)
            return i;
    }
    return std::nullopt;
}

CWizardConfig* CWizardConfigSet::Find(const std::string& name)
{
    auto at = index_of(name);
    return at ? &configs_[*at] : nullptr;
}

int CWizardConfigSet::Select(const std::string& name)
{
    auto at = index_of(name);
    if (!at)
        return 0;
    current_ = at;
    return 1;
}

int CWizardConfigSet::Exists(const std::string& name) const
{
    return index_of(name) ? 1 : 0;
}

std::size_t CWizardConfigSet::Add(const CWizardConfig& record)
{
    configs_.push_back(record);
    return configs_.size() - 1;
}

std::size_t CWizardConfigSet::AddNew(const std::string& name)
{
    CWizardConfig record;
    record.SetName(name);
    record.InstallDefaultTemplates(services_);
    return Add(record);
}

int CWizardConfigSet::Delete(const std::string& name)
{
    if (configs_.size() < 2)
        return 0;
    auto at = index_of(name);
    if (!at)
        return 0;
    configs_.erase(configs_.begin() + static_cast<std::ptrdiff_t>(*at));
    if (current_) {
        if (*current_ == *at)
            current_ = 0;
        else if (*current_ > *at)
            --*current_; // keeps naming the same record
    }
    return 1;
}

std::string CWizardConfigSet::GetNextName(std::size_t& position) const
{
    if (position >= configs_.size()) {
        position = npos;
        return {};
    }
    std::string name = configs_[position].GetName();
    ++position;
    if (position >= configs_.size())
        position = npos;
    return name;
}

}
