#include "shell/documents/save_options_panel.h"

#include "core/files/file_text.h"
#include "platform/ui/messages.h"
#include "shell/documents/talverin_doc_manager.h"

namespace shell {

namespace {

constexpr int body_kinds = 3;

bool has_kind(int mask, int kind)
{
    return (mask & (1 << kind)) != 0;
}

}

SaveOptionsPanel::SaveOptionsPanel(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
    CTalverinDocManager& manager, bool single_body)
    : Dialog(dialog_template, host), manager_(manager), single_body_(single_body)
{
}

void SaveOptionsPanel::show_body_boxes(int mask)
{
    for (int kind = 0; kind < body_kinds; ++kind) {
        ShowItem(IDC_HTML_FILE_SIZE + kind, has_kind(mask, kind));
        CheckDlgButton(IDC_CREATE_HTML_BODY + kind, has_kind(mask, kind));
    }
}

bool SaveOptionsPanel::OnInitDialog()
{
    for (int kind = 0; kind < body_kinds; ++kind) {
        SetDlgItemText(IDC_HTML_FILE_SIZE + kind,
            core::format_file_size(manager_.GetDocFileName(kind, true), "%s Mb", "%s Kb", "%s b"));
    }
    CheckDlgButton(IDC_DISPLAY_SAVE_RESULTS, manager_.display_results() != 0);
    if (single_body_) {
        manager_.set_save_mask(1);
        ShowItem(IDC_HTML_FILE_SIZE + 1, false);
        ShowItem(IDC_HTML_FILE_SIZE + 2, false);
        CheckDlgButton(IDC_CREATE_HTML_BODY, true);
        EnableItem(IDC_CREATE_HTML_BODY + 1, false);
        EnableItem(IDC_CREATE_HTML_BODY + 2, false);
        return true;
    }
    if (manager_.save_mask() == 0)
        manager_.set_save_mask(1);
    const int mask = manager_.save_mask();
    show_body_boxes(mask);
    // With the HTML body alone it cannot be cleared.
    EnableItem(IDC_CREATE_HTML_BODY, mask != 1);
    return true;
}

void SaveOptionsPanel::on_body_box_clicked()
{
    int mask = manager_.save_mask() & ~0x7;
    for (int kind = 0; kind < body_kinds; ++kind) {
        const bool ticked = IsDlgButtonChecked(IDC_CREATE_HTML_BODY + kind);
        ShowItem(IDC_HTML_FILE_SIZE + kind, ticked);
        if (ticked)
            mask |= 1 << kind;
    }
    if ((mask & 0x7) == 0) {
        // Some body is always made: the HTML one comes back and stays.
        mask |= 1;
        CheckDlgButton(IDC_CREATE_HTML_BODY, true);
        ShowItem(IDC_HTML_FILE_SIZE, true);
        EnableItem(IDC_CREATE_HTML_BODY, false);
    } else {
        EnableItem(IDC_CREATE_HTML_BODY, true);
    }
    manager_.set_save_mask(mask);
}

void SaveOptionsPanel::OnCommand(int control, int code)
{
    if (code != platform::ui::BN_CLICKED)
        return;
    if (control >= IDC_CREATE_HTML_BODY && control < IDC_CREATE_HTML_BODY + body_kinds)
        on_body_box_clicked();
    else if (control == IDC_DISPLAY_SAVE_RESULTS)
        manager_.set_display_results(IsDlgButtonChecked(IDC_DISPLAY_SAVE_RESULTS) ? 1 : 0);
    else if (control == IDC_SKIP_SAVE)
        EndDialog(platform::ui::IDOK);
}

}
