#include "broadcast/contacts/address_books.h"

#include "broadcast/contacts/text_lines.h"
#include "broadcast/contacts/vcard_reader.h"
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
#include <utility>

namespace broadcast::contacts {

namespace {

constexpr int max_folder_depth = 16;


// A regular file opened for reading, never through a link at its end and never blocking on a
// special file; read up to the size it had when opened. Its problems do not name it: the
// caller does.
class regular_file {
public:
    // Nothing, with the reason in `problem`, for anything but a regular file or past `limit`.
    static std::optional<regular_file> open(const std::string& path, std::size_t limit, std::string& problem)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            problem = std::strerror(errno);
            return std::nullopt;
        }
        regular_file file(fd);
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            problem = "not a regular file";
            return std::nullopt;
        }
        if (static_cast<std::size_t>(info.st_size) > limit) {
            problem = "larger than " + std::to_string(limit >> 20) + " MiB";
            return std::nullopt;
        }
        file.left_ = static_cast<std::size_t>(info.st_size);
        return file;
    }

    regular_file(regular_file&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), left_(other.left_), error_(std::move(other.error_)) { }
    regular_file& operator=(regular_file&&) = delete;
    ~regular_file()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    // Appends up to `count` more bytes to `text`; false once the file has no more, or when it
    // could not be read on (error() says why).
    bool append(std::string& text, std::size_t count)
    {
        const std::size_t start = text.size();
        text.resize(start + std::min(count, left_));
        std::size_t done = start;
        while (done < text.size()) {
            const ssize_t n = ::read(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                error_ = std::strerror(errno);
            if (n <= 0) {
                left_ = 0; // cut short while read: what was read stands
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        left_ -= std::min(left_, done - start);
        text.resize(done);
        return left_ > 0;
    }

    const std::optional<std::string>& error() const { return error_; }

private:
    explicit regular_file(int fd) : fd_(fd) { }

    int fd_;
    std::size_t left_ = 0;
    std::optional<std::string> error_;
};

// A vCard book read a block at a time: a book can be hundreds of megabytes, and a buffer its
// size would be touched afresh page by page. A content line longer than the text at hand
// doubles the block, so a long line is read again only as often as its length doubles.
read_result read_vcard_blocks(regular_file& file, std::string text, bool more, const read_limits& limits)
{
    vcard_reader reader(limits);
    std::size_t block = std::max<std::size_t>(limits.block_bytes, 1);
    for (;;) {
        const std::size_t taken = reader.read(text, !more);
        if (!more || reader.failed())
            break;
        text.erase(0, taken);
        if (taken == 0)
            block *= 2;
        more = file.append(text, block);
    }
    return reader.finish();
}

// The format by the first 4 KiB: a vCard begins with BEGIN:VCARD, LDIF with "dn:",
// "version:" or a comment; anything else is read as delimited text.
enum class book_format { vcard, ldif, csv };
constexpr std::size_t sniffed_bytes = 4096;
book_format sniff(std::string_view bytes)
{
    bytes = bytes.substr(0, sniffed_bytes);
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
            const std::string_view address = card.field(slot);
            if (address.empty())
                continue;
            // The contact's own id gives its first address; the others are entries of their own.
            book_entry entry;
            entry.id = id_prefix + std::to_string(i) + (first ? "" : "/" + std::to_string(slot));
            first = false;
            entry.display_name = std::string(card.field(full_name).empty() ? address : card.field(full_name));
            entry.email = std::string(address);
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
    constexpr std::size_t longest = 4096;
    std::string problem;
    std::string name;
    if (auto file = regular_file::open((folder / "displayname").string(), longest, problem))
        file->append(name, longest);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name.empty() ? folder.filename().string() : name;
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

address_book::address_book(std::vector<book_entry> entries)
    : entries_(std::move(entries))
    , by_id_(entries_, [](const book_entry& entry) { return std::string_view(entry.id); }, false)
    , by_address_(entries_, [](const book_entry& entry) { return std::string_view(entry.email); }, true)
{
}

const book_entry* address_book::entry(std::string_view id) const
{
    return by_id_.find(entries_, id);
}

const book_entry* address_book::resolve(std::string_view address) const
{
    return address.empty() ? nullptr : by_address_.find(entries_, address);
}

address_book::index::index(const std::vector<book_entry>& entries, key_of key, bool ignore_case)
    : key_(key), ignore_case_(ignore_case)
{
    std::size_t size = 16;
    while (size < 2 * entries.size())
        size *= 2;
    slots_.assign(size, {});
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view wanted = key_(entries[i]);
        if (ignore_case_ && wanted.empty())
            continue; // an entry without an address is never resolved
        const std::uint64_t hashed = hash(wanted);
        const auto tag = static_cast<std::uint32_t>(hashed >> 32);
        for (std::size_t at = hashed & (size - 1);; at = (at + 1) & (size - 1)) {
            slot& here = slots_[at];
            if (here.place == 0) {
                here = {static_cast<std::uint32_t>(i + 1), tag};
                break;
            }
            if (here.tag == tag && same(key_(entries[here.place - 1]), wanted))
                break;
        }
    }
}

const book_entry* address_book::index::find(const std::vector<book_entry>& entries, std::string_view key) const
{
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t hashed = hash(key);
    const auto tag = static_cast<std::uint32_t>(hashed >> 32);
    for (std::size_t at = hashed & mask; slots_[at].place != 0; at = (at + 1) & mask) {
        const slot& here = slots_[at];
        if (here.tag == tag && same(key_(entries[here.place - 1]), key))
            return &entries[here.place - 1];
    }
    return nullptr;
}

std::uint64_t address_book::index::hash(std::string_view key) const
{
    // FNV-1a, over the lower-cased bytes when case is ignored, its high bits folded into the low.
    std::uint64_t hash = 14695981039346656037u;
    for (char c : key) {
        hash ^= static_cast<unsigned char>(ignore_case_ ? core::ascii_lower(c) : c);
        hash *= 1099511628211u;
    }
    return hash ^ (hash >> 29);
}

bool address_book::index::same(std::string_view a, std::string_view b) const
{
    return ignore_case_ ? core::equal_ignoring_case(a, b) : a == b;
}

read_result read_book_file(const std::string& path, const read_limits& limits)
{
    read_result result;
    std::string problem;
    auto file = regular_file::open(path, limits.max_file_bytes, problem);
    if (!file) {
        result.failure = problem;
        return result;
    }
    std::string bytes;
    bool more = file->append(bytes, std::max<std::size_t>(limits.block_bytes, sniffed_bytes));
    switch (sniff(bytes)) {
    case book_format::vcard:
        result = read_vcard_blocks(*file, std::move(bytes), more, limits);
        break;
    case book_format::ldif:
        if (more)
            file->append(bytes, limits.max_file_bytes);
        result = read_ldif(bytes, limits);
        break;
    case book_format::csv:
        if (more)
            file->append(bytes, limits.max_file_bytes);
        result = read_contacts_csv(bytes, limits);
        break;
    }
    if (file->error() && !result.failure)
        result.failure = "read only in part: " + *file->error();
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
