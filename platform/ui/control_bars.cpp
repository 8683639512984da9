#include "platform/ui/control_bars.h"

#include <algorithm>

namespace platform::ui {

namespace {

bool less_no_case(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) < lower(y);
    });
}

constexpr int separator_width = 8;

}

void ControlBar::float_at(int x, int y)
{
    floating_ = true;
    place_ = {x, y, x + std::max(place_.width(), 0), y + std::max(place_.height(), 0)};
}

void ControlBar::attach(window_id window, int id, unsigned style, unsigned bar_style, bool visible)
{
    window_ = window;
    id_ = id;
    style_ = style;
    bar_style_ = bar_style;
    visible_ = visible;
}

void StatusBar::SetIndicators(const std::vector<int>& ids, const std::vector<std::string>& texts)
{
    panes_.clear();
    for (std::size_t i = 0; i < ids.size(); ++i)
        panes_.push_back({ids[i], i < texts.size() ? texts[i] : std::string(), 0});
}

int StatusBar::CommandToIndex(int id) const
{
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        if (panes_[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

bool StatusBar::SetPaneText(int index, std::string text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= panes_.size())
        return false;
    panes_[static_cast<std::size_t>(index)].text = std::move(text);
    return true;
}

void StatusBar::SetPaneInfo(int index, int id, int width)
{
    auto& pane = panes_.at(static_cast<std::size_t>(index));
    pane.id = id;
    pane.width = width;
}

int ToolControl::add_string(std::string text)
{
    if (!sorted) {
        items.push_back(std::move(text));
        return static_cast<int>(items.size()) - 1;
    }
    auto at = std::upper_bound(items.begin(), items.end(), text, less_no_case);
    auto index = at - items.begin();
    items.insert(at, std::move(text));
    if (selection >= index)
        ++selection;
    return static_cast<int>(index);
}

int ToolControl::find_string_exact(const std::string& text) const
{
    auto found = std::find_if(items.begin(), items.end(),
        [&](const std::string& item) { return !less_no_case(item, text) && !less_no_case(text, item); });
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

bool ToolBar::LoadToolBar(const ToolbarResource* resource)
{
    if (!resource)
        return false;
    resource_id_ = resource->id;
    button_width_ = resource->button_width;
    button_height_ = resource->button_height;
    buttons_.clear();
    controls_.clear();
    for (int command : resource->commands) {
        Button button;
        button.command = command;
        button.style = command == 0 ? TBSTYLE_SEP : TBSTYLE_BUTTON;
        button.width = command == 0 ? separator_width : button_width_;
        buttons_.push_back(button);
    }
    return true;
}

int ToolBar::CommandToIndex(int command) const
{
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i].command == command)
            return static_cast<int>(i);
    }
    return -1;
}

void ToolBar::CheckButton(int command, bool checked)
{
    for (auto& button : buttons_) {
        if (button.command == command)
            button.state = checked ? (button.state | TBSTATE_CHECKED) : (button.state & ~TBSTATE_CHECKED);
    }
}

bool ToolBar::IsButtonChecked(int command) const
{
    int index = CommandToIndex(command);
    return index >= 0 && (button(index).state & TBSTATE_CHECKED) != 0;
}

void ToolBar::EnableButton(int command, bool enabled)
{
    for (auto& button : buttons_) {
        if (button.command == command)
            button.state = enabled ? (button.state | TBSTATE_ENABLED) : (button.state & ~TBSTATE_ENABLED);
    }
}

bool ToolBar::IsButtonEnabled(int command) const
{
    int index = CommandToIndex(command);
    return index >= 0 && (button(index).state & TBSTATE_ENABLED) != 0;
}

int ToolBar::insert_button(int position, Button button)
{
    std::size_t at = (position < 0 || static_cast<std::size_t>(position) > buttons_.size())
        ? buttons_.size()
        : static_cast<std::size_t>(position);
    buttons_.insert(buttons_.begin() + static_cast<std::ptrdiff_t>(at), std::move(button));
    return static_cast<int>(at);
}

int ToolBar::insert_control(int position, ToolControl control)
{
    Button separator;
    separator.command = control.id;
    separator.style = TBSTYLE_SEP;
    separator.state = 0;
    separator.width = control.width;
    int at = insert_button(position, separator);
    controls_.push_back(std::move(control));
    return at;
}

ToolControl* ToolBar::control(int id)
{
    for (auto& control : controls_) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

rect ToolBar::item_rect(int index) const
{
    int left = 2;
    for (int i = 0; i < index && i < button_count(); ++i) {
        if (!(button(i).state & TBSTATE_HIDDEN))
            left += button(i).width;
    }
    int width = (index >= 0 && index < button_count()) ? button(index).width : 0;
    return {left, 2, left + width, 2 + button_height_};
}

int ToolBar::total_width() const
{
    return item_rect(button_count()).left + 2;
}

bool ReBar::AddBar(ControlBar& bar, bool gripper)
{
    if (!bar.created())
        return false;
    bands_.push_back({&bar, gripper, false});
    return true;
}

bool ReBar::MaximizeBand(std::size_t index)
{
    if (index >= bands_.size())
        return false;
    bands_[index].maximised = true;
    return true;
}

int ReBar::band_of(const ControlBar& bar) const
{
    for (std::size_t i = 0; i < bands_.size(); ++i) {
        if (bands_[i].bar == &bar)
            return static_cast<int>(i);
    }
    return -1;
}

int ReBar::docked_height() const
{
    int height = 0;
    for (const auto& band : bands_) {
        if (band.bar->visible())
            height += band.bar->docked_height() + 4;
    }
    return height;
}

}
