#include "shell/customize/customize_sheet.h"

#include "broadcast/recipients/abook.h"
#include "core/log/trace_log.h"
#include "platform/ui/messages.h"
#include "shell/customize/additional_rules.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

namespace shell {

using namespace platform::ui;

namespace {

// General page.
constexpr int IDC_CONFIG_NAME = 1152;
constexpr int IDC_USER_ID = 1021;
constexpr int IDC_PASSWORD = 1022;
constexpr int IDC_ADD_NEW = 1153;
constexpr int IDC_REMOVE = 1154;

// Additional page.
constexpr int IDC_FTP = 1149;
constexpr int IDC_SMTP_MAPI = 1151;
constexpr int IDC_HTTP = 1152;
constexpr int IDC_SMTP_SERVER = 1011;
constexpr int IDC_SMTP_TIMEOUT = 1153;
constexpr int IDC_SMTP_TIMEOUT_SPIN = 1154;
constexpr int IDC_SECURE = 1084;
constexpr int IDC_MAPI_BOOK = 1121;
constexpr int IDC_WINDOWS_BOOK = 1122;
constexpr int IDC_EXISTING_CONNECTION = 1155;
constexpr int IDC_DIALUP = 1158;
constexpr int IDC_DIALUP_SETTINGS = 1159;
constexpr int IDC_STANDARD_VIEW = 1207;
constexpr int IDC_ENHANCED_VIEW = 1208;
constexpr int IDC_DISPLAY_DELAY = 1349;

// Templates page: file edits 1232, 1234, 1236, name edits one above each, Browse buttons.
constexpr int IDC_TEMPLATE_FILE1 = 1232;
constexpr int IDC_BROWSE1 = 1219;

// The name edit of the new-configuration dialog.
constexpr int IDC_NEW_NAME = 1021;

const char* const mail_client_prog_ids[] = {
    "Outlook.Application.8", "Outlook.Application.9", "Outlook.Application.10", "Outlook.Application.11"};

unsigned long long address_of(const void* object)
{
    return static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(object));
}

bool same_key_name(const std::string& a, const std::string& b)
{
    return platform::registry::fold_name(a) == platform::registry::fold_name(b);
}

}

CCreateNewConfig::CCreateNewConfig(const DialogTemplates& dialogs, UiHost& host)
    : Dialog(dialogs.get(IDD_CREATE_NEW_CONFIG), host)
{
}

void CCreateNewConfig::DoDataExchange(DataExchange& exchange)
{
    exchange.text(IDC_NEW_NAME, name_);
    exchange.max_chars(name_, 150);
}

// ---- General page ----

CCstmzGeneralPage::CCstmzGeneralPage(CCustomizeSheet& sheet)
    : PropertyPage(sheet.dialogs().get(IDD_CSTMZ_GENERAL), sheet.host()), sheet_(sheet)
{
}

bool CCstmzGeneralPage::OnInitDialog()
{
    if (!PropertyPage::OnInitDialog())
        return false;
    auto& combo = item(IDC_CONFIG_NAME);
    combo.items.clear();
    combo.selection = -1;
    auto& set = sheet_.set();
    for (auto position = set.GetStartPosition(); position != CWizardConfigSet::npos;)
        add_string(IDC_CONFIG_NAME, set.GetNextName(position));
    return true;
}

void CCstmzGeneralPage::OnOK()
{
    sheet_.commit();
}

bool CCstmzGeneralPage::OnSetActive()
{
    show_current("");
    return PropertyPage::OnSetActive();
}

bool CCstmzGeneralPage::OnKillActive()
{
    store_credentials();
    return PropertyPage::OnKillActive();
}

