#include "broadcast/recipients/contacts_dialog.h"

#include "core/markup/ascii.h"
#include "platform/ui/messages.h"

#include <algorithm>

namespace broadcast {

using namespace platform::ui;

namespace {
constexpr int grid = 1109;
constexpr int folder_combo = 1160;
constexpr const char* all_contacts = "All contacts";
}

std::vector<std::string> index_button_letters(int n)
{
    std::vector<std::string> labels;
    if (n <= 2)
        return labels;
    labels = {"all", "123"};
    const int letter_buttons = n - 2;
    const int share = 26 / letter_buttons;
    const double fraction = static_cast<double>(26 % letter_buttons) / letter_buttons;
    double running = 0, threshold = 0.999;
    char next = 'a';
    for (int b = 0; b < letter_buttons; ++b) {
        int count = share;
        running += fraction;
        if (running >= threshold) {
            ++count;
            threshold += 1;
        }
        std::string letters;
        for (int i = 0; i < count && next <= 'z'; ++i)
            letters += next++;
        labels.push_back(letters);
    }
    return labels;
}

CContactsDialog2::CContactsDialog2(const DialogTemplates& dialogs, UiHost& host,
    const std::vector<contacts::contact_card>& cards, const std::vector<std::string>& folder_names,
    const std::vector<std::string>& folder_ids, std::bitset<contacts::field_count> used_fields)
    : Dialog(dialogs.get(template_id), host), cards_(cards), folder_names_(folder_names), folder_ids_(folder_ids)
{
    for (int i = 0; i < contacts::field_count; ++i) {
        if (used_fields[static_cast<std::size_t>(i)])
            columns_.push_back(i);
    }
    // The first column always shows the name.
    if (columns_.empty() || columns_.front() != contacts::full_name)
        columns_.insert(columns_.begin(), contacts::full_name);
}

bool CContactsDialog2::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    auto& list = item(grid);
    list.declared.columns.clear();
    for (int field : columns_)
        list.declared.columns.push_back({std::string(contacts::ContactFieldName(field)), 65});
    // A row's value is its contact's index.
    list.cell_text = [this](std::size_t contact, std::size_t column) {
        return std::string(cards_[contact].field(columns_.at(column)));
    };
    for (const auto& name : folder_names_)
        add_string(folder_combo, name);
    if (folder_names_.size() > 1)
        add_string(folder_combo, all_contacts);
    set_cur_sel(folder_combo, 0);
    FillGrid();
    resize(dialog_template().min_width, dialog_template().min_height);
    GotoDlgCtrl(grid);
    return true;
}

void CContactsDialog2::FillGrid(int field, const std::string& letters)
{
    const int chosen = get_cur_sel(folder_combo);
    const bool every_folder = chosen >= 0 && static_cast<std::size_t>(chosen) >= folder_ids_.size();
    const std::string key = chosen >= 0 && !every_folder ? folder_ids_[static_cast<std::size_t>(chosen)]
        : every_folder                                   ? std::string()
        : !cards_.empty()                                ? cards_.front().folder_id
                                                         : std::string();
    auto& list = item(grid);
    list.rows.clear();
    std::vector<int> selected;
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        const auto& card = cards_[i];
        if (!every_folder && card.folder_id != key)
            continue;
        if (field >= 0) {
            const std::string_view value = card.field(field);
            if (value.empty() || letters.find(core::ascii_lower(value[0])) == std::string::npos)
                continue;
        }
        // Pre-selected: the contact's address stands whole in the initial text.
        const std::string_view email = initial_.empty() ? std::string_view() : card.field(contacts::email1);
        if (!email.empty()) {
            std::size_t start = 0;
            while (start <= initial_.size()) {
                std::size_t end = initial_.find_first_of(", ;", start);
                if (end == std::string::npos)
                    end = initial_.size();
                if (core::equal_ignoring_case(std::string_view(initial_).substr(start, end - start), email))
                    selected.push_back(static_cast<int>(list.rows.size()));
                start = end + 1;
            }
        }
        list.rows.push_back(i);
    }
    set_selected_items(grid, std::move(selected));
}

