#pragma once

#include "platform/ui/dialog.h"

namespace shell {

class CTalverinDocManager;

// Controls of the save-options panel (dialog 175).
inline constexpr int IDD_SAVE_OPTIONS = 175;
inline constexpr int IDC_DISPLAY_SAVE_RESULTS = 1084;
inline constexpr int IDC_SKIP_SAVE = 1127;
inline constexpr int IDC_CREATE_HTML_BODY = 1025; // + kind: HTML, HTML-lite, text
inline constexpr int IDC_HTML_FILE_SIZE = 1196;   // + kind

// The extra panel of the save dialog: which bodies the save creates (the manager's save
// mask), the size of each body file, whether the save results are shown, and "Ski&p", which
// ends the file dialog without a name. It works directly on the document manager.
class SaveOptionsPanel final : public platform::ui::Dialog {
public:
    // single_body: the active view edits one body only, so only the HTML body is offered.
    SaveOptionsPanel(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
        CTalverinDocManager& manager, bool single_body);

    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;

private:
    void show_body_boxes(int mask);
    void on_body_box_clicked();

    CTalverinDocManager& manager_;
    bool single_body_;
};

}
