#include "shell/about_dlg.h"

#include <cstdio>

namespace shell {

std::string about_version_text(const std::string& format, const std::array<unsigned, 4>& version)
{
    char date[32];
    std::snprintf(date, sizeof date, "%.2u/%.2u/04", version[2], version[3]);
    std::string out;
    std::size_t number = 0;
    // The format is data: only %d, %s and %% are filled, anything else is kept as written.
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            char kind = format[i + 1];
            if (kind == 'd' && number < version.size()) {
                out += std::to_string(version[number++]);
                ++i;
                continue;
            }
            if (kind == 's') {
                out += date;
                ++i;
                continue;
            }
            if (kind == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

CAboutDlg::CAboutDlg(AppContext& context)
    : Dialog(context.services.dialogs.get(IDD), context.services.ui), context_(context)
{
}

void CAboutDlg::DoDataExchange(platform::ui::DataExchange& exchange)
{
    if (!exchange.saving())
        SetDlgItemText(IDC_VERSION, about_version_text(GetDlgItemText(IDC_VERSION), context_.services.file_version));
}

bool CAboutDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    item(IDC_PICTURE).image = picture_bitmap;
    return true;
}

}