void CContactsDialog2::sort_rows()
{
    auto& list = item(grid);
    // Each row's key is copied, in row order, into one text, and the rows are sorted as pairs
    // of key and place: the merges then read memory in order instead of all over the cards.
    std::string key_text;
    std::vector<std::size_t> key_ends;
    key_ends.reserve(list.rows.size());
    for (std::size_t row : list.rows) {
        key_text += cards_[row].field(sort_field_);
        key_ends.push_back(key_text.size());
    }
    struct keyed_row {
        std::string_view key;
        std::size_t place; // in the rows as they were
    };
    std::vector<keyed_row> order(list.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t start = i == 0 ? 0 : key_ends[i - 1];
        order[i] = {std::string_view(key_text).substr(start, key_ends[i] - start), i};
    }
    std::stable_sort(order.begin(), order.end(), [&](const keyed_row& a, const keyed_row& b) {
        return sort_descending_ ? b.key < a.key : a.key < b.key;
    });
    std::vector<std::size_t> rows(order.size());
    std::vector<int> selected;
    const auto& was_selected = list.selected;
    for (std::size_t i = 0; i < order.size(); ++i) {
        rows[i] = list.rows[order[i].place];
        if (std::binary_search(was_selected.begin(), was_selected.end(), static_cast<int>(order[i].place)))
            selected.push_back(static_cast<int>(i));
    }
    list.rows = std::move(rows);
    set_selected_items(grid, std::move(selected));
}

void CContactsDialog2::OnCommand(int control, int code)
{
    if (control == folder_combo && code == CBN_SELCHANGE) {
        FillGrid();
        return;
    }
    if (control == grid && code == LVN_COLUMNCLICK) {
        const int column = item(grid).clicked_column;
        if (column < 0 || static_cast<std::size_t>(column) >= columns_.size())
            return;
        const int field = columns_[static_cast<std::size_t>(column)];
        sort_descending_ = field == sort_field_ ? !sort_descending_ : false;
        sort_field_ = field;
        sort_rows();
        return;
    }
    if (code == BN_CLICKED && control >= first_index_button && control < first_index_button + index_buttons_) {
        if (control == first_index_button)
            FillGrid();
        else
            FillGrid(contacts::file_as, item(control).text == "123" ? "0123456789" : item(control).text);
        return;
    }
    Dialog::OnCommand(control, code);
}

void CContactsDialog2::OnSize(int width, int height)
{
    move_item(grid, {14, 14, width - 55, height - 50});
    if (has_item(IDOK))
        move_item(IDOK, {width - 197, height - 29, 75, 23});
    if (has_item(IDCANCEL))
        move_item(IDCANCEL, {width - 116, height - 29, 75, 23});
    move_item(folder_combo, {14, height - 28, 160, 80});
    const auto labels = index_button_letters((height - 50) / 20);
    for (int b = 0; b < static_cast<int>(labels.size()); ++b) {
        const int id = first_index_button + b;
        if (b >= index_buttons_) {
            ControlTemplate button;
            button.id = id;
            button.kind = ControlKind::push_button;
            add_control(button);
            index_buttons_ = b + 1;
        }
        auto& made = item(id);
        made.text = labels[static_cast<std::size_t>(b)];
        made.visible = !made.text.empty();
        move_item(id, {width - 34, b == 0 ? 14 : 34 + 20 * (b - 1), 28, 15});
    }
    for (int b = static_cast<int>(labels.size()); b < index_buttons_; ++b)
        item(first_index_button + b).visible = false;
}

void CContactsDialog2::OnOK()
{
    selected_addresses_.clear();
    for (int row : selected_items(grid))
        selected_addresses_.emplace_back(cards_[item(grid).rows[static_cast<std::size_t>(row)]].field(contacts::email1));
    EndDialog(IDOK);
}

}
