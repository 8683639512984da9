#include "platform/testing/maildir_outbox.h"

#include "platform/testing/file_contents.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace platform::testing {

namespace fs = std::filesystem;

maildir_outbox::maildir_outbox(std::string folder) : folder_(std::move(folder))
{
    for (const char* part : {"tmp", "new", "cur"})
        fs::create_directories(folder_ + "/" + part);
}

void maildir_outbox::answer_next(std::uint32_t code)
{
    std::lock_guard guard(mutex_);
    codes_.push_back(code);
}

std::size_t maildir_outbox::calls() const
{
    std::lock_guard guard(mutex_);
    return calls_;
}

std::uint32_t maildir_outbox::deliver(const std::string& message)
{
    std::lock_guard guard(mutex_);
    ++calls_;
    std::uint32_t code = mail::SUCCESS_SUCCESS;
    if (!codes_.empty()) {
        code = codes_.front();
        codes_.pop_front();
    }
    if (code != mail::SUCCESS_SUCCESS)
        return code;
    char name[32];
    std::snprintf(name, sizeof name, "%06zu.talverin", calls_);
    const std::string staged = folder_ + "/tmp/" + name;
    write_file(staged, message);
    std::error_code error;
    fs::rename(staged, folder_ + "/new/" + name, error);
    return error ? mail::MAPI_E_FAILURE : mail::SUCCESS_SUCCESS;
}

std::vector<std::string> maildir_outbox::messages() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ + "/new"))
        names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> texts;
    for (const auto& name : names)
        texts.push_back(read_file(name));
    return texts;
}

}
