#include "broadcast/recipients/abook.h"

#include "broadcast/recipients/address_dialog.h"
#include "broadcast/settings/submission_values.h"
#include "core/log/trace_log.h"
#include "core/markup/html_tag.h"
#include "platform/prompts/message_box.h"

#include <initializer_list>

namespace broadcast {

namespace {


bool same_type(const std::string& type, const char* wanted)
{
    if (type.size() != std::char_traits<char>::length(wanted))
        return false;
    for (std::size_t i = 0; i < type.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(type[i])) != wanted[i])
            return false;
    }
    return true;
}

}

void append_address(std::string& text, const std::string& address)
{
    if (!text.empty())
        text += "; ";
    text += address;
}

int CAbook::TryProvider(int provider)
{
    if (provider != 2 && provider != 3)
        return 0;
    return probe_.opens(provider) ? 1 : 0;
}

int CAbook::DetectProvider()
{
    for (int provider : {3, 2, 1}) {
        if (TryProvider(provider))
            return provider;
    }
    return 0;
}

int CAbook::Open(int provider)
{
    Release();
    problem_.clear();
    if (!books_) {
        problem_ = "address books cannot be read here";
        return 0;
    }
    book_ = books_->open(provider, problem_);
    if (!book_)
        TRACE_LOG("CAbook::Open(%d) failed: %s\n", provider, problem_.c_str());
    return book_ ? 1 : 0;
}

bool CAbook::SelectNames(platform::ui::UiHost& host, const platform::ui::DialogTemplates& dialogs, int provider,
    std::string& addresses)
{
    // The text's addresses, split as the settings split them.
    std::vector<std::string> pieces;
    SplitAddresses(addresses, ", ;", pieces, true);
    if (!Open(provider))
        return false;
    std::vector<recipient> chosen;
    for (const auto& piece : pieces) {
        const std::string address = std::string(core::trim_view(piece));
        if (address.empty())
            continue;
        if (const auto* entry = book_->resolve(address))
            chosen.push_back({entry->id, entry->display_name, entry->email});
        else
            chosen.push_back({{}, address, address});
    }
    address_dialog dialog(dialogs, host, *book_, std::move(chosen));
    if (dialog.DoModal() != platform::prompts::IDOK)
        return false;
    std::string text;
    for (const auto& picked : dialog.recipients()) {
        if (!picked.entry_id.empty() && EmailFromEntryId(picked.entry_id, text))
            continue;
        if (!picked.email.empty())
            append_address(text, picked.email);
    }
    addresses = text;
    return true;
}

bool CAbook::EmailFromEntryId(const std::string& entry_id, std::string& text) const
{
    const auto* entry = book_ ? book_->entry(entry_id) : nullptr;
    if (!entry)
        return false;
    if (same_type(entry->type, "SMTP") && !entry->email.empty()) {
        append_address(text, entry->email);
        return true;
    }
    return same_type(entry->type, "EX") && ExchangeSmtpAddress(*entry, text);
}

bool CAbook::ExchangeSmtpAddress(const contacts::book_entry& entry, std::string& text) const
{
    for (const auto& proxy : entry.proxies) {
        if (proxy.compare(0, 5, "SMTP:") != 0)
            continue;
        const std::string address = std::string(core::trim_view(proxy.substr(5)));
        if (address.empty())
            continue;
        append_address(text, address);
        return true;
    }
    return false;
}

}
