#pragma once

#include "platform/ui/dialog.h"

#include <string>
#include <vector>

namespace shell {

// Picks one picture out of a list: the choices are shown sorted, the entry beginning with
// the selected text (case ignored) is preselected, and OK leaves the selected entry's text
// (empty when none) in `selected`.
class CChooseImgDialog : public platform::ui::Dialog {
public:
    static constexpr int IDD = 300;
    static constexpr int IDC_LIST = 1109;

    CChooseImgDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;

    std::string selected;
    std::vector<std::string> choices;
};

// A link of a chosen address type. Opening never changes a destination that is given; an
// empty one starts as "http://". Choosing another type rewrites the destination's prefix
// (core::switch_link_type).
class CClickToDialog : public platform::ui::Dialog {
public:
    static constexpr int IDD = 1404;
    static constexpr int IDC_TYPE = 1026;
    static constexpr int IDC_DESTINATION = 1007;
    static constexpr int IDC_ALT_TEXT = 1004;

    // The caption replaces the template's title when not empty (string 20021 for hyperlinks).
    CClickToDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
        const char* caption = nullptr);
    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;

    std::string caption;
    std::string destination;
    std::string alternate_text;

private:
    void apply_type();
};

// A pull file: its source typed or browsed for, unless it is hosted outside the service.
class CPullFileDialog : public platform::ui::Dialog {
public:
    static constexpr int IDD = 1402;
    static constexpr int IDC_SOURCE = 1003;
    static constexpr int IDC_BROWSE = 3;
    static constexpr int IDC_HOSTED_OUTSIDE = 1085;
    static constexpr int IDC_ALT_TEXT = 1004;

    CPullFileDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;

    std::string pull_source;
    std::string alternate_text;
    int hosted_outside = 0;

private:
    void enable_browse();
};

// An e-mail link: address, subject and alternate text, exchanged as typed.
class CMailToDialog : public platform::ui::Dialog {
public:
    static constexpr int IDD = 1403;
    static constexpr int IDC_ADDRESS = 1007;
    static constexpr int IDC_SUBJECT = 1087;
    static constexpr int IDC_ALT_TEXT = 1004;

    CMailToDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    void DoDataExchange(platform::ui::DataExchange& exchange) override;

    std::string email_address;
    std::string subject;
    std::string alternate_text;
};

}
