#pragma once

#include "platform/registry/profile.h"
#include "platform/ui/command_router.h"

#include <string>
#include <vector>

namespace platform::ui {

// The list of recently used files shown in a menu: most recent first, a fixed number of
// entries (empty ones at the end), kept in a profile section as "<format n>" values.
class RecentFileList {
public:
    RecentFileList(int first_command, std::string section, std::string entry_format, int size, int display_length);
    virtual ~RecentFileList() = default;

    int first_command() const { return first_command_; }
    int size() const { return static_cast<int>(entries_.size()); }
    int display_length() const { return display_length_; }
    const std::string& section() const { return section_; }
    const std::string& operator[](int index) const { return entries_.at(static_cast<std::size_t>(index)); }

    // Puts the path first; an equal entry (compared exactly) moves up instead. Relative
    // paths are made absolute against the current folder; an empty path is ignored.
    void Add(const std::string& path);
    void Remove(int index);

    void ReadList(const registry::profile& profile);
    // The section becomes exactly the non-empty entries.
    [[nodiscard]] registry::status WriteList(registry::profile& profile) const;

    // Fills the menu from the update position with one item per entry.
    virtual void UpdateMenu(CmdUI& ui) = 0;

    // The value name of entry `index` (0-based): the format filled with index + 1.
    std::string entry_name(int index) const;

protected:
    std::vector<std::string> entries_;
    std::string original_text_; // the menu item's own text, shown while the list is empty
    bool original_known_ = false;

    // Puts the menu back to the single item with the original text, disabled.
    bool show_empty(CmdUI& ui);
    // Deletes the previous entries' items and inserts one item per non-empty entry.
    void insert_items(CmdUI& ui, const std::vector<std::string>& texts);

private:
    int first_command_;
    std::string section_;
    std::string entry_format_;
    int display_length_;
};

}
