#pragma once

#include "platform/ui/dialog.h"
#include "shell/app_context.h"

#include <array>
#include <string>

namespace shell {

// "Build <major>.<minor>.<build>.<revision>    (<date>)" from the item's own format: each
// "%d" takes the next number, "%s" the date text; the date text is "%.2d/%.2d/04" of
// build and revision.
std::string about_version_text(const std::string& format, const std::array<unsigned, 4>& version);

class CAboutDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 100;
    static constexpr int IDC_PICTURE = 1118;
    static constexpr int IDC_VERSION = 1117;
    static constexpr int picture_bitmap = 203;

    explicit CAboutDlg(AppContext& context);
    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;

private:
    AppContext& context_;
};

}