void CCstmzGeneralPage::show_current(const std::string& name)
{
    auto& set = sheet_.set();
    if (!name.empty())
        set.Select(name);
    const auto* current = set.GetCurrentConfig();
    if (!current)
        return;
    // The combo lists the set in its order, so the current record's index is its item.
    set_cur_sel(IDC_CONFIG_NAME, static_cast<int>(set.current_index().value_or(0)));
    loading_ = true;
    SetDlgItemText(IDC_USER_ID, current->GetLogin());
    SetDlgItemText(IDC_PASSWORD, current->GetPassword());
    loading_ = false;
}

void CCstmzGeneralPage::store_credentials()
{
    if (auto* current = sheet_.set().GetCurrentConfig()) {
        current->SetLogin(GetDlgItemText(IDC_USER_ID));
        current->SetPassword(GetDlgItemText(IDC_PASSWORD));
    }
}

void CCstmzGeneralPage::add_new()
{
    CCreateNewConfig dialog(sheet_.dialogs(), host());
    if (dialog.DoModal() != IDOK)
        return;
    const std::string name = dialog.name();
    if (!valid_configuration_name(name)) {
        host().message_box(IDS_INVALID_CONFIG_NAME, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Names that differ only in case share one key in the store.
    const auto& records = sheet_.set().records();
    if (std::any_of(records.begin(), records.end(),
            [&](const CWizardConfig& record) { return same_key_name(record.GetName(), name); })) {
        host().message_box(IDS_CONFIG_EXISTS, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    store_credentials();
    loading_ = true;
    SetDlgItemText(IDC_USER_ID, "");
    SetDlgItemText(IDC_PASSWORD, "");
    loading_ = false;
    sheet_.note_added(name);
    sheet_.set().AddNew(name);
    add_string(IDC_CONFIG_NAME, name);
    show_current(name);
    SetModified();
}

void CCstmzGeneralPage::remove()
{
    if (host().message_box(IDS_DELETE_CONFIG, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    int selected = get_cur_sel(IDC_CONFIG_NAME);
    auto& items = item(IDC_CONFIG_NAME).items;
    if (selected < 0 || selected >= static_cast<int>(items.size()))
        return;
    const std::string name = items[static_cast<std::size_t>(selected)];
    if (!sheet_.set().Delete(name))
        return; // the last configuration stays
    if (auto listed = std::find(items.begin(), items.end(), name); listed != items.end())
        items.erase(listed);
    set_cur_sel(IDC_CONFIG_NAME, 0);
    show_current(items.front());
    SetModified();
}

void CCstmzGeneralPage::OnCommand(int control, int code)
{
    if ((control == IDC_USER_ID || control == IDC_PASSWORD) && code == EN_CHANGE) {
        if (!loading_)
            SetModified();
    } else if (control == IDC_CONFIG_NAME && code == CBN_SELCHANGE) {
        SetModified();
        store_credentials();
        int selected = get_cur_sel(IDC_CONFIG_NAME);
        if (selected >= 0)
            show_current(item(IDC_CONFIG_NAME).items[static_cast<std::size_t>(selected)]);
    } else if (control == IDC_ADD_NEW && code == BN_CLICKED) {
        add_new();
    } else if (control == IDC_REMOVE && code == BN_CLICKED) {
        remove();
    } else {
        PropertyPage::OnCommand(control, code);
    }
}

// ---- Pages of the current configuration ----

ConfigurationPage::ConfigurationPage(CCustomizeSheet& sheet, int dialog_id)
    : PropertyPage(sheet.dialogs().get(dialog_id), sheet.host()), sheet_(sheet)
{
}

void ConfigurationPage::OnOK()
{
    sheet_.commit();
}

bool ConfigurationPage::OnSetActive()
{
    loadCurrentConfig();
    return PropertyPage::OnSetActive();
}

bool ConfigurationPage::OnKillActive()
{
    return saveCurrentConfig() && PropertyPage::OnKillActive();
}

// ---- Additional page ----

CCstmzAdditionalPage::CCstmzAdditionalPage(CCustomizeSheet& sheet) : ConfigurationPage(sheet, IDD_CSTMZ_ADDITIONAL) { }

void CCstmzAdditionalPage::DoDataExchange(DataExchange& exchange)
{
    exchange.text(IDC_SMTP_TIMEOUT, smtp_timeout_);
    exchange.int_range(smtp_timeout_, 1, 32767);
    exchange.text(IDC_DISPLAY_DELAY, display_delay_);
    exchange.int_range(display_delay_, 0, 10);
}

int CCstmzAdditionalPage::selected_transport() const
{
    for (int radio = IDC_FTP; radio <= IDC_HTTP; ++radio) {
        if (IsDlgButtonChecked(radio))
            return radio - IDC_FTP;
    }
    return 0;
}

void CCstmzAdditionalPage::update_enables()
{
    auto& services = sheet_.services();
    AdditionalChoices choices;
    choices.transport = selected_transport();
    choices.simple_mapi = services.mail.is_simple_mapi_loaded();
    choices.dialup_usable = services.dialup.RASDllOK() == 1;
    choices.dialup_selected = IsDlgButtonChecked(IDC_DIALUP);
    choices.mapi_book_selected = IsDlgButtonChecked(IDC_MAPI_BOOK);
    choices.mail_client_registered = std::any_of(std::begin(mail_client_prog_ids), std::end(mail_client_prog_ids),
        [&](const char* prog_id) { return services.classes.prog_id_registered(prog_id); });
    auto enables = additional_enables(choices);
    for (int id : {IDC_SMTP_SERVER, IDC_SMTP_TIMEOUT, IDC_SMTP_TIMEOUT_SPIN})
        EnableItem(id, enables.smtp_fields);
    EnableItem(IDC_SECURE, enables.secure);
    EnableItem(IDC_SMTP_MAPI, enables.mapi_transport);
    EnableItem(IDC_DIALUP, enables.dialup_radio);
    EnableItem(IDC_DIALUP_SETTINGS, enables.settings);
    EnableItem(IDC_STANDARD_VIEW, enables.view);
    EnableItem(IDC_ENHANCED_VIEW, enables.view);
}

void CCstmzAdditionalPage::loadCurrentConfig()
{
    auto* config = sheet_.set().GetCurrentConfig();
    TRACE_LOG("CCstmzAdditionalPage::loadCurrentConfig() -- active configuration: = %llx\n", address_of(config));
    if (!config)
        return;
    auto& services = sheet_.services();
    loading_ = true;

    broadcast::CAbook abook(services.address_books);
    bool mapi_book = abook.TryProvider(3) == 1;
    bool windows_book = abook.TryProvider(2) == 1;
    EnableItem(IDC_MAPI_BOOK, mapi_book);
    EnableItem(IDC_WINDOWS_BOOK, windows_book);
    int provider = shown_address_book(config->GetABookProvider(), mapi_book, windows_book);
    CheckDlgButton(IDC_MAPI_BOOK, provider == 3);
    CheckDlgButton(IDC_WINDOWS_BOOK, provider == 2);

    int transport = shown_transport(config->GetTransportProtocol(), services.mail.is_simple_mapi_loaded());
    for (int radio = IDC_FTP; radio <= IDC_HTTP; ++radio)
        CheckDlgButton(radio, radio - IDC_FTP == transport);

    SetDlgItemText(IDC_SMTP_SERVER, config->GetSMTPServer());
    smtp_timeout_ = config->GetSMTPWaitTimeout();
    item(IDC_SMTP_TIMEOUT_SPIN).position = std::clamp(smtp_timeout_, 1, 32767);
    CheckDlgButton(IDC_SECURE, config->GetHTTPUseSecure() != 0);

    bool dialup = services.dialup.RASDllOK() == 1 && config->GetConnection() == 1;
    CheckDlgButton(IDC_DIALUP, dialup);
    CheckDlgButton(IDC_EXISTING_CONNECTION, !dialup);

    CheckDlgButton(IDC_ENHANCED_VIEW, config->GetEnhancedView() != 0);
    CheckDlgButton(IDC_STANDARD_VIEW, config->GetEnhancedView() == 0);

    display_delay_ = config->GetDisplayDelay();
    UpdateData(false);
    update_enables();
    SetModified(false);
    loading_ = false;
}

bool CCstmzAdditionalPage::saveCurrentConfig()
{
    auto* config = sheet_.set().GetCurrentConfig();
    TRACE_LOG("CCstmzAdditionalPage::saveCurrentConfig() -- active configuration: = %llx\n", address_of(config));
    if (!UpdateData(true))
        return false;
    if (!config)
        return true;
    config->SetABookProvider(IsDlgButtonChecked(IDC_WINDOWS_BOOK) ? 2 : IsDlgButtonChecked(IDC_MAPI_BOOK) ? 3 : 0);
    config->SetTransportProtocol(selected_transport());
    config->SetSMTPServer(GetDlgItemText(IDC_SMTP_SERVER));
    config->SetSMTPWaitTimeout(smtp_timeout_);
    config->SetHTTPUseSecure(IsDlgButtonChecked(IDC_SECURE) ? 1 : 0);
    config->SetConnection(IsDlgButtonChecked(IDC_DIALUP) ? 1 : 0);
    config->SetEnhancedView(IsDlgButtonChecked(IDC_ENHANCED_VIEW) ? 1 : 0);
    config->SetDisplayDelay(display_delay_);
    return true;
}

void CCstmzAdditionalPage::OnCommand(int control, int code)
{
    bool radio_or_check = code == BN_CLICKED
        && ((control >= IDC_FTP && control <= IDC_HTTP) || control == IDC_MAPI_BOOK || control == IDC_WINDOWS_BOOK
            || control == IDC_SECURE || control == IDC_EXISTING_CONNECTION || control == IDC_DIALUP);
    bool edit = code == EN_CHANGE && (control == IDC_SMTP_SERVER || control == IDC_SMTP_TIMEOUT);
    if (radio_or_check || edit) {
        if (loading_)
            return;
        SetModified();
        update_enables();
    } else if (control == IDC_DIALUP_SETTINGS && code == BN_CLICKED) {
        SetModified();
        auto& dialup = sheet_.services().dialup;
        if (const auto* config = sheet_.set().GetCurrentConfig()) {
            if (auto result = dialup.SetCurrentConfig(config->GetName()); result != 0)
                TRACE_LOG("CCstmzAdditionalPage::OnDialupSettings() -- Dunvell_SetCurrentConfig: %ld\n", result);
        }
        dialup.RASCfgDialog(0); // no parent window handle on this platform
    } else {
        ConfigurationPage::OnCommand(control, code);
    }
}

// ---- Templates page ----

CCstmzTemplatesPage::CCstmzTemplatesPage(CCustomizeSheet& sheet) : ConfigurationPage(sheet, IDD_CSTMZ_TEMPLATES) { }

void CCstmzTemplatesPage::DoDataExchange(DataExchange& exchange)
{
    for (int i = 0; i < 3; ++i) {
        exchange.text(IDC_TEMPLATE_FILE1 + 2 * i, files_[i]);
        exchange.text(IDC_TEMPLATE_FILE1 + 2 * i + 1, names_[i]);
    }
}

void CCstmzTemplatesPage::loadCurrentConfig()
{
    const auto* config = sheet_.set().GetCurrentConfig();
    TRACE_LOG("CCstmzTemplatesPage::loadCurrentConfig() -- active configuration: = %llx\n", address_of(config));
    if (!config)
        return;
    for (int i = 0; i < 3; ++i) {
        files_[i] = config->GetTemplateFile(i);
        names_[i] = config->GetTemplateName(i);
    }
    loading_ = true;
    UpdateData(false);
    loading_ = false;
    SetModified(false);
}

bool CCstmzTemplatesPage::saveCurrentConfig()
{
    auto* config = sheet_.set().GetCurrentConfig();
    TRACE_LOG("CCstmzTemplatesPage::saveCurrentConfig() -- active configuration: = %llx\n", address_of(config));
    if (!UpdateData(true))
        return false;
    if (config) {
        for (int i = 0; i < 3; ++i) {
            config->SetTemplateFile(i, files_[i]);
            config->SetTemplateName(i, names_[i]);
        }
    }
    return true;
}

void CCstmzTemplatesPage::OnCommand(int control, int code)
{
    if (code == BN_CLICKED && control >= IDC_BROWSE1 && control < IDC_BROWSE1 + 3) {
        OpenFileRequest request;
        request.title = "Open";
        request.filter = sheet_.services().strings.text(IDS_MESSAGE_FILES_FILTER) + "|*.htm||";
        request.default_extension = "htm";
        request.file_must_exist = true;
        if (auto chosen = host().open_file(request))
            SetDlgItemText(IDC_TEMPLATE_FILE1 + 2 * (control - IDC_BROWSE1), chosen->path);
    } else if (code == EN_CHANGE && control >= IDC_TEMPLATE_FILE1 && control < IDC_TEMPLATE_FILE1 + 6) {
        if (!loading_)
            SetModified();
    } else {
        ConfigurationPage::OnCommand(control, code);
    }
}

// ---- Sheet ----

CCustomizeSheet::CCustomizeSheet(const DialogTemplates& dialogs, UiHost& host, ConfigServices& services,
    CWizardConfig& program_current)
    : PropertySheet(static_cast<int>(IDS_CUSTOMIZE), host.strings().text(IDS_CUSTOMIZE), host)
    , dialogs_(dialogs)
    , services_(services)
    , program_current_(program_current)
    , set_(services)
    , additional_(*this)
    , templates_(*this)
    , general_(*this)
{
    AddPage(general_);
    AddPage(additional_);
    AddPage(templates_);
}

int CCustomizeSheet::DoModal()
{
    int result = PropertySheet::DoModal();
    if (result != IDOK)
        discard_added();
    return result;
}

void CCustomizeSheet::note_added(const std::string& name)
{
    if (added_.count(name))
        return; // added, removed and added again: what existed before the first time counts
    added_configuration added;
    added.folder = services_.template_folders + "/" + template_folder_name(name);
    std::error_code ec;
    added.folder_existed = services_.template_folders.empty() || std::filesystem::exists(added.folder, ec);
    added.key_existed = services_.registry.key_exists(platform::registry::hive::current_user, configuration_key(name));
    added_.emplace(name, std::move(added));
}

void CCustomizeSheet::commit()
{
    if (!set_.SaveAll())
        TRACE_LOG("CCustomizeSheet::OnOK() -- the configurations were not all saved\n");
    program_current_.CopyFromCurrent(set_);
    // Template folders of configurations added and removed again go, unless a listed
    // configuration's name leads to the same folder.
    for (const auto& [name, added] : added_) {
        if (added.folder_existed || set_.Exists(name))
            continue;
        const auto folder = template_folder_name(name);
        const auto& records = set_.records();
        if (std::any_of(records.begin(), records.end(),
                [&](const CWizardConfig& record) { return template_folder_name(record.GetName()) == folder; }))
            continue;
        std::error_code ec;
        std::filesystem::remove_all(added.folder, ec);
    }
}

void CCustomizeSheet::discard_added()
{
    for (const auto& [name, added] : added_) {
        std::error_code ec;
        if (!added.folder_existed)
            std::filesystem::remove_all(added.folder, ec);
        // "Setti&ngs..." makes the dial-up library create the configuration's key.
        const auto key = configuration_key(name);
        if (!added.key_existed && services_.registry.key_exists(platform::registry::hive::current_user, key))
            (void)services_.registry.delete_key(platform::registry::hive::current_user, key);
    }
    added_.clear();
}

}
