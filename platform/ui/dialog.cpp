#include "platform/ui/dialog.h"

#include "platform/strings/string_table.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace platform::ui {

namespace {

// Thrown inside an exchange after the user was told; UpdateData turns it into false.
struct exchange_failure { };

// A whole integer, blanks allowed around it: "12x" and "" are not integers.
std::optional<int> parse_int(const std::string& text)
{
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    if (*begin == '\0')
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return std::nullopt;
    return static_cast<int>(value);
}

bool less_ignoring_case(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

bool equal_ignoring_case(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && !less_ignoring_case(a, b) && !less_ignoring_case(b, a);
}

}

void DataExchange::Fail()
{
    if (last_control_ != 0 && dialog_.has_item(last_control_))
        dialog_.GotoDlgCtrl(last_control_);
    throw exchange_failure {};
}

void DataExchange::text(int id, std::string& value)
{
    last_control_ = id;
    if (save_)
        value = dialog_.GetDlgItemText(id);
    else
        dialog_.SetDlgItemText(id, value);
}

void DataExchange::text(int id, int& value)
{
    last_control_ = id;
    if (!save_) {
        dialog_.SetDlgItemText(id, std::to_string(value));
        return;
    }
    auto parsed = parse_int(dialog_.GetDlgItemText(id));
    if (!parsed) {
        dialog_.host().message_box(IDP_PARSE_INT, MB_OK | MB_ICONEXCLAMATION);
        Fail();
    }
    value = *parsed;
}

void DataExchange::check(int id, int& value)
{
    last_control_ = id;
    if (save_)
        value = dialog_.IsDlgButtonChecked(id) ? 1 : 0;
    else
        dialog_.CheckDlgButton(id, value != 0);
}

void DataExchange::radio(int first_id, int& value)
{
    last_control_ = first_id;
    // The group: the radios from first_id up to the next group start.
    std::vector<int> group;
    bool inside = false;
    for (const auto& control : dialog_.controls()) {
        if (control.declared.id == first_id) {
            inside = true;
        } else if (inside && (control.declared.group || control.declared.kind != ControlKind::radio_button)) {
            break;
        }
        if (inside)
            group.push_back(control.declared.id);
    }
    if (save_) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (dialog_.IsDlgButtonChecked(group[i]))
                value = static_cast<int>(i);
        }
    } else {
        for (std::size_t i = 0; i < group.size(); ++i)
            dialog_.CheckDlgButton(group[i], static_cast<int>(i) == value);
    }
}

void DataExchange::combo_string(int id, std::string& value)
{
    last_control_ = id;
    auto& combo = dialog_.item(id);
    if (save_) {
        value = combo.declared.editable || combo.selection < 0 ? combo.text
                                                           : combo.items.at(static_cast<std::size_t>(combo.selection));
        return;
    }
    // Selects the first item that starts with the value, as the platform's select-string does.
    auto found = std::find_if(combo.items.begin(), combo.items.end(),
        [&](const std::string& item) { return item.compare(0, value.size(), value) == 0; });
    if (found != combo.items.end())
        dialog_.set_cur_sel(id, static_cast<int>(found - combo.items.begin()));
    else if (combo.declared.editable)
        combo.text = value;
}

void DataExchange::list_string(int id, std::string& value)
{
    last_control_ = id;
    auto& list = dialog_.item(id);
    if (save_) {
        value = list.selection >= 0 && static_cast<std::size_t>(list.selection) < list.items.size()
            ? list.items[static_cast<std::size_t>(list.selection)]
            : std::string();
        return;
    }
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    auto found = std::find_if(list.items.begin(), list.items.end(), [&](const std::string& item) {
        return item.size() >= value.size()
            && std::equal(value.begin(), value.end(), item.begin(), [&](char a, char b) { return lower(a) == lower(b); });
    });
    dialog_.set_cur_sel(id, found == list.items.end() ? -1 : static_cast<int>(found - list.items.begin()));
}

