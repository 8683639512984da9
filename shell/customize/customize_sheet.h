#pragma once

#include "platform/ui/dialog.h"
#include "shell/config/wizard_config_set.h"

#include <map>
#include <string>

namespace shell {

inline constexpr int IDD_CSTMZ_ADDITIONAL = 248;
inline constexpr int IDD_CSTMZ_GENERAL = 249;
inline constexpr int IDD_CREATE_NEW_CONFIG = 251;
inline constexpr int IDD_CSTMZ_TEMPLATES = 359;
inline constexpr unsigned IDS_CUSTOMIZE = 1159;        // the sheet's caption, also its id
inline constexpr unsigned IDS_CONFIG_EXISTS = 1157;
inline constexpr unsigned IDS_DELETE_CONFIG = 1158;
inline constexpr unsigned IDS_MESSAGE_FILES_FILTER = 20079;
inline constexpr unsigned IDS_INVALID_CONFIG_NAME = 33160;
inline constexpr int customize_help_context = 345;

class CCustomizeSheet;

// "Create new configuration": the name of a new configuration.
class CCreateNewConfig final : public platform::ui::Dialog {
public:
    CCreateNewConfig(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host);
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

class CCstmzGeneralPage final : public platform::ui::PropertyPage {
public:
    explicit CCstmzGeneralPage(CCustomizeSheet& sheet);
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    void OnCommand(int control, int code) override;

private:
    void show_current(const std::string& name);
    void store_credentials();
    void add_new();
    void remove();

    CCustomizeSheet& sheet_;
    bool loading_ = false;
};

// A page that edits the current configuration: loaded when it becomes active, stored when
// it is left; its OK saves the set.
class ConfigurationPage : public platform::ui::PropertyPage {
public:
    ConfigurationPage(CCustomizeSheet& sheet, int dialog_id);
    void OnOK() override;
    bool OnSetActive() override;
    bool OnKillActive() override;

    virtual void loadCurrentConfig() = 0;
    // False when a value failed its check; the page stays.
    virtual bool saveCurrentConfig() = 0;

protected:
    CCustomizeSheet& sheet_;
    bool loading_ = false;
};

class CCstmzAdditionalPage final : public ConfigurationPage {
public:
    explicit CCstmzAdditionalPage(CCustomizeSheet& sheet);
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;
    void loadCurrentConfig() override;
    bool saveCurrentConfig() override;

private:
    // Enables the controls by the page's current choices.
    void update_enables();
    int selected_transport() const;

    int smtp_timeout_ = 25;
    int display_delay_ = 1;
};

class CCstmzTemplatesPage final : public ConfigurationPage {
public:
    explicit CCstmzTemplatesPage(CCustomizeSheet& sheet);
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;
    void loadCurrentConfig() override;
    bool saveCurrentConfig() override;

private:
    std::string files_[3];
    std::string names_[3];
};

// The modal sheet over a private configuration set: only OK writes the set back and makes
// its current configuration the program's; Cancel leaves the store and the data folder as
// they were.
class CCustomizeSheet final : public platform::ui::PropertySheet {
public:
    CCustomizeSheet(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host, ConfigServices& services,
        CWizardConfig& program_current);

    int DoModal();

    CWizardConfigSet& set() { return set_; }
    ConfigServices& services() { return services_; }
    const platform::ui::DialogTemplates& dialogs() const { return dialogs_; }

    // Remembers what adding this configuration may leave behind, for Cancel and OK.
    void note_added(const std::string& name);
    // OK of a page: saves the set and copies its current configuration into the program's.
    void commit();

private:
    struct added_configuration {
        std::string folder;
        bool folder_existed = false;
        bool key_existed = false;
    };
    void discard_added();

    const platform::ui::DialogTemplates& dialogs_;
    ConfigServices& services_;
    CWizardConfig& program_current_;
    CWizardConfigSet set_;
    CCstmzAdditionalPage additional_;
    CCstmzTemplatesPage templates_;
    CCstmzGeneralPage general_;
    std::map<std::string, added_configuration> added_;
};

}
