#include "platform/ui/font_dialog.h"

#include "platform/ui/messages.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace platform::ui {

namespace {

struct named_colour {
    const char* name;
    std::uint32_t value; // 0x00BBGGRR
};

// The sixteen colours the dialog offers.
constexpr std::array<named_colour, 16> standard_colours {{
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000}, {"Purple", 0x800080}, {"Teal", 0x808000}, {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF}, {"Lime", 0x00FF00}, {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000}, {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
}};

bool equal_no_case(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string trimmed(const std::string& text)
{
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string tenths_text(int tenths)
{
    return tenths % 10 == 0 ? std::to_string(tenths / 10) : std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// Above this no font size is meant.
constexpr int most_point_tenths = 16380;

}

FontDialog::FontDialog(const DialogTemplates& templates, UiHost& host, const gfx::font_catalogue& fonts,
    LogFont initial, unsigned flags, std::uint32_t colour)
    : Dialog(templates.get(IDD_FONT_DIALOG), host), fonts_(fonts), font_(std::move(initial)), flags_(flags),
      colour_(colour)
{
}

const std::vector<int>& FontDialog::standard_sizes()
{
    static const std::vector<int> sizes {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

int FontDialog::parse_point_tenths(const std::string& text)
{
    auto value = trimmed(text);
    int tenths = 0;
    std::size_t i = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        tenths = tenths * 10 + (value[i] - '0') * 10;
        if (tenths > most_point_tenths)
            return -1;
    }
    if (i == 0)
        return -1;
    if (i < value.size() && value[i] == '.') {
        ++i;
        if (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])))
            tenths += value[i++] - '0';
        while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])))
            ++i; // finer than a tenth is dropped
    }
    if (i != value.size() || tenths <= 0)
        return -1;
    return tenths;
}

bool FontDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    auto& faces = item(IDC_FONT_FACE);
    faces.items = fonts_.families((flags_ & CF_TTONLY) != 0);
    std::sort(faces.items.begin(), faces.items.end());
    int shown = -1;
    for (std::size_t i = 0; i < faces.items.size(); ++i) {
        if (equal_no_case(faces.items[i], font_.face))
            shown = static_cast<int>(i);
    }
    set_cur_sel(IDC_FONT_FACE, shown);
    faces.text = shown >= 0 ? faces.items[static_cast<std::size_t>(shown)] : font_.face;
    fill_styles_and_sizes(faces.text);

    for (std::size_t i = 0; i < styles_.size(); ++i) {
        if (styles_[i].italic == font_.italic && styles_[i].weight == font_.weight) {
            set_cur_sel(IDC_FONT_STYLE, static_cast<int>(i));
            item(IDC_FONT_STYLE).text = styles_[i].name;
            break;
        }
    }
    if (font_.point_tenths > 0) {
        auto text = tenths_text(font_.point_tenths);
        set_cur_sel(IDC_FONT_SIZE, find_string_exact(IDC_FONT_SIZE, text));
        item(IDC_FONT_SIZE).text = text;
    }

    bool effects = (flags_ & CF_EFFECTS) != 0;
    for (int id : {IDC_FONT_STRIKEOUT, IDC_FONT_UNDERLINE, IDC_FONT_COLOR}) {
        if (has_item(id))
            ShowItem(id, effects);
    }
    if (effects) {
        CheckDlgButton(IDC_FONT_STRIKEOUT, font_.strike_out);
        CheckDlgButton(IDC_FONT_UNDERLINE, font_.underline);
        auto& colours = item(IDC_FONT_COLOR);
        colours.items.clear();
        colours_.clear();
        for (const auto& colour : standard_colours) {
            colours.items.push_back(colour.name);
            colours_.push_back(colour.value);
        }
        auto found = std::find(colours_.begin(), colours_.end(), colour_ & 0xFFFFFF);
        if (found == colours_.end()) {
            colours.items.push_back("Custom");
            colours_.push_back(colour_ & 0xFFFFFF);
            found = colours_.end() - 1;
        }
        set_cur_sel(IDC_FONT_COLOR, static_cast<int>(found - colours_.begin()));
    }
    return true;
}

std::string FontDialog::current_face() const
{
    const auto& faces = item(IDC_FONT_FACE);
    if (faces.selection >= 0 && static_cast<std::size_t>(faces.selection) < faces.items.size())
        return faces.items[static_cast<std::size_t>(faces.selection)];
    return trimmed(faces.text);
}