void DataExchange::combo_index(int id, int& value)
{
    last_control_ = id;
    if (save_)
        value = dialog_.get_cur_sel(id);
    else
        dialog_.set_cur_sel(id, value);
}

void DataExchange::date_time(int id, calendar_time& value)
{
    last_control_ = id;
    auto& picker = dialog_.item(id);
    if (save_)
        value = picker.moment;
    else
        picker.moment = value;
}

void DataExchange::int_range(long long value, int low, int high)
{
    if (!save_ || (value >= low && value <= high))
        return;
    dialog_.host().message_box(IDP_PARSE_INT_RANGE, MB_OK | MB_ICONEXCLAMATION,
        {std::to_string(low), std::to_string(high)});
    Fail();
}

void DataExchange::max_chars(const std::string& value, std::size_t most)
{
    if (!save_ || value.size() <= most)
        return;
    dialog_.host().message_box(IDP_PARSE_STRING_SIZE, MB_OK | MB_ICONEXCLAMATION, {std::to_string(most)});
    Fail();
}

Dialog::Dialog(const DialogTemplate& dialog_template, UiHost& host)
    : template_(dialog_template), host_(host), caption_(dialog_template.caption)
{
}

Dialog::~Dialog()
{
    if (auto window = window_.exchange(0))
        host_.ui_queue()->destroy_window(window);
}

void Dialog::EndDialog(int code)
{
    end_code_ = code;
    if (auto window = window_.exchange(0))
        host_.ui_queue()->destroy_window(window);
}

bool Dialog::post(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    const auto window = window_.load();
    return window != 0 && host_.ui_queue()->post(window, id, wparam, lparam);
}

void Dialog::set_range(int id, int low, int high)
{
    auto& control = item(id);
    control.declared.low = low;
    control.declared.high = std::max(low, high);
    set_position(id, control.position);
}

void Dialog::set_position(int id, int position)
{
    auto& control = item(id);
    control.position = std::clamp(position, control.declared.low, control.declared.high);
}

bool Dialog::create()
{
    controls_.clear();
    for (const auto& options : template_.controls) {
        Control control;
        control.declared = options;
        control.text = options.text;
        control.items = options.items;
        if (options.sorted)
            std::stable_sort(control.items.begin(), control.items.end(), less_ignoring_case);
        control.enabled = options.enabled;
        control.visible = options.visible;
        control.read_only = options.read_only;
        control.image = options.bitmap;
        control.position = options.low;
        if (options.tooltip != 0)
            control.tooltip = host_.strings().text(static_cast<unsigned>(options.tooltip));
        controls_.push_back(std::move(control));
    }
    created_ = true;
    end_code_.reset();
    if (auto* queue = host_.ui_queue(); queue && window_.load() == 0) {
        window_options options;
        options.text = template_.caption;
        options.handler = [this](const message& posted) -> std::intptr_t {
            if (posted.id >= WM_USER)
                OnMessage(posted.id, posted.wparam, posted.lparam);
            return 0;
        };
        window_.store(queue->create_window(std::move(options)));
    }
    if (!OnInitDialog() && !ended())
        EndDialog(-1);
    return !ended();
}

bool Dialog::UpdateData(bool save)
{
    DataExchange exchange(*this, save);
    try {
        DoDataExchange(exchange);
    } catch (const exchange_failure&) {
        return false;
    }
    return true;
}

bool Dialog::OnInitDialog()
{
    if (!UpdateData(false)) {
        EndDialog(-1);
        return false;
    }
    return true;
}

void Dialog::OnOK()
{
    if (!UpdateData(true)) {
        ui_trace("UpdateData failed during dialog termination.\n");
        return;
    }
    EndDialog(IDOK);
}

void Dialog::OnCommand(int control, int code)
{
    if (code != BN_CLICKED)
        return;
    if (control == IDOK)
        OnOK();
    else if (control == IDCANCEL)
        OnCancel();
}

