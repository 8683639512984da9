#include "platform/ui/recent_file_list.h"

#include <cstdio>
#include <filesystem>

namespace platform::ui {

RecentFileList::RecentFileList(int first_command, std::string section, std::string entry_format, int size,
    int display_length)
    : entries_(static_cast<std::size_t>(size > 0 ? size : 0)), first_command_(first_command),
      section_(std::move(section)), entry_format_(std::move(entry_format)), display_length_(display_length)
{
}

std::string RecentFileList::entry_name(int index) const
{
    // The format holds one "%d"; anything else is replaced by the plain number after it.
    auto at = entry_format_.find("%d");
    if (at == std::string::npos)
        return entry_format_ + std::to_string(index + 1);
    return entry_format_.substr(0, at) + std::to_string(index + 1) + entry_format_.substr(at + 2);
}

void RecentFileList::Add(const std::string& path)
{
    if (path.empty() || entries_.empty())
        return;
    std::string full = path;
    if (path[0] != '/') {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(path, ec);
        if (!ec)
            full = absolute.lexically_normal().string();
    }
    std::size_t found = entries_.size() - 1;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i] == full) {
            found = i;
            break;
        }
    }
    for (std::size_t i = found; i > 0; --i)
        entries_[i] = entries_[i - 1];
    entries_[0] = full;
}

void RecentFileList::Remove(int index)
{
    if (index < 0 || index >= size())
        return;
    entries_.erase(entries_.begin() + index);
    entries_.emplace_back();
}

void RecentFileList::ReadList(const registry::profile& profile)
{
    for (int i = 0; i < size(); ++i)
        entries_[static_cast<std::size_t>(i)] = profile.get_string(section_, entry_name(i), "");
}

registry::status RecentFileList::WriteList(registry::profile& profile) const
{
    std::vector<registry::named_value> values;
    for (int i = 0; i < size(); ++i) {
        const auto& entry = entries_[static_cast<std::size_t>(i)];
        if (!entry.empty())
            values.push_back({entry_name(i), entry});
    }
    return profile.replace_section(section_, values);
}

bool RecentFileList::show_empty(CmdUI& ui)
{
    if (!original_known_ && ui.menu && ui.index < ui.menu->count()) {
        original_text_ = ui.menu->at(ui.index).text;
        original_known_ = true;
    }
    if (!entries_.empty() && !entries_[0].empty())
        return false;
    if (original_known_)
        ui.SetText(original_text_);
    ui.Enable(false);
    return true;
}

void RecentFileList::insert_items(CmdUI& ui, const std::vector<std::string>& texts)
{
    if (!ui.menu)
        return;
    for (int i = 0; i < size(); ++i)
        ui.menu->delete_by_id(first_command_ + i);
    std::size_t index = ui.index;
    int id = first_command_;
    for (const auto& text : texts)
        ui.menu->insert(index++, MenuItem {id++, text, true, false, nullptr});
    ui.index = index == ui.index ? ui.index : index - 1; // the last item inserted
    ui.count = ui.menu->count();
}

}
