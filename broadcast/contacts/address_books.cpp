#include "broadcast/contacts/address_books.h"

#include "broadcast/contacts/text_lines.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace broadcast::contacts {

namespace {

constexpr int max_folder_depth = 16;


// The whole of a regular file, never following a link at its end and never blocking on a
// special file; nothing, with the reason, for anything else or past the size limit.
std::optional<std::string> read_regular_file(const std::string& path, std::size_t limit, std::string& problem)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = path + ": not a regular file";
    } else if (static_cast<std::size_t>(info.st_size) > limit) {
        problem = path + ": larger than " + std::to_string(limit >> 20) + " MiB";
    } else {
        std::string content(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        content.resize(done);
        bytes = std::move(content);
    }
    ::close(fd);
    return bytes;
}


// The format by the first 4 KiB: a vCard begins with BEGIN:VCARD, LDIF with "dn:",
// "version:" or a comment; anything else is read as delimited text.
enum class book_format { vcard, ldif, csv };
book_format sniff(std::string_view bytes)
{
    bytes = bytes.substr(0, 4096);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    text_lines lines(bytes);
    std::string_view line;
    while (lines.next(line)) {
        if (line.empty())
            continue;
        if (core::starts_with_ignoring_case(line, "BEGIN:VCARD"))
            return book_format::vcard;
        if (core::starts_with_ignoring_case(line, "dn:") || core::starts_with_ignoring_case(line, "version:") || line[0] == '#')
            return book_format::ldif;
        break;
    }
    return book_format::csv;
}

void trace_skipped(const std::string& path, const read_result& result)
{
    for (const auto& part : result.skipped)
        TRACE_LOG("address book %s, line %zu: %s skipped\n", path.c_str(), part.line, part.reason.c_str());
}

std::vector<book_entry> entries_of(const std::vector<contact_card>& cards, const std::string& id_prefix)
{
    std::vector<book_entry> entries;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const auto& card = cards[i];
        bool first = true;
        for (int slot : {email1, email2, email3}) {
            const std::string& address = card.field(slot);
            if (address.empty())
                continue;
            // The contact's own id gives its first address; the others are entries of their own.
            book_entry entry;
            entry.id = id_prefix + std::to_string(i) + (first ? "" : "/" + std::to_string(slot));
            first = false;
            entry.display_name = card.field(full_name).empty() ? address : card.field(full_name);
            entry.email = address;
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

// A folder holds contacts when it has ".vcf" files or a "displayname" file.
bool is_contact_folder(const std::filesystem::path& folder)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / "displayname", error))
        return true;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".vcf" && it->is_regular_file(error) && !it->is_symlink(error))
            return true;
    }
    return false;
}

std::vector<std::filesystem::path> sorted_children(const std::filesystem::path& folder, bool folders)
{
    std::vector<std::filesystem::path> children;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_symlink(error))
            continue;
        if (folders ? it->is_directory(error) : (it->is_regular_file(error) && it->path().extension() == ".vcf"))
            children.push_back(it->path());
    }
    std::sort(children.begin(), children.end());
    return children;
}

std::string folder_display_name(const std::filesystem::path& folder)
{
    std::string problem;
    if (auto name = read_regular_file((folder / "displayname").string(), 4096, problem)) {
        while (!name->empty() && (name->back() == '\n' || name->back() == '\r'))
            name->pop_back();
        if (!name->empty())
            return *name;
    }
    return folder.filename().string();
}