void Dialog::OnHelp(int control)
{
    if (has_item(control) && item(control).declared.help_context != 0)
        host_.help(item(control).declared.help_context, help_style::popup);
    else
        host_.help(help_context());
}

bool Dialog::has_item(int id) const
{
    return std::any_of(controls_.begin(), controls_.end(), [&](const Control& c) { return c.declared.id == id; });
}

Control& Dialog::item(int id)
{
    return const_cast<Control&>(static_cast<const Dialog&>(*this).item(id));
}

const Control& Dialog::item(int id) const
{
    for (const auto& control : controls_) {
        if (control.declared.id == id)
            return control;
    }
    throw std::out_of_range("dialog " + std::to_string(template_.id) + " has no control " + std::to_string(id));
}

void Dialog::set_text_notifying(Control& control, const std::string& text)
{
    int id = control.declared.id;
    control.text = text;
    if (control.declared.kind == ControlKind::edit) {
        OnCommand(id, EN_UPDATE);
        OnCommand(id, EN_CHANGE);
    }
}

void Dialog::SetDlgItemText(int id, const std::string& text)
{
    set_text_notifying(item(id), text);
}

void Dialog::set_cur_sel(int id, int index)
{
    auto& combo = item(id);
    if (index < -1 || index >= static_cast<int>(combo.items.size()))
        index = -1;
    combo.selection = index;
    // A combo box shows the selected item as its text; a list box keeps its caption.
    if (combo.declared.kind != ControlKind::list_box)
        combo.text = index < 0 ? std::string() : combo.items[static_cast<std::size_t>(index)];
}

int Dialog::add_string(int id, const std::string& text)
{
    auto& list = item(id);
    auto at = list.items.end();
    if (list.declared.sorted)
        at = std::upper_bound(list.items.begin(), list.items.end(), text, less_ignoring_case);
    const int index = static_cast<int>(at - list.items.begin());
    list.items.insert(at, text);
    // Selections after the new item move with their items.
    for (int& selected : list.selected) {
        if (selected >= index)
            ++selected;
    }
    if (list.selection >= index)
        ++list.selection;
    return index;
}

void Dialog::delete_string(int id, int index)
{
    auto& list = item(id);
    if (index < 0 || index >= static_cast<int>(list.items.size()))
        return;
    list.items.erase(list.items.begin() + index);
    std::vector<int> kept;
    for (int selected : list.selected) {
        if (selected != index)
            kept.push_back(selected > index ? selected - 1 : selected);
    }
    list.selected = std::move(kept);
    if (list.selection == index)
        list.selection = -1;
    else if (list.selection > index)
        --list.selection;
}

