#pragma once

#include "broadcast/job/quorbis_broadcast.h"
#include "platform/ui/dialog.h"

#include <string>

namespace broadcast {

// "Pull Files": the job's pull files, each with its password mark and kind; "&Modify..."
// changes one file's mark unless every file needs the password anyway.
class CAllPullFilesDlg : public platform::ui::Dialog {
public:
    static constexpr int template_id = 266;

    CAllPullFilesDlg(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host, quorbis_broadcast& job,
        bool all_need_password);

    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;

    int selected_row = -1;

private:
    // A pull file's path, whether it needs the password, and its type, by column.
    std::string cell_text(std::size_t index, std::size_t column);
    void OnModify();

    const platform::ui::DialogTemplates& dialogs_;
    quorbis_broadcast& job_;
    bool all_need_password_;
};

// "Pull File Properties": whether one pull file needs the password.
class CPullFilePropsDlg : public platform::ui::Dialog {
public:
    static constexpr int template_id = 267;

    CPullFilePropsDlg(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host, std::string pull_name,
        std::string pull_type, int password_needed);

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;

    std::string pull_name;
    std::string pull_type;
    int password_needed;
};

// The name as the properties show it: its first 35 characters and "..." when longer; a
// character is never cut.
std::string shortened_pull_name(const std::string& name);

}
