#include "broadcast/recipients/mapi_book.h"

#include "core/log/trace_log.h"
#include "core/markup/ascii.h"

#include <iterator>

namespace broadcast {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<unsigned long long> HexToNumber(const std::string& text)
{
    if (text.empty() || text.size() > 16)
        return std::nullopt;
    unsigned long long number = 0;
    for (char c : core::ascii_lowercase(text)) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    return number;
}

std::string hex_of(const std::string& bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int CMAPIBook::init()
{
    if (open_)
        return 1;
    open_ = books_.opens(3);
    TRACE_LOG("CMAPIBook::init -- the contact store %s\n", open_ ? "opens" : "does not open");
    return open_ ? 1 : 0;
}

bool CMAPIBook::GetAllContacts(std::vector<std::string>& folder_names, std::vector<std::string>& folder_ids,
    std::vector<contacts::contact_card>& cards)
{
    if (!open_)
        return false;
    std::vector<contacts::contact_folder> folders;
    std::vector<contacts::contact_card> read;
    std::string problem;
    if (!books_.read_contact_store(folders, read, problem)) {
        TRACE_LOG("CMAPIBook::GetAllContacts -- %s\n", problem.c_str());
        return false;
    }
    for (const auto& folder : folders) {
        folder_names.push_back(folder.name);
        folder_ids.push_back(hex_of(folder.id));
    }
    // The cards of a folder come one after another: the id is turned into hex once per run.
    std::string folder_id, hex_id;
    for (auto& card : read) {
        if (card.folder_id != folder_id) {
            folder_id = card.folder_id;
            hex_id = hex_of(folder_id);
        }
        card.folder_id = hex_id;
        for (int i = 0; i < contacts::field_count; ++i) {
            if (!card.field(i).empty())
                used_fields_.set(static_cast<std::size_t>(i));
        }
    }
    if (cards.empty())
        cards = std::move(read);
    else
        cards.insert(cards.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    return true;
}

std::string CMAPIBook::GetEmailByEntryID(const std::string& hex_id)
{
    if (hex_id.size() % 2 != 0)
        return {};
    std::string id;
    for (std::size_t i = 0; i < hex_id.size(); i += 2) {
        const auto byte = HexToNumber(hex_id.substr(i, 2));
        if (!byte)
            return {};
        id += static_cast<char>(*byte);
    }
    std::string problem;
    const auto book = books_.open(3, problem);
    const auto* entry = book ? book->entry(id) : nullptr;
    if (!entry) {
        TRACE_LOG("CMAPIBook::GetEmailByEntryID() -- Can not open entry\n");
        return {};
    }
    return entry->email;
}

}
