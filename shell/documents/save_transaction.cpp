#include "shell/documents/save_transaction.h"

#include "core/files/delete_path.h"
#include "core/files/file_tree.h"
#include "platform/files/atomic_write.h"
#include "platform/files/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view record_magic = "talverin-commit 1";
constexpr std::string_view new_suffix = ".new";

std::string folder_of(const std::string& path) { return fs::path(path).parent_path().string(); }
std::string name_of(const std::string& path) { return fs::path(path).filename().string(); }

bool present(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string system_error(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

std::string staged_tree_name(const document_files& files, std::string_view state, std::string_view suffix)
{
    return fs::path(files.companion).parent_path() / ("." + name_of(files.companion) + std::string(state)
                                                         + std::string(suffix));
}

std::string staged_page_name(const std::string& anchor, std::string_view suffix)
{
    return fs::path(anchor).parent_path() / ("." + name_of(anchor) + ".new-" + std::string(suffix));
}

// The record names the staging by its random suffix and the page's file name (hex, so that
// any byte of a name survives the line format), and says which dictionary files the new
// version has.
struct commit_record {
    std::string suffix;
    std::string anchor_name;
    bool body_parts = false;
    bool manifest = false;
};

std::string to_hex(std::string_view text)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::optional<std::string> from_hex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = value(text[i]);
        int low = value(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

std::string format_record(const commit_record& record)
{
    return std::string(record_magic) + "\nsuffix " + record.suffix + "\nanchor " + to_hex(record.anchor_name)
        + "\nbody_parts " + (record.body_parts ? "1" : "0") + "\nmanifest " + (record.manifest ? "1" : "0")
        + "\nend\n";
}

std::optional<commit_record> parse_record(std::string_view text)
{
    commit_record record;
    int fields = 0;
    bool ended = false;
    std::size_t line_number = 0;
    while (!text.empty()) {
        auto end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // a record always ends with a line feed
        auto line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line_number++ == 0) {
            if (line != record_magic)
                return std::nullopt;
            continue;
        }
        if (line == "end") {
            ended = true;
            break;
        }
        auto blank = line.find(' ');
        if (blank == std::string_view::npos)
            return std::nullopt;
        auto key = line.substr(0, blank);
        auto value = line.substr(blank + 1);
        if (key == "suffix") {
            if (value.empty() || value.find_first_not_of(
                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") != std::string_view::npos)
                return std::nullopt;
            record.suffix = value;
        } else if (key == "anchor") {
            auto name = from_hex(value);
            if (!name || name->empty() || name->find('/') != std::string::npos || *name == "." || *name == "..")
                return std::nullopt;
            record.anchor_name = *name;
        } else if (key == "body_parts" && (value == "0" || value == "1")) {
            record.body_parts = value == "1";
        } else if (key == "manifest" && (value == "0" || value == "1")) {
            record.manifest = value == "1";
        } else {
            return std::nullopt;
        }
        ++fields;
    }
    if (!ended || fields != 4 || !text.empty())
        return std::nullopt;
    return record;
}

std::string sync_folders(const document_files& files)
{
    if (auto problem = core::sync_path(folder_of(files.companion)); !problem.empty())
        return problem;
    return core::sync_path(folder_of(files.body_parts));
}

bool step(const save_step_hook& hook, save_step which) { return !hook || hook(which); }

std::string stopped_at(save_step which)
{
    return "the save was stopped before step " + std::to_string(static_cast<int>(which));
}

// Renames a staged file over its target, or removes the target when the new version has
// none. Idempotent: a staged file already renamed is not there any more.
std::string settle_file(const std::string& staged, const std::string& target, bool has_new)
{
    if (has_new) {
        if (present(staged) && ::rename(staged.c_str(), target.c_str()) != 0)
            return system_error("cannot rename to", target);
        return {};
    }
    if (::unlink(target.c_str()) != 0 && errno != ENOENT)
        return system_error("cannot remove", target);
    return {};
}

// Finishes a recorded commit. Every step tests what is on disk, so running it again after
// a crash at any point ends in the same state.
std::string roll_forward(const document_files& files, const commit_record& record, const save_step_hook& hook)
{
    const auto folder = folder_of(files.companion);
    const auto anchor = (fs::path(folder) / record.anchor_name).string();
    const auto new_tree = staged_tree_name(files, ".new-", record.suffix);
    const auto old_tree = staged_tree_name(files, ".old-", record.suffix);

    if (!step(hook, save_step::rename_files))
        return stopped_at(save_step::rename_files);
    if (auto problem = settle_file(staged_page_name(anchor, record.suffix), anchor, true); !problem.empty())
        return problem;
    if (auto problem = settle_file(files.body_parts + std::string(new_suffix), files.body_parts, record.body_parts);
        !problem.empty())
        return problem;
    if (auto problem = settle_file(files.manifest + std::string(new_suffix), files.manifest, record.manifest);
        !problem.empty())
        return problem;
    // No flush yet: until the record goes, a crash finishes these steps again, so the
    // renames of both folders are flushed once, before the old tree is deleted.

    if (!step(hook, save_step::move_old_tree))
        return stopped_at(save_step::move_old_tree);
    if (present(new_tree) && present(files.companion) && ::rename(files.companion.c_str(), old_tree.c_str()) != 0)
        return system_error("cannot move aside", files.companion);

    if (!step(hook, save_step::install_tree))
        return stopped_at(save_step::install_tree);
    if (present(new_tree) && ::rename(new_tree.c_str(), files.companion.c_str()) != 0)
        return system_error("cannot rename to", files.companion);
    if (auto problem = sync_folders(files); !problem.empty())
        return problem;

    if (!step(hook, save_step::remove_old_tree))
        return stopped_at(save_step::remove_old_tree);
    if (auto problem = core::delete_temporary_path(old_tree); !problem.empty())
        return problem;

    if (!step(hook, save_step::remove_record))
        return stopped_at(save_step::remove_record);
    const auto record_path = commit_record_path(files);
    if (::unlink(record_path.c_str()) != 0 && errno != ENOENT)
        return system_error("cannot remove", record_path);
    return core::sync_path(folder_of(record_path));
}

// A name this document's staging gives: the prefix and the six letters or digits of a
// temporary name, nothing else (so a user's file of a similar name stays).
bool is_temporary_suffix(std::string_view text)
{
    constexpr std::size_t suffix_length = 6;
    return text.size() == suffix_length && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
}

// A name this document's staging gives: the prefix and the six letters or digits of a
// temporary name, perhaps followed by the ".tmp-" name of a write into it that died; nothing
// else, so a user's file of a similar name stays.
bool is_staging_name(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix))
        return false;
    name.remove_prefix(prefix.size());
    constexpr std::string_view write_suffix = ".tmp-";
    if (name.size() > 6 && name.substr(6, write_suffix.size()) == write_suffix)
        return is_temporary_suffix(name.substr(0, 6)) && is_temporary_suffix(name.substr(6 + write_suffix.size()));
    return is_temporary_suffix(name);
}

// Half-written files of the dictionaries folder: "<file>.tmp-XXXXXX" of the staged files and
// of the commit record, which an atomic write leaves when it dies.
std::string remove_dead_writes(const document_files& files)
{
    const auto folder = folder_of(files.body_parts);
    const std::string names[] = {name_of(files.body_parts) + std::string(new_suffix) + ".tmp-",
        name_of(files.manifest) + std::string(new_suffix) + ".tmp-", name_of(commit_record_path(files)) + ".tmp-"};
    std::error_code ec;
    for (fs::directory_iterator walk(folder, ec), end; !ec && walk != end; walk.increment(ec)) {
        const auto name = walk->path().filename().string();
        for (const auto& prefix : names) {
            if (name.starts_with(prefix) && is_temporary_suffix(std::string_view(name).substr(prefix.size()))
                && ::unlink(walk->path().c_str()) != 0 && errno != ENOENT)
                return system_error("cannot remove", walk->path().string());
        }
    }
    return {};
}

// Staging of a save that never reached its record: the page and tree names with any
// suffix, and the two ".new" dictionary files.
std::string remove_unrecorded_staging(const document_files& files)
{
    const auto folder = folder_of(files.companion);
    const auto tree_new = "." + name_of(files.companion) + ".new-";
    const auto tree_old = "." + name_of(files.companion) + ".old-";
    const auto page_new = "." + name_of(files.anchor) + ".new-";
    std::error_code ec;
    for (fs::directory_iterator walk(folder, ec), end; !ec && walk != end; walk.increment(ec)) {
        auto name = walk->path().filename().string();
        if (is_staging_name(name, tree_new) || is_staging_name(name, tree_old) || is_staging_name(name, page_new)) {
            if (auto problem = core::delete_temporary_path(walk->path().string()); !problem.empty())
                return problem;
        }
    }
    if (ec && ec != std::errc::no_such_file_or_directory)
        return "\"" + folder + "\": " + ec.message();
    for (const auto& file : {files.body_parts + std::string(new_suffix), files.manifest + std::string(new_suffix)}) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT)
            return system_error("cannot remove", file);
    }
    return {};
}

