#pragma once

#include "shell/config/config_services.h"

#include <array>
#include <string>

namespace shell {

class CWizardConfigSet;

inline constexpr const char* configurations_key = "Software\\Holvane\\Talverin\\Configurations";
inline constexpr const char* active_config_value = "Active Config";
inline constexpr unsigned IDS_DEFAULT_CONFIG = 3094;            // "Default"
inline constexpr unsigned IDS_TEMPLATE_PACKAGE_BASE = 33120;    // + i: "templ<i>.gz"
inline constexpr unsigned IDS_TEMPLATE_NAME_BASE = 33123;       // + i: "Example Template <i>"
inline constexpr unsigned IDS_SET_DEFAULT_TEMPLATES = 33150;

// The key of a configuration: the Configurations key, a backslash and the name.
std::string configuration_key(const std::string& name);

// The folder name of a configuration's templates: ASCII letters and digits and every
// non-ASCII character kept whole, everything else "_".
std::string template_folder_name(const std::string& name);

// Whether a name can name a configuration of its own: 1 to 150 characters, not "." or "..",
// without "\", "/" or control characters (each would nest, escape or break its key and
// template folder).
bool valid_configuration_name(const std::string& name);

// A text argument of the setters: a null pointer gives an empty text.
struct text_arg {
    text_arg(const char* text) : value(text ? text : "") { }
    text_arg(const std::string& text) : value(text) { }
    std::string value;
};

// One named configuration.
class CWizardConfig {
public:
    CWizardConfig() { SetDefaults(); }
    virtual ~CWizardConfig() = default;
    CWizardConfig(const CWizardConfig&) = default;
    CWizardConfig& operator=(const CWizardConfig&) = default;
    bool operator==(const CWizardConfig&) const = default;

    // Every field but the six template fields back to its default, the name included.
    void SetDefaults();
    // Every field of the set's current configuration; nothing when the set is empty.
    void CopyFromCurrent(const CWizardConfigSet& set);

    // 1 when the configuration's key exists and was read, else 0 with the record unchanged.
    int LoadFromRegistry(ConfigServices& services, const std::string& name);
    // Writes every field into the configuration's key as one change; false (store
    // untouched) for an empty name or when the change failed.
    bool SaveToRegistry(ConfigServices& services) const;
    // Unpacks the three template packages for this configuration and writes the six
    // template values; false for an empty name or a failed write.
    bool SetDefaultTemplates(ConfigServices& services);
    // The files-and-record half of SetDefaultTemplates: the store is not touched.
    void InstallDefaultTemplates(ConfigServices& services);
    // Loads the active configuration, making "Default" active when none usable is named;
    // the registry result of reading "Active Config".
    long LoadActive(ConfigServices& services);

    const std::string& GetName() const { return name_; }
    int GetABookProvider() const { return abook_provider_; }
    int GetTransportProtocol() const { return transport_; }
    int GetConnection() const { return connection_; }
    std::string GetSMTPServer() const { return smtp_server_; }
    int GetSMTPWaitTimeout() const { return smtp_wait_timeout_; }
    int GetHTTPUseSecure() const { return http_use_secure_; }
    std::string GetLogin() const { return login_; }
    std::string GetPassword() const { return password_; }
    int GetC2TUseURLParam() const { return c2t_use_url_param_; }
    std::string GetC2TURLParam() const { return c2t_url_param_; }
    std::string GetC2TOnURL() const { return c2t_on_url_; }
    std::string GetC2TOffURL() const { return c2t_off_url_; }
    std::string GetC2TSatURL() const { return c2t_sat_url_; }
    int GetC2TCgiData() const { return c2t_cgi_data_; }
    std::string GetC2TCenter() const { return c2t_center_; }
    std::string GetC2TService() const { return c2t_service_; }
    int GetEnhancedView() const { return enhanced_view_; }
    std::string GetTemplateFile(int index) const { return template_files_.at(static_cast<std::size_t>(index)); }
    std::string GetTemplateName(int index) const { return template_names_.at(static_cast<std::size_t>(index)); }
    int GetDisplayDelay() const { return display_delay_; }

    void SetName(text_arg text) { name_ = std::move(text.value); }
    void SetABookProvider(int value) { abook_provider_ = value; }
    void SetTransportProtocol(int value) { transport_ = value; }
    void SetConnection(int value) { connection_ = value; }
    void SetSMTPServer(text_arg text) { smtp_server_ = std::move(text.value); }
    void SetSMTPWaitTimeout(int value) { smtp_wait_timeout_ = value; }
    void SetHTTPUseSecure(int value) { http_use_secure_ = value; }
    void SetLogin(text_arg text) { login_ = std::move(text.value); }
    void SetPassword(text_arg text) { password_ = std::move(text.value); }
    void SetC2TUseURLParam(int value) { c2t_use_url_param_ = value; }
    void SetC2TURLParam(text_arg text) { c2t_url_param_ = std::move(text.value); }
    void SetC2TOnURL(text_arg text) { c2t_on_url_ = std::move(text.value); }
    void SetC2TOffURL(text_arg text) { c2t_off_url_ = std::move(text.value); }
    void SetC2TSatURL(text_arg text) { c2t_sat_url_ = std::move(text.value); }
    void SetC2TCgiData(int value) { c2t_cgi_data_ = value; }
    void SetC2TCenter(text_arg text) { c2t_center_ = std::move(text.value); }
    void SetC2TService(text_arg text) { c2t_service_ = std::move(text.value); }
    void SetEnhancedView(int value) { enhanced_view_ = value; }
    void SetTemplateFile(int index, text_arg text) { template_files_.at(static_cast<std::size_t>(index)) = std::move(text.value); }
    void SetTemplateName(int index, text_arg text) { template_names_.at(static_cast<std::size_t>(index)) = std::move(text.value); }
    void SetDisplayDelay(int value) { display_delay_ = value; }

private:
    // The stored address-book provider, detected and written back when it is missing or
    // names a provider that does not open.
    void LoadABookProvider(ConfigServices& services, const std::string& key);

    std::string name_;
    int abook_provider_ = 0;
    int transport_ = 3;
    int connection_ = 0;
    std::string smtp_server_;
    int smtp_wait_timeout_ = 25;
    int http_use_secure_ = 0;
    std::string login_;
    std::string password_;
    int c2t_use_url_param_ = 1;
    std::string c2t_url_param_;
    std::string c2t_on_url_;
    std::string c2t_off_url_;
    std::string c2t_sat_url_;
    int c2t_cgi_data_ = 0;
    std::string c2t_center_;
    std::string c2t_service_;
    int enhanced_view_ = 0;
    std::array<std::string, 3> template_files_;
    std::array<std::string, 3> template_names_;
    int display_delay_ = 1;
};

// Moves the older single-account values ("login", "passwd", "SMTP Server", "Transport
// Protocol", "ABook Provider") from SaveSettings into the current configuration's key and
// reloads the configuration from it; true after a conversion.
bool ConvertConfigs(ConfigServices& services, CWizardConfig& current);

}
