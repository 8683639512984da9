#include "shell/config/wizard_config.h"

#include "broadcast/recipients/abook.h"
#include "core/log/trace_log.h"
#include "platform/registry/error_code.h"
#include "shell/config/passwd_block.h"
#include "shell/config/registry_strings.h"
#include "shell/config/wizard_config_set.h"

#include <filesystem>
#include <fstream>

namespace shell {

using platform::registry::hive;
using platform::registry::registry_tree;
using platform::registry::status;

namespace {

const char* const template_file_values[] = {"TemplateFile1", "TemplateFile2", "TemplateFile3"};
const char* const template_name_values[] = {"TemplateName1", "TemplateName2", "TemplateName3"};
const char* const save_settings_key = "Software\\Holvane\\Talverin\\SaveSettings";

bool is_ascii_alnum(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A text value only when it is stored as a text.
std::optional<std::string> read_text(ConfigServices& services, const std::string& key, const char* name)
{
    auto read = read_registry_string(services.registry, key, name);
    if (read.code != status::ok)
        return std::nullopt;
    return read.text;
}

bool ensure_configurations_key(ConfigServices& services)
{
    if (services.registry.key_exists(hive::current_user, configurations_key))
        return true;
    auto code = services.registry.create_key(hive::current_user, configurations_key);
    if (code != status::ok)
        TRACE_LOG("CWizardConfig -- Configurations key not created: %s\n", platform::registry::to_string(code));
    return code == status::ok;
}

bool readable_file(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || std::filesystem::is_directory(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

}

std::string configuration_key(const std::string& name)
{
    return std::string(configurations_key) + "\\" + name;
}

std::string template_folder_name(const std::string& name)
{
    std::string folder;
    folder.reserve(name.size());
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        folder.push_back(is_ascii_alnum(byte) || byte >= 0x80 ? c : '_');
    }
    return folder;
}

bool valid_configuration_name(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    std::size_t characters = 0;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\' || c == '/')
            return false;
        if ((byte & 0xC0) != 0x80) // continuation bytes belong to the character before
            ++characters;
    }
    return characters <= 150;
}

void CWizardConfig::SetDefaults()
{
    auto files = template_files_;
    auto names = template_names_;
    name_.clear();
    abook_provider_ = 0;
    transport_ = 3;
    connection_ = 0;
    smtp_server_.clear();
    smtp_wait_timeout_ = 25;
    http_use_secure_ = 0;
    login_.clear();
    password_.clear();
    c2t_use_url_param_ = 1;
    c2t_url_param_.clear();
    c2t_on_url_.clear();
    c2t_off_url_.clear();
    c2t_sat_url_.clear();
    c2t_cgi_data_ = 0;
    c2t_center_.clear();
    c2t_service_.clear();
    enhanced_view_ = 0;
    display_delay_ = 1;
    template_files_ = files;
    template_names_ = names;
}

void CWizardConfig::CopyFromCurrent(const CWizardConfigSet& set)
{
    if (const auto* current = set.GetCurrentConfig())
        *this = *current;
}

void CWizardConfig::LoadABookProvider(ConfigServices& services, const std::string& key)
{
    auto& registry = services.registry;
    auto provider = read_dword(registry, key, "ABook Provider");
    broadcast::CAbook abook(services.address_books);
    if (!provider || ((*provider >= 1 && *provider <= 3) && !abook.TryProvider(static_cast<int>(*provider)))) {
        provider = static_cast<std::uint32_t>(abook.DetectProvider());
        if (auto code = registry.write(hive::current_user, key, "ABook Provider", *provider); code != status::ok)
            TRACE_LOG("CWizardConfig::LoadFromRegistry() -- \"ABook Provider\" not written: %s\n",
                platform::registry::to_string(code));
    }
    abook_provider_ = static_cast<int>(*provider);
}

int CWizardConfig::LoadFromRegistry(ConfigServices& services, const std::string& name)
{
    if (name.empty())
        return 0; // the Configurations key itself is no configuration
    ensure_configurations_key(services);
    const auto key = configuration_key(name);
    auto& registry = services.registry;
    if (!registry.key_exists(hive::current_user, key))
        return 0;

    name_ = name;
    std::string login;
    std::string password;
    (void)read_login_and_password(registry, key, login, password); // both stay empty when missing
    login_ = login;
    password_ = password;

    LoadABookProvider(services, key);

    smtp_server_ = read_text(services, key, "SMTP Server").value_or("");
    if (auto timeout = read_dword(registry, key, "SMTPWaitTimeout"))
        smtp_wait_timeout_ = static_cast<int>(*timeout);
    http_use_secure_ = read_dword(registry, key, "HTTPUseSecure").value_or(0) != 0;
    transport_ = static_cast<int>(read_dword(registry, key, "Transport Protocol").value_or(3));
    if (transport_ == 2 && !services.mail.is_simple_mapi_loaded())
        transport_ = 3;
    connection_ = static_cast<int>(read_dword(registry, key, "Connection").value_or(0));
    if (services.dialup.RASDllOK() != 1) {
        if (connection_ == 1)
            TRACE_LOG("CWizardConfig::LoadFromRegistry() -- dial-up networking is unavailable: %s sends over the "
                      "existing connection\n", name_.c_str());
        connection_ = 0;
    }
    enhanced_view_ = read_dword(registry, key, "Enhanced View").value_or(0) != 0;
    c2t_use_url_param_ = read_dword(registry, key, "C2TUseURLParam").value_or(1) != 0;
    std::pair<const char*, std::string*> texts[] = {{"C2TURLParam", &c2t_url_param_}, {"C2TOnURL", &c2t_on_url_},
        {"C2TOffURL", &c2t_off_url_}, {"C2TSatURL", &c2t_sat_url_}, {"C2TCenter", &c2t_center_},
        {"C2TService", &c2t_service_}};
    for (auto& [value_name, field] : texts) {
        if (auto text = read_text(services, key, value_name))
            *field = *text;
    }
    c2t_cgi_data_ = read_dword(registry, key, "C2TCgiData").value_or(0) != 0;
    display_delay_ = static_cast<int>(read_dword(registry, key, "DisplayDelay").value_or(1));

    auto first_file = read_text(services, key, template_file_values[0]);
    if (!first_file) {
        SetDefaultTemplates(services);
        return 1;
    }
    for (int i = 0; i < 3; ++i) {
        template_files_[i] = i == 0 ? *first_file : read_text(services, key, template_file_values[i]).value_or("");
        template_names_[i] = read_text(services, key, template_name_values[i]).value_or("");
    }
    if (!readable_file(template_files_[0])
        && services.prompt.message_box(services.strings, IDS_SET_DEFAULT_TEMPLATES,
               platform::prompts::MB_YESNO | platform::prompts::MB_ICONEXCLAMATION)
            == platform::prompts::IDYES)
        SetDefaultTemplates(services);
    return 1;
}

bool CWizardConfig::SaveToRegistry(ConfigServices& services) const
{
    if (name_.empty()) {
        TRACE_LOG("CWizardConfig::SaveToRegistry() -- a configuration without a name is not saved\n");
        return false;
    }
    const auto key = configuration_key(name_);
    auto& registry = services.registry;
    if (auto code = registry.create_key(hive::current_user, key); code != status::ok) {
        TRACE_LOG("CWizardConfig::SaveToRegistry() -- key %s not created: %s\n", key.c_str(),
            platform::registry::to_string(code));
        return false;
    }
    bool saved = write_login_and_password(registry, key, login_, password_, services.random);
    auto dword = [](int number) { return platform::registry::value(static_cast<std::uint32_t>(number)); };
    const std::pair<const char*, platform::registry::value> values[] = {
        {"ABook Provider", dword(abook_provider_)},
        {"SMTP Server", smtp_server_},
        {"SMTPWaitTimeout", dword(smtp_wait_timeout_)},
        {"HTTPUseSecure", dword(http_use_secure_)},
        {"Transport Protocol", dword(transport_)},
        {"Connection", dword(connection_)},
        {"Enhanced View", dword(enhanced_view_)},
        {"C2TUseURLParam", dword(c2t_use_url_param_)},
        {"C2TURLParam", c2t_url_param_},
        {"C2TOnURL", c2t_on_url_},
        {"C2TOffURL", c2t_off_url_},
        {"C2TSatURL", c2t_sat_url_},
        {"C2TCgiData", dword(c2t_cgi_data_)},
        {"C2TCenter", c2t_center_},
        {"C2TService", c2t_service_},
        {"DisplayDelay", dword(display_delay_)},
        {template_file_values[0], template_files_[0]},
        {template_file_values[1], template_files_[1]},
        {template_file_values[2], template_files_[2]},
        {template_name_values[0], template_names_[0]},
        {template_name_values[1], template_names_[1]},
        {template_name_values[2], template_names_[2]},
    };
    // One change: the values reach the store together or not at all.
    auto code = registry.apply([&](registry_tree& tree) {
        for (const auto& [value_name, data] : values) {
            if (auto set = tree.set(key, value_name, data); set != status::ok)
                return set;
        }
        return status::ok;
    });
    if (code != status::ok) {
        TRACE_LOG("CWizardConfig::SaveToRegistry() -- values of %s not written: %s\n", name_.c_str(),
            platform::registry::to_string(code));
        saved = false;
    }
    return saved;
}

// Without an importer or the program's folders there is nothing to install.
static bool can_install_templates(const ConfigServices& services)
{
    return services.importer && !services.template_packages.empty() && !services.template_folders.empty();
}

void CWizardConfig::InstallDefaultTemplates(ConfigServices& services)
{
    if (name_.empty() || !can_install_templates(services))
        return;
    const auto folder = services.template_folders + "/" + template_folder_name(name_);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        TRACE_LOG("CWizardConfig::SetDefaultTemplates() -- folder %s not created: %s\n", folder.c_str(),
            ec.message().c_str());
        return;
    }
    for (unsigned i = 1; i <= 3; ++i) {
        auto package = services.template_packages + "/" + services.strings.text(IDS_TEMPLATE_PACKAGE_BASE + i);
        auto document = services.importer->import_job_package(package, folder);
        if (document.empty())
            continue;
        template_files_[i - 1] = document;
        template_names_[i - 1] = services.strings.text(IDS_TEMPLATE_NAME_BASE + i);
    }
}

bool CWizardConfig::SetDefaultTemplates(ConfigServices& services)
{
    if (name_.empty() || !can_install_templates(services))
        return false;
    InstallDefaultTemplates(services);
    const auto key = configuration_key(name_);
    auto code = services.registry.apply([&](registry_tree& tree) {
        if (auto created = tree.create_key(key); created != status::ok)
            return created;
        for (int i = 0; i < 3; ++i) {
            if (auto set = tree.set(key, template_file_values[i], template_files_[i]); set != status::ok)
                return set;
        }
        for (int i = 0; i < 3; ++i) {
            if (auto set = tree.set(key, template_name_values[i], template_names_[i]); set != status::ok)
                return set;
        }
        return status::ok;
    });
    if (code != status::ok)
        TRACE_LOG("CWizardConfig::SetDefaultTemplates() -- templates of %s not written: %s\n", name_.c_str(),
            platform::registry::to_string(code));
    return code == status::ok;
}

long CWizardConfig::LoadActive(ConfigServices& services)
{
    ensure_configurations_key(services);
    auto& registry = services.registry;
    auto active = read_registry_string(registry, configurations_key, active_config_value);
    if (active.code == status::ok && !active.text.empty()
        && registry.key_exists(hive::current_user, configuration_key(active.text))) {
        LoadFromRegistry(services, active.text);
        return 0;
    }
    const std::string fallback = services.strings.text(IDS_DEFAULT_CONFIG);
    if (auto code = write_registry_string(registry, configurations_key, active_config_value, fallback);
        code != status::ok)
        TRACE_LOG("CWizardConfig::LoadActive() -- \"Active Config\" not written: %s\n",
            platform::registry::to_string(code));
    if (registry.key_exists(hive::current_user, configuration_key(fallback))) {
        LoadFromRegistry(services, fallback);
    } else {
        name_ = fallback;
        if (auto code = registry.create_key(hive::current_user, configuration_key(fallback)); code != status::ok)
            TRACE_LOG("CWizardConfig::LoadActive() -- key of %s not created: %s\n", fallback.c_str(),
                platform::registry::to_string(code));
        SetDefaultTemplates(services);
        // What the next start's load would detect and write is written now, so that a
        // fresh store is settled after its first start.
        LoadABookProvider(services, configuration_key(fallback));
    }
    return active.code == status::ok ? 0 : platform::registry::error_code(active.code);
}

bool ConvertConfigs(ConfigServices& services, CWizardConfig& current)
{
    auto& registry = services.registry;
    if (!registry.key_exists(hive::current_user, save_settings_key))
        return false;
    if (!registry.read(hive::current_user, save_settings_key, "login").ok()
        || !registry.read(hive::current_user, save_settings_key, "passwd").ok())
        return false;
    if (current.GetName().empty()) {
        TRACE_LOG("ConvertConfigs() -- no current configuration to move the old values into\n");
        return false;
    }
    const auto key = configuration_key(current.GetName());
    if (!registry.key_exists(hive::current_user, key))
        return false;

    std::string login;
    std::string password;
    if (read_login_and_password(registry, save_settings_key, login, password)) {
        current.SetLogin(login);
        current.SetPassword(password);
    }
    // The values move together: none is lost between the two keys.
    auto code = registry.apply([&](registry_tree& tree) {
        for (const char* name : {"login", "passwd", "SMTP Server", "Transport Protocol", "ABook Provider"}) {
            const auto* found = tree.find(save_settings_key, name);
            if (!found)
                continue;
            auto data = *found;
            if (auto set = tree.set(key, name, data); set != status::ok)
                return set;
            if (auto erased = tree.erase_value(save_settings_key, name); erased != status::ok)
                return erased;
        }
        return status::ok;
    });
    if (code != status::ok) {
        TRACE_LOG("ConvertConfigs() -- old values not moved: %s\n", platform::registry::to_string(code));
        return false;
    }
    // The moved transport, server and provider now live in the configuration's key.
    current.LoadFromRegistry(services, current.GetName());
    return true;
}

}