std::string recover(const document_files& files, const save_step_hook& hook)
{
    if (auto problem = remove_dead_writes(files); !problem.empty())
        return problem;
    const auto record_path = commit_record_path(files);
    auto file = platform::files::read_regular_file(record_path, 64 * 1024);
    if (file.result == platform::files::regular_file::outcome::missing)
        return remove_unrecorded_staging(files);
    if (file.result == platform::files::regular_file::outcome::unusable)
        return "the save record \"" + record_path + "\" " + file.problem;
    auto record = parse_record(file.bytes);
    if (!record)
        return "the save record \"" + record_path + "\" is damaged";
    return roll_forward(files, *record, hook);
}

}

std::string commit_record_path(const document_files& files)
{
    auto path = fs::path(files.body_parts);
    return (path.parent_path() / path.stem()).string() + ".commit";
}

std::string recover_document(const document_files& files) { return recover(files, {}); }

SaveTransaction::SaveTransaction(document_files target, save_step_hook hook)
    : target_(std::move(target)), hook_(std::move(hook))
{
    if (auto problem = recover_document(target_); !problem.empty())
        throw std::runtime_error(problem);
    std::error_code ec;
    fs::create_directories(folder_of(target_.body_parts), ec);
    if (ec)
        throw std::runtime_error("cannot make the folder \"" + folder_of(target_.body_parts) + "\": " + ec.message());

    std::string tree = staged_tree_name(target_, ".new-", "XXXXXX");
    if (::mkdtemp(tree.data()) == nullptr)
        throw std::runtime_error(system_error("cannot make the folder", tree));
    const auto suffix = tree.substr(tree.size() - 6);
    const auto page = staged_page_name(target_.anchor, suffix);
    int fd = ::open(page.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        auto problem = system_error("cannot make the file", page);
        ::rmdir(tree.c_str());
        throw std::runtime_error(problem);
    }
    ::close(fd);
    staged_ = {page, tree, target_.body_parts + std::string(new_suffix), target_.manifest + std::string(new_suffix)};
    old_tree_ = staged_tree_name(target_, ".old-", suffix);
}