int Dialog::find_string_exact(int id, const std::string& text) const
{
    const auto& items = item(id).items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (equal_ignoring_case(items[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

void Dialog::set_selected_items(int id, std::vector<int> indices)
{
    auto& list = item(id);
    const int count = static_cast<int>(list.declared.kind == ControlKind::list_view ? list.rows.size() : list.items.size());
    std::erase_if(indices, [count](int i) { return i < 0 || i >= count; });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    list.selected = std::move(indices);
}

void Dialog::GotoDlgCtrl(int id)
{
    focus_ = id;
    auto& control = item(id);
    control.selection_start = 0;
    control.selection_end = control.text.size();
}

std::vector<int> Dialog::radio_group(int id) const
{
    std::size_t at = 0;
    while (at < controls_.size() && controls_[at].declared.id != id)
        ++at;
    std::size_t start = at;
    while (start > 0 && !controls_[start].declared.group && controls_[start - 1].declared.kind == ControlKind::radio_button)
        --start;
    std::vector<int> group;
    for (std::size_t i = start; i < controls_.size(); ++i) {
        if (i > start && (controls_[i].declared.group || controls_[i].declared.kind != ControlKind::radio_button))
            break;
        group.push_back(controls_[i].declared.id);
    }
    return group;
}

void Dialog::user_type(int id, const std::string& text)
{
    auto& control = item(id);
    focus_ = id;
    std::string typed = text;
    if (control.declared.limit > 0 && typed.size() > static_cast<std::size_t>(control.declared.limit))
        typed.resize(static_cast<std::size_t>(control.declared.limit));
    if (control.declared.kind == ControlKind::combo_box) {
        control.text = typed;
        control.selection = -1;
        OnCommand(id, CBN_EDITCHANGE);
        return;
    }
    set_text_notifying(control, typed);
}

void Dialog::user_click(int id)
{
    auto& control = item(id);
    focus_ = id;
    if (control.declared.kind == ControlKind::check_box) {
        control.checked = !control.checked;
    } else if (control.declared.kind == ControlKind::radio_button && control.declared.auto_radio) {
        for (int other : radio_group(id))
            item(other).checked = false;
        item(id).checked = true;
    }
    OnCommand(id, BN_CLICKED);
}

void Dialog::user_select(int id, int index)
{
    focus_ = id;
    set_cur_sel(id, index);
    OnCommand(id, CBN_SELCHANGE);
}

void Dialog::user_spin(int id, int steps)
{
    auto& spin = item(id);
    focus_ = id;
    spin.position = std::clamp(spin.position + steps, spin.declared.low, spin.declared.high);
    if (spin.declared.buddy != 0 && has_item(spin.declared.buddy))
        SetDlgItemText(spin.declared.buddy, std::to_string(spin.position));
}

void Dialog::user_select_items(int id, std::vector<int> indices)
{
    focus_ = id;
    set_selected_items(id, std::move(indices));
    OnCommand(id, item(id).declared.kind == ControlKind::list_view ? NM_CLICK : LBN_SELCHANGE);
}

Control& Dialog::add_control(ControlTemplate declared)
{
    if (has_item(declared.id))
        throw std::invalid_argument("dialog " + std::to_string(template_.id) + " has a control " + std::to_string(declared.id));
    Control control;
    control.text = declared.text;
    control.items = declared.items;
    control.enabled = declared.enabled;
    control.visible = declared.visible;
    control.declared = std::move(declared);
    controls_.push_back(std::move(control));
    return controls_.back();
}

void Dialog::resize(int width, int height)
{
    width_ = std::max(width, template_.min_width);
    height_ = std::max(height, template_.min_height);
    OnSize(width_, height_);
}

void Dialog::user_click_column(int id, int column)
{
    focus_ = id;
    item(id).clicked_column = column;
    OnCommand(id, LVN_COLUMNCLICK);
}

void Dialog::user_set_moment(int id, const calendar_time& moment)
{
    focus_ = id;
    item(id).moment = moment;
    OnCommand(id, DTN_DATETIMECHANGE);
}

PropertySheet::PropertySheet(int id, std::string caption, UiHost& host)
    : id_(id), caption_(std::move(caption)), host_(host)
{
}

bool PropertySheet::activate(int index)
{
    auto& page = *pages_.at(static_cast<std::size_t>(index));
    if (!page.created()) {
        if (!page.create())
            return false;
    } else if (!page.UpdateData(false)) {
        return false;
    }
    active_ = index;
    page.OnSetActive();
    return true;
}

bool PropertySheet::begin(int start_page)
{
    end_code_.reset();
    if (pages_.empty() || start_page < 0 || start_page >= static_cast<int>(pages_.size()))
        return false;
    return activate(start_page);
}

bool PropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= static_cast<int>(pages_.size()))
        return false;
    if (index == active_)
        return true;
    if (active_ >= 0 && !active_page().OnKillActive())
        return false;
    return activate(index);
}

void PropertySheet::press_ok()
{
    if (active_ >= 0 && !active_page().OnKillActive())
        return;
    for (auto* page : pages_) {
        if (page->created())
            page->OnOK();
    }
    end_code_ = IDOK;
}

}
