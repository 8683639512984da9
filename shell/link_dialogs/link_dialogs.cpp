#include "shell/link_dialogs/link_dialogs.h"

#include "core/markup/ascii.h"
#include "core/url/link_types.h"
#include "platform/ui/messages.h"

namespace shell {

namespace {

// The first item that begins with the text, case ignored; -1 for none.
int first_item_beginning_with(const platform::ui::Control& control, std::string_view text)
{
    for (std::size_t index = 0; index < control.items.size(); ++index) {
        if (core::starts_with_ignoring_case(control.items[index], text))
            return static_cast<int>(index);
    }
    return -1;
}

constexpr int http_type = 4;

}

CChooseImgDialog::CChooseImgDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CChooseImgDialog::OnInitDialog()
{
    // The list is filled before the exchange, so the selected text finds its entry.
    for (const auto& choice : choices)
        add_string(IDC_LIST, choice);
    return Dialog::OnInitDialog();
}

void CChooseImgDialog::DoDataExchange(platform::ui::DataExchange& exchange)
{
    auto& list = item(IDC_LIST);
    if (exchange.saving()) {
        selected = list.selection >= 0 && static_cast<std::size_t>(list.selection) < list.items.size()
            ? list.items[static_cast<std::size_t>(list.selection)]
            : std::string();
    } else {
        set_cur_sel(IDC_LIST, first_item_beginning_with(list, selected));
    }
}

CClickToDialog::CClickToDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
    const char* caption)
    : Dialog(dialog_template, host), caption(caption ? caption : "")
{
}

bool CClickToDialog::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    if (!caption.empty())
        SetWindowText(caption);
    if (destination.empty()) {
        set_cur_sel(IDC_TYPE, http_type);
        apply_type();
        return true;
    }
    // A given destination stays as it is; the list only shows its scheme when listed.
    int type = 0;
    const auto colon = destination.find(':');
    if (colon != std::string::npos) {
        const int found = first_item_beginning_with(item(IDC_TYPE), std::string_view(destination).substr(0, colon));
        if (found >= 0)
            type = found;
    }
    set_cur_sel(IDC_TYPE, type);
    return true;
}

void CClickToDialog::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_DESTINATION, destination);
    exchange.text(IDC_ALT_TEXT, alternate_text);
}

void CClickToDialog::OnCommand(int control, int code)
{
    if (control == IDC_TYPE && code == platform::ui::CBN_SELCHANGE) {
        apply_type();
        return;
    }
    Dialog::OnCommand(control, code);
}

void CClickToDialog::apply_type()
{
    const auto& types = item(IDC_TYPE);
    const int index = types.selection;
    const std::string type = index >= 0 && static_cast<std::size_t>(index) < types.items.size()
        ? types.items[static_cast<std::size_t>(index)]
        : std::string("(other)");
    SetDlgItemText(IDC_DESTINATION, core::switch_link_type(GetDlgItemText(IDC_DESTINATION), type));
}

CPullFileDialog::CPullFileDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CPullFileDialog::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    enable_browse();
    return true;
}

void CPullFileDialog::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_SOURCE, pull_source);
    exchange.check(IDC_HOSTED_OUTSIDE, hosted_outside);
    exchange.text(IDC_ALT_TEXT, alternate_text);
}

void CPullFileDialog::OnCommand(int control, int code)
{
    if (control == IDC_HOSTED_OUTSIDE && code == platform::ui::BN_CLICKED) {
        enable_browse();
        return;
    }
    if (control == IDC_BROWSE && code == platform::ui::BN_CLICKED) {
        platform::ui::OpenFileRequest request;
        request.filter = "All Files (*.*)|*.*||";
        request.default_name = "*.*";
        request.file_must_exist = true;
        if (const auto chosen = host().open_file(request); chosen && !chosen->path.empty())
            SetDlgItemText(IDC_SOURCE, chosen->path);
        return;
    }
    Dialog::OnCommand(control, code);
}

void CPullFileDialog::enable_browse()
{
    EnableItem(IDC_BROWSE, !IsDlgButtonChecked(IDC_HOSTED_OUTSIDE));
}

CMailToDialog::CMailToDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

void CMailToDialog::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_ADDRESS, email_address);
    exchange.text(IDC_SUBJECT, subject);
    exchange.text(IDC_ALT_TEXT, alternate_text);
}

}
