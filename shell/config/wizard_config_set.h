#pragma once

#include "shell/config/wizard_config.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace shell {

// Every stored configuration, in load order, and which one is current.
class CWizardConfigSet {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Reads the store at once.
    explicit CWizardConfigSet(ConfigServices& services);
    virtual ~CWizardConfigSet() = default;

    // Replaces the list by the stored configurations; a store without any gives one
    // current record named "Default".
    void LoadAll();
    // Removes the keys of configurations no longer listed, saves every record and names
    // the current one in "Active Config"; false when a write or deletion failed (the rest
    // is still done), or, touching nothing, when a record has no name.
    bool SaveAll();

    CWizardConfig* GetCurrentConfig();
    const CWizardConfig* GetCurrentConfig() const;
    CWizardConfig* Find(const std::string& name);
    int Select(const std::string& name);
    int Exists(const std::string& name) const;
    std::size_t Add(const CWizardConfig& record);
    // A fresh record of that name with its default templates installed (the store is
    // not touched), appended.
    std::size_t AddNew(const std::string& name);
    int Delete(const std::string& name);

    // The first position of GetNextName, npos for an empty list.
    std::size_t GetStartPosition() const { return configs_.empty() ? npos : 0; }
    // The name at the position; the position moves on (npos after the last).
    std::string GetNextName(std::size_t& position) const;

    std::size_t size() const { return configs_.size(); }
    const std::vector<CWizardConfig>& records() const { return configs_; }
    std::optional<std::size_t> current_index() const { return current_; }

private:
    std::optional<std::size_t> index_of(const std::string& name) const;

    ConfigServices& services_;
    std::vector<CWizardConfig> configs_;
    std::optional<std::size_t> current_;
};

}
