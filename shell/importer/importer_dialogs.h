#pragma once

// The importer's questions: what to do with a page's forms (274) and where a missing
// referenced file is (178).

#include "platform/ui/dialog.h"

#include <string>

namespace shell {

inline constexpr unsigned IDS_FORM_ELEMENTS_FOUND = 3104;
inline constexpr unsigned IDS_IGNORE_ALL_MISSING = 20023;
inline constexpr unsigned IDS_RESOURCE_FILTER = 20080;
inline constexpr unsigned IDS_NOT_OUR_PAGE = 21077;

// Puts an icon, a prompt and the caption into a prompt dialog's start: the importing prompt
// and the form question share it.
void start_prompt_dialog(platform::ui::Dialog& dialog, int icon, const std::string& prompt, const std::string& caption);

// "&Modify" (1202) or "&Ignore" (102); closed any other way it ends with the cancel id,
// which the importer takes as Modify.
class CCustomFormImportDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 274;
    static constexpr int IDC_ICON = 1095;
    static constexpr int IDC_PROMPT = 34014;
    static constexpr int IDC_MODIFY = 1202;
    static constexpr int IDC_IGNORE = 102;

    CCustomFormImportDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;
};

// The missing-resource box: OK (1), No (7), No to All (2, after a confirmation) or Yes to
// All (1143, only while the hosted-outside box is checked). The name can be edited only
// while that box is checked.
class CMissingResourceMBox final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 178;
    static constexpr int IDC_NAME = 1032;
    static constexpr int IDC_HOSTED_OUTSIDE = 1084;
    static constexpr int IDC_YES_TO_ALL = 1143;
    static constexpr int IDC_NO_TO_ALL = 2;
    static constexpr int IDC_NO = 7;

    CMissingResourceMBox(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
        std::string missing_name);
    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;
    void OnCancel() override;

    int hosted_outside = 0;
    std::string resource_name;
    int edited = 0;

private:
    void follow_check();
};

}
