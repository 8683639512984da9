#include "broadcast/settings/broadcast_settings.h"

#include "broadcast/settings/pull_file_dialogs.h"
#include "broadcast/settings/remote_list_prompt.h"
#include "broadcast/settings/settings_strings.h"
#include "broadcast/settings/submission_values.h"
#include "core/markup/html_tag.h"
#include "platform/com/com_error.h"
#include "platform/strings/string_table.h"
#include "platform/ui/messages.h"

#include <algorithm>

namespace broadcast {

using namespace platform::ui;

namespace {

constexpr int submit_button = 1225;
constexpr int to_button = 1115;
constexpr int help_button = 9;
constexpr int local_list_box = 1035;
constexpr int add_local = 1036;
constexpr int remove_local = 1037;
constexpr int remote_list_box = 1034;
constexpr int add_remote = 1056;
constexpr int remove_remote = 1057;
constexpr int addresses_edit = 1021;
constexpr int subject_edit = 1087;
constexpr int billing_edit = 1039;
constexpr int reference_edit = 1089;
constexpr int charset_combo = 1038;
constexpr int all_pull_files = 1192;
constexpr int pull_security_combo = 1041;
constexpr int expiration_edit = 1059;
constexpr int pull_password_check = 1044;
constexpr int master_password_edit = 1010;
constexpr int reenter_password_edit = 1011;
constexpr int future_check = 1046;
constexpr int start_date_picker = 1047;
constexpr int start_time_picker = 1062;
constexpr int posting_none_radio = 1053;
constexpr int completion_combo = 1052;
constexpr int send_friend_combo = 1160;
constexpr int picture = 1119;
constexpr int picture_bitmap = 214;

std::time_t now_of(const platform::clock& clock)
{
    std::tm local = clock.local_now();
    local.tm_isdst = -1;
    return std::mktime(&local);
}


void append_missing(std::vector<std::string>& target, const std::vector<std::string>& entries)
{
    for (const auto& entry : entries) {
        if (std::find(target.begin(), target.end(), entry) == target.end())
            target.push_back(entry);
    }
}

}

CBroadcastSettings::CBroadcastSettings(settings_services& services, quorbis_broadcast& job)
    : Dialog(services.dialogs.get(template_id), services.host), services_(services), job_(job)
{
    const auto now = calendar_time_of(services.clock.local_now());
    start_date = now;
    start_time = now;
}

bool CBroadcastSettings::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    item(picture).image = picture_bitmap;
    EnableItem(to_button, static_cast<bool>(services_.pick_recipients));
    UpdateSubmitButton();
    return true;
}

void CBroadcastSettings::DoDataExchange(DataExchange& exchange)
{
    exchange.text(addresses_edit, additional_addresses);
    exchange.combo_index(charset_combo, charset_index);
    exchange.text(subject_edit, subject);
    exchange.text(billing_edit, billing_code);
    exchange.text(reference_edit, customer_reference);
    exchange.combo_index(pull_security_combo, pull_security_index);
    exchange.check(pull_password_check, pull_password);
    exchange.text(master_password_edit, master_password);
    exchange.date_time(start_date_picker, start_date);
    exchange.date_time(start_time_picker, start_time);
    exchange.check(future_check, future_delivery);
    exchange.combo_index(completion_combo, completion_report_index);
    exchange.radio(posting_none_radio, posting_report);
    exchange.text(expiration_edit, pull_expiration_days);
    if (!pull_expiration_days.empty())
        exchange.int_range(expiration_days_number(pull_expiration_days), 1, 14);
    exchange.combo_index(send_friend_combo, send_friend_report_index);
    if (exchange.saving()) {
        if (!pull_password)
            master_password.clear();
        append_missing(local_lists, item(local_list_box).items);
        append_missing(remote_lists, item(remote_list_box).items);
    }
}