SaveTransaction::~SaveTransaction()
{
    if (recorded_)
        return; // recovery owns a recorded commit
    (void)core::delete_temporary_path(staged_.companion);
    ::unlink(staged_.anchor.c_str());
    ::unlink(staged_.body_parts.c_str());
    ::unlink(staged_.manifest.c_str());
}

std::string SaveTransaction::commit()
{
    if (recorded_)
        return "the save was committed already";
    if (!step(hook_, save_step::sync_staging))
        return stopped_at(save_step::sync_staging);
    commit_record record {staged_.companion.substr(staged_.companion.size() - 6), name_of(target_.anchor),
        present(staged_.body_parts), present(staged_.manifest)};
    // One flush of the staged tree's file system writes the tree, the page and the folder
    // beside it; what lies on another file system is flushed file by file.
    if (auto problem = core::sync_tree(staged_.companion); !problem.empty())
        return problem;
    const auto flushed = [this](const std::string& path) { return core::on_same_file_system(path, staged_.companion); };
    for (const auto& file : {staged_.anchor, staged_.body_parts, staged_.manifest}) {
        if (present(file) && !flushed(file)) {
            if (auto problem = core::sync_path(file); !problem.empty())
                return problem;
        }
    }
    for (const auto& folder : {folder_of(target_.companion), folder_of(target_.body_parts)}) {
        if (!flushed(folder)) {
            if (auto problem = core::sync_path(folder); !problem.empty())
                return problem;
        }
    }

    if (!step(hook_, save_step::write_record))
        return stopped_at(save_step::write_record);
    if (auto error = platform::files::atomic_write(commit_record_path(target_), format_record(record), 0600))
        return "cannot write \"" + commit_record_path(target_) + "\": " + error.message();
    recorded_ = true;

    // From here the new version is the document. A step that fails is retried once by a
    // plain recovery; only when that fails too is the save reported as failed, and the next
    // open finishes it.
    if (auto problem = roll_forward(target_, record, hook_); !problem.empty()) {
        if (auto again = recover_document(target_); !again.empty())
            return problem;
    }
    return {};
}

std::string install_message(const document_files& target, const unpacked_message& source, const save_step_hook& hook)
{
    try {
        SaveTransaction transaction(target, hook);
        const auto& staged = transaction.staged();
        if (::rename(source.companion.c_str(), staged.companion.c_str()) != 0) {
            if (errno != EXDEV)
                return system_error("cannot move", source.companion);
            if (auto problem = core::copy_tree(source.companion, staged.companion); !problem.empty())
                return problem;
        }
        std::error_code ec;
        for (auto [from, to] : {std::pair {&source.body_parts, &staged.body_parts},
                 std::pair {&source.manifest, &staged.manifest}}) {
            fs::copy_file(*from, *to, fs::copy_options::overwrite_existing, ec);
            if (ec)
                return "cannot copy \"" + *from + "\": " + ec.message();
        }
        if (source.page) {
            fs::copy_file(*source.page, staged.anchor, fs::copy_options::overwrite_existing, ec);
            if (ec)
                return "cannot copy \"" + *source.page + "\": " + ec.message();
        } else if (auto error = platform::files::atomic_write(staged.anchor, "to be deleted", 0644)) {
            return "cannot write \"" + staged.anchor + "\": " + error.message();
        }
        return transaction.commit();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

}