void FontDialog::fill_styles_and_sizes(const std::string& face)
{
    auto& style_box = item(IDC_FONT_STYLE);
    std::string kept_style = style_box.text;
    styles_ = fonts_.styles(face);
    style_box.items.clear();
    for (const auto& style : styles_)
        style_box.items.push_back(style.name);
    int style_index = find_string_exact(IDC_FONT_STYLE, kept_style);
    set_cur_sel(IDC_FONT_STYLE, style_index >= 0 ? style_index : (styles_.empty() ? -1 : 0));
    style_box.text = style_box.selection >= 0 ? style_box.items[static_cast<std::size_t>(style_box.selection)] : "";

    auto& size_box = item(IDC_FONT_SIZE);
    std::string kept_size = size_box.text;
    size_box.items.clear();
    if (!styles_.empty()) {
        for (int size : standard_sizes())
            size_box.items.push_back(std::to_string(size));
    }
    set_cur_sel(IDC_FONT_SIZE, find_string_exact(IDC_FONT_SIZE, kept_size));
    size_box.text = kept_size;
}

void FontDialog::OnCommand(int control, int code)
{
    if (control == IDC_FONT_FACE && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)) {
        auto& faces = item(IDC_FONT_FACE);
        if (code == CBN_SELCHANGE && faces.selection >= 0)
            faces.text = faces.items[static_cast<std::size_t>(faces.selection)];
        if (code == CBN_EDITCHANGE) {
            // A typed name that names a face selects it.
            for (std::size_t i = 0; i < faces.items.size(); ++i) {
                if (equal_no_case(faces.items[i], trimmed(faces.text)))
                    faces.selection = static_cast<int>(i);
            }
        }
        fill_styles_and_sizes(current_face());
        return;
    }
    if ((control == IDC_FONT_STYLE || control == IDC_FONT_SIZE) && code == CBN_SELCHANGE) {
        auto& box = item(control);
        if (box.selection >= 0)
            box.text = box.items[static_cast<std::size_t>(box.selection)];
        return;
    }
    Dialog::OnCommand(control, code);
}

void FontDialog::OnOK()
{
    auto face = current_face();
    const auto& faces = item(IDC_FONT_FACE).items;
    auto listed = std::find_if(faces.begin(), faces.end(), [&](const std::string& f) { return equal_no_case(f, face); });
    if (listed == faces.end()) {
        host().message_box("There is no font with that name.\nChoose a font from the list of fonts.",
            MB_OK | MB_ICONEXCLAMATION);
        GotoDlgCtrl(IDC_FONT_FACE);
        return;
    }
    const auto& size_box = item(IDC_FONT_SIZE);
    std::string size_text = size_box.selection >= 0 ? size_box.items[static_cast<std::size_t>(size_box.selection)]
                                                    : size_box.text;
    int tenths = parse_point_tenths(size_text);
    if (tenths < 0) {
        host().message_box("Size must be a number.", MB_OK | MB_ICONEXCLAMATION);
        GotoDlgCtrl(IDC_FONT_SIZE);
        return;
    }
    LogFont chosen;
    chosen.face = *listed;
    chosen.point_tenths = tenths;
    const auto& style_box = item(IDC_FONT_STYLE);
    int style_index = style_box.selection;
    if (style_index < 0) {
        for (std::size_t i = 0; i < styles_.size(); ++i) {
            if (equal_no_case(styles_[i].name, trimmed(style_box.text)))
                style_index = static_cast<int>(i);
        }
    }
    if (style_index < 0 && !styles_.empty())
        style_index = 0;
    if (style_index >= 0) {
        chosen.weight = styles_[static_cast<std::size_t>(style_index)].weight;
        chosen.italic = styles_[static_cast<std::size_t>(style_index)].italic;
    }
    if (flags_ & CF_EFFECTS) {
        chosen.strike_out = IsDlgButtonChecked(IDC_FONT_STRIKEOUT);
        chosen.underline = IsDlgButtonChecked(IDC_FONT_UNDERLINE);
        int colour = get_cur_sel(IDC_FONT_COLOR);
        if (colour >= 0 && static_cast<std::size_t>(colour) < colours_.size())
            colour_ = colours_[static_cast<std::size_t>(colour)];
    }
    font_ = std::move(chosen);
    EndDialog(IDOK);
}

}