void CBroadcastSettings::OnOK()
{
    if (host().message_box(IDS_READY_TO_SEND, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    if (ValidateSubmission())
        EndDialog(IDOK);
}

void CBroadcastSettings::OnCommand(int control, int code)
{
    if (code == EN_CHANGE && (control == addresses_edit || control == subject_edit)) {
        UpdateSubmitButton();
        return;
    }
    if (code != BN_CLICKED) {
        Dialog::OnCommand(control, code);
        return;
    }
    switch (control) {
    case add_local:
        OnAddLocalList();
        break;
    case remove_local:
        RemoveSelectedLists(local_list_box);
        break;
    case add_remote:
        OnAddRemoteList();
        break;
    case remove_remote:
        RemoveSelectedLists(remote_list_box);
        break;
    case pull_password_check: {
        const bool on = IsDlgButtonChecked(pull_password_check);
        EnableItem(master_password_edit, on);
        EnableItem(reenter_password_edit, on);
        GotoDlgCtrl(master_password_edit);
        break;
    }
    case future_check: {
        const bool on = IsDlgButtonChecked(future_check);
        EnableItem(start_date_picker, on);
        EnableItem(start_time_picker, on);
        break;
    }
    case to_button:
        OnTo();
        break;
    case all_pull_files: {
        CAllPullFilesDlg files(services_.dialogs, host(), job_, IsDlgButtonChecked(pull_password_check));
        files.DoModal();
        break;
    }
    case submit_button:
        if (ValidateSubmission())
            EndDialog(IDOK);
        break;
    case help_button:
        host().help(help_topic);
        break;
    default:
        Dialog::OnCommand(control, code);
    }
}

bool CBroadcastSettings::ValidateSubmission()
{
    if (!created() || ended())
        return true;
    if (IsDlgButtonChecked(pull_password_check)) {
        if (GetDlgItemText(reenter_password_edit) != GetDlgItemText(master_password_edit)) {
            host().message_box(IDS_PULL_PASSWORD_MISMATCH, MB_OK | MB_ICONEXCLAMATION);
            GotoDlgCtrl(reenter_password_edit);
            return false;
        }
        if (GetDlgItemText(master_password_edit).empty()
            && host().message_box(IDS_MISSED_PULL_PASSWORD, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
            GotoDlgCtrl(master_password_edit);
            return false;
        }
    }
    if (!UpdateData(true))
        return false;
    if (future_delivery) {
        const auto moment = future_delivery_time(start_date, start_time);
        if ((!moment || *moment < now_of(services_.clock))
            && host().message_box(IDS_INCORRECT_DELIVERY_DATE, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return false;
    }
    return true;
}

void CBroadcastSettings::UpdateSubmitButton()
{
    const bool can = CanSubmit(GetDlgItemText(subject_edit), GetDlgItemText(addresses_edit),
        item(local_list_box).items.size(), item(remote_list_box).items.size());
    EnableItem(submit_button, can);
    item(submit_button).tooltip = can ? std::string() : host().strings().text(IDS_SUBMIT_NEEDS);
}

void CBroadcastSettings::add_list_entry(int list, const std::string& entry)
{
    // Local lists are paths, where case tells files apart; remote names are compared as the
    // service does, case ignored.
    const auto& items = item(list).items;
    const bool present = list == local_list_box ? std::find(items.begin(), items.end(), entry) != items.end()
                                                : find_string_exact(list, entry) >= 0;
    if (!present)
        add_string(list, entry);
}

void CBroadcastSettings::OnAddLocalList()
{
    OpenFileRequest request;
    request.title = host().strings().text(IDS_SELECT_LOCAL_LIST);
    request.filter = host().strings().text(IDS_LOCAL_LIST_FILTER);
    request.file_must_exist = true;
    request.multiple = true;
    const auto choice = host().open_file(request);
    if (choice) {
        for (const auto& path : choice->paths)
            add_list_entry(local_list_box, path);
    }
    UpdateSubmitButton();
}

void CBroadcastSettings::OnAddRemoteList()
{
    CRemoteListNamePrompt prompt(services_.dialogs, host());
    if (prompt.DoModal() == IDOK)
        add_list_entry(remote_list_box, std::string(core::trim_view(prompt.list_name)));
    UpdateSubmitButton();
}

void CBroadcastSettings::RemoveSelectedLists(int list)
{
    const std::vector<int> selected = selected_items(list);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        delete_string(list, *it);
    UpdateSubmitButton();
}

void CBroadcastSettings::OnTo()
{
    if (!services_.pick_recipients)
        return;
    std::string addresses = GetDlgItemText(addresses_edit);
    if (services_.pick_recipients(addresses))
        SetDlgItemText(addresses_edit, addresses);
}

void RunBroadcastSettings(settings_services& services, quorbis_broadcast& job)
{
    CBroadcastSettings dialog(services, job);
    if (dialog.DoModal() != IDOK)
        throw command_aborted();
    job.remote_lists.swap(dialog.remote_lists);
    job.replace_local_lists(std::move(dialog.local_lists));
    job.subject = dialog.subject;
    SplitAddresses(dialog.additional_addresses, ", ;", job.additional_addresses, true);
    job.charset = value_at(charset_values, dialog.charset_index);
    job.customer_reference = dialog.customer_reference;
    job.billing_code = dialog.billing_code;
    job.pull_expiration_days = dialog.pull_expiration_days;
    job.pull_security_secure = dialog.pull_security_index == 1;
    job.pull_password_needed = dialog.pull_password != 0;
    job.master_password = dialog.master_password;
    job.future_delivery = false;
    if (dialog.future_delivery != 0) {
        if (const auto moment = future_delivery_time(dialog.start_date, dialog.start_time)) {
            job.future_delivery = true;
            job.future_delivery_time = *moment;
        }
    }
    job.posting_report = dialog.posting_report == 1 ? "summary" : "none";
    job.completion_report = value_at(completion_report_values, dialog.completion_report_index);
    job.send_friend_report = value_at(send_friend_report_values, dialog.send_friend_report_index);
}

}