void walk(const std::filesystem::path& top, const std::filesystem::path& folder, int level,
    std::vector<contact_folder>& folders, std::vector<contact_card>& cards)
{
    if (level > max_folder_depth)
        return;
    if (level >= 0) {
        if (!is_contact_folder(folder))
            return; // other folders are not descended into
        contact_folder entry;
        entry.id = std::filesystem::relative(folder, top).generic_string();
        entry.name = std::string(static_cast<std::size_t>(level) * 2, ' ') + folder_display_name(folder);
        entry.level = level;
        folders.push_back(entry);
        for (const auto& file : sorted_children(folder, false)) {
            auto result = read_book_file(file.string());
            if (result.failure)
                TRACE_LOG("address book %s: %s\n", file.c_str(), result.failure->c_str());
            for (auto& card : result.cards)
                card.folder_id = entry.id;
            // The cards are moved as one block: a whole book of them is large.
            if (cards.empty())
                cards = std::move(result.cards);
            else
                cards.insert(cards.end(), std::make_move_iterator(result.cards.begin()),
                    std::make_move_iterator(result.cards.end()));
        }
    }
    for (const auto& child : sorted_children(folder, true))
        walk(top, child, level + 1, folders, cards);
}

}

address_book::address_book(std::vector<book_entry> entries) : entries_(std::move(entries))
{
    by_id_.reserve(entries_.size());
    by_address_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        by_id_.emplace(entries_[i].id, i);
        if (!entries_[i].email.empty())
            by_address_.emplace(entries_[i].email, i);
    }
}

std::size_t address_book::address_hash::operator()(std::string_view address) const
{
    // FNV-1a over the lower-cased bytes.
    std::uint64_t hash = 14695981039346656037u;
    for (char c : address) {
        hash ^= static_cast<unsigned char>(core::ascii_lower(c));
        hash *= 1099511628211u;
    }
    return static_cast<std::size_t>(hash);
}

const book_entry* address_book::entry(const std::string& id) const
{
    const auto found = by_id_.find(id);
    return found == by_id_.end() ? nullptr : &entries_[found->second];
}

const book_entry* address_book::resolve(const std::string& address) const
{
    const auto found = by_address_.find(address);
    return found == by_address_.end() ? nullptr : &entries_[found->second];
}

read_result read_book_file(const std::string& path, const read_limits& limits)
{
    read_result result;
    std::string problem;
    const auto bytes = read_regular_file(path, limits.max_file_bytes, problem);
    if (!bytes) {
        result.failure = problem;
        return result;
    }
    switch (sniff(*bytes)) {
    case book_format::vcard:
        result = read_vcards(*bytes, limits);
        break;
    case book_format::ldif:
        result = read_ldif(*bytes, limits);
        break;
    case book_format::csv:
        result = read_contacts_csv(*bytes, limits);
        break;
    }
    trace_skipped(path, result);
    return result;
}

bool file_address_books::opens(int provider)
{
    std::error_code error;
    if (provider == 2)
        return !locations_.personal_book.empty() && std::filesystem::is_regular_file(locations_.personal_book, error);
    if (provider == 3)
        return !locations_.contacts_folder.empty() && std::filesystem::is_directory(locations_.contacts_folder, error);
    return false;
}

std::unique_ptr<address_book> file_address_books::open(int provider, std::string& problem) const
{
    if (provider == 2) {
        if (locations_.personal_book.empty()) {
            problem = "no personal address book is set";
            return nullptr;
        }
        const auto result = read_book_file(locations_.personal_book);
        if (result.failure) {
            problem = locations_.personal_book + ": " + *result.failure;
            return nullptr;
        }
        return std::make_unique<address_book>(entries_of(result.cards, "2/"));
    }
    if (provider == 3) {
        std::vector<contact_folder> folders;
        std::vector<contact_card> cards;
        if (!read_contact_store(folders, cards, problem))
            return nullptr;
        return std::make_unique<address_book>(entries_of(cards, "3/"));
    }
    problem = "no address book has the provider number " + std::to_string(provider);
    return nullptr;
}

bool file_address_books::read_contact_store(std::vector<contact_folder>& folders, std::vector<contact_card>& cards,
    std::string& problem) const
{
    std::error_code error;
    if (locations_.contacts_folder.empty() || !std::filesystem::is_directory(locations_.contacts_folder, error)) {
        problem = (locations_.contacts_folder.empty() ? std::string("the contacts folder") : locations_.contacts_folder)
            + ": no such folder";
        return false;
    }
    const std::filesystem::path top(locations_.contacts_folder);
    walk(top, top, -1, folders, cards);
    return true;
}

}
