#pragma once

#include "broadcast/contacts/contact_card.h"
#include "platform/ui/dialog.h"

#include <bitset>
#include <string>
#include <vector>

namespace broadcast {

// The letters each index button of the contact grid filters on: n buttons in all, of which
// the first two are "all" and "123"; the rest share "a" to "z" in order. No letter buttons
// when n is 2 or less.
std::vector<std::string> index_button_letters(int n);

// "Select Contacts": the contact store's contacts in a grid of the fields any of them holds,
// filtered by folder and by the first letter of "File As", sorted by a clicked column; OK
// gives the e-mail addresses of the selected rows.
class CContactsDialog2 : public platform::ui::Dialog {
public:
    static constexpr int template_id = 358;
    static constexpr int first_index_button = 23000;

    CContactsDialog2(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host,
        const std::vector<contacts::contact_card>& cards, const std::vector<std::string>& folder_names,
        const std::vector<std::string>& folder_ids, std::bitset<contacts::field_count> used_fields);

    void SetInitial(std::string text) { initial_ = std::move(text); }

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCommand(int control, int code) override;
    void OnSize(int width, int height) override;

    // Shows the contacts of the chosen folder (or all of them) whose field, lower-cased,
    // begins with one of the letters; no field: no letter filter.
    void FillGrid(int field = -1, const std::string& letters = {});

    const std::vector<std::string>& selected_addresses() const { return selected_addresses_; }

private:
    void sort_rows();

    const std::vector<contacts::contact_card>& cards_;
    const std::vector<std::string>& folder_names_;
    const std::vector<std::string>& folder_ids_;
    std::vector<int> columns_; // the field of each grid column
    std::vector<std::string> selected_addresses_;
    std::string initial_;
    int index_buttons_ = 0;    // made so far
    int sort_field_ = -1;
    bool sort_descending_ = false;
};

}
