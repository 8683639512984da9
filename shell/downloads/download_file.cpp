#include "shell/downloads/download_file.h"

#include "core/files/file_path.h"
#include "core/files/picture_format.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "shell/downloads/download_name.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace shell {

namespace {

namespace inet = platform::inet;

constexpr const char* trace_name = "downloadFile()";
constexpr long most_candidates = 10000;
constexpr std::size_t block_size = 64 * 1024;

// Closes the request handle when the fetch ends, however it ends.
class request_handle {
public:
    request_handle(inet::internet& layer, inet::hinternet handle) : layer_(layer), handle_(handle) { }
    ~request_handle() { reset(); }
    request_handle(const request_handle&) = delete;
    request_handle& operator=(const request_handle&) = delete;

    inet::hinternet get() const { return handle_; }
    // The caller closes it from now on.
    void release_without_close() { handle_ = nullptr; }
    void reset(inet::hinternet handle = nullptr)
    {
        if (handle_)
            layer_.close_handle(handle_);
        handle_ = handle;
    }

private:
    inet::internet& layer_;
    inet::hinternet handle_;
};

// The file being written: deleted when the fetch does not end in success.
class partial_file {
public:
    partial_file() = default;
    ~partial_file()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_ && !path_.empty())
            ::unlink(path_.c_str());
    }
    partial_file(const partial_file&) = delete;
    partial_file& operator=(const partial_file&) = delete;

    void own(int fd, std::string path)
    {
        fd_ = fd;
        path_ = std::move(path);
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    bool write_all(const char* data, std::size_t size)
    {
        while (size > 0) {
            const auto written = ::write(fd_, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool close_and_keep()
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return false;
        kept_ = true;
        return true;
    }

private:
    int fd_ = -1;
    std::string path_;
    bool kept_ = false;
};

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool is_http(const std::string& address)
{
    return core::starts_with_ignoring_case(address, "http");
}

std::string failed(const char* what)
{
    TRACE_LOG("%s: finish, %s\n", trace_name, what);
    return {};
}

// Opens the address and, for http(s), settles the status: 2xx goes on, a 407 asks for the
// proxy login and opens again, anything else ends the fetch. Null when it ended.
inet::hinternet open_address(inet::internet& layer, inet::hinternet session, const download_request& request)
{
    const inet::url_fetch_limits limits {request.stop, request.max_body};
    while (!request.stop.stop_requested()) {
        request_handle file(layer, layer.open_url_limited(session, request.address, "Accept: */*",
                                       inet::flag_reload, limits));
        TRACE_LOG("%s: session.OpenURL(..) finished, pInetFile: = %x\n", trace_name,
            static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(file.get())));
        if (!file.get()) {
            TRACE_LOG("%s: session.OpenURL(..) caused exception, ErrorCode: = %d\n", trace_name,
                static_cast<int>(inet::last_error()));
            return nullptr;
        }
        if (!is_http(request.address)) {
            const auto handle = file.get();
            file.release_without_close();
            return handle;
        }
        TRACE_LOG("%s: verify HTTP Response Code\n", trace_name);
        std::string status_text;
        layer.query_info(file.get(), inet::query_status_code, status_text);
        const int status = std::atoi(status_text.c_str());
        TRACE_LOG("%s: QueryInfoStatusCode: = %d\n", trace_name, status);
        if (status == 407) {
            TRACE_LOG("%s: proxy authentication required\n", trace_name);
            const auto prompt = layer.error_dialog(file.get(), inet::error_internet_incorrect_password,
                inet::error_ui_flags_generate_data | inet::error_ui_flags_change_options);
            TRACE_LOG("%s: ErrorDlg finished, dwPrompt: = %d\n", trace_name, static_cast<int>(prompt));
            if (prompt == inet::error_internet_force_retry)
                continue;
            TRACE_LOG("%s: finish, proxy authentication failed\n", trace_name);
            return nullptr;
        }
        if (status < 200 || status > 299) {
            TRACE_LOG("%s: finish, wrong status code\n", trace_name);
            return nullptr;
        }
        const auto handle = file.get();
        file.release_without_close();
        return handle;
    }
    return nullptr;
}

// Creates the first free candidate exclusively, never through a link.
bool create_local_file(const download_request& request, partial_file& file)
{
    const auto name = download_file_name(request.address);
    for (long counter = -1; counter < most_candidates; ++counter) {
        const auto plain = core::path_combine(request.folder, download_candidate(name, counter, false));
        const auto placeholder = core::path_combine(request.folder, download_candidate(name, counter, true));
        const auto& target = request.pull_format ? placeholder : plain;
        const auto& other = request.pull_format ? plain : placeholder;
        if (exists(other))
            continue;
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            file.own(fd, target);
            return true;
        }
        if (errno != EEXIST) {
            TRACE_LOG("%s: finish, failed to open file: = %s\n", trace_name, target.c_str());
            return false;
        }
    }
    TRACE_LOG("%s: finish, failed to open file: = %s\n", trace_name, name.c_str());
    return false;
}

std::string fetch(inet::internet& layer, inet::hinternet session, const download_request& request)
{
    TRACE_LOG("%s: start, url: %s, fPullFormat: = %d\n", trace_name, masked_address(request.address).c_str(),
        request.pull_format ? 1 : 0);
    if (::mkdir(request.folder.c_str(), 0700) != 0 && errno != EEXIST)
        return failed("the download folder cannot be made");

    request_handle file(layer, open_address(layer, session, request));
    if (!file.get())
        return {};

    std::optional<std::uint64_t> announced;
    std::string length_text;
    if (is_http(request.address) && layer.query_info(file.get(), inet::query_content_length, length_text)
        && !length_text.empty() && length_text.size() < 20
        && length_text.find_first_not_of("0123456789") == std::string::npos)
        announced = std::stoull(length_text);
    TRACE_LOG("%s: file size: = %d\n", trace_name, announced ? static_cast<int>(*announced) : -1);
    if (announced && *announced > request.max_body)
        return failed("the file is larger than allowed");
    if (announced && request.length_known)
        request.length_known(*announced);

    std::vector<char> block(block_size);
    std::uint64_t total = 0;
    auto read_block = [&](std::size_t& read) {
        read = 0;
        if (request.stop.stop_requested())
            return false;
        if (!layer.read_file(file.get(), block.data(), block.size(), read))
            return false;
        total += read;
        if (read > 0 && request.taken)
            request.taken(read);
        return total <= request.max_body;
    };

    // A picture must show itself as one before any file is made.
    std::string head;
    std::size_t read = 0;
    bool ended = false;
    while (!ended && head.size() < core::picture_format_head_size) {
        if (!read_block(read))
            return failed("reading the file failed");
        ended = read == 0;
        head.append(block.data(), read);
    }
    if (request.picture && core::picture_format(head) == core::picture_kind::none)
        return failed("the file is no picture");

    partial_file local;
    if (!create_local_file(request, local))
        return {};
    if (!local.write_all(head.data(), head.size()))
        return failed("writing the file failed");
    while (!ended) {
        if (!read_block(read))
            return failed("reading the file failed");
        ended = read == 0;
        if (!local.write_all(block.data(), read))
            return failed("writing the file failed");
    }
    if (announced && total != *announced)
        return failed("the file is shorter than announced");
    if (!local.close_and_keep())
        return failed("writing the file failed");
    file.reset();
    TRACE_LOG("%s: finish, downloading file complete\n", trace_name);
    return local.path();
}

}

std::string download_file(platform::inet::internet& layer, platform::inet::hinternet session,
    const download_request& request)
{
    try {
        return fetch(layer, session, request);
    } catch (const std::exception& error) {
        TRACE_LOG("%s: finish, %s\n", trace_name, error.what());
    } catch (...) {
        TRACE_LOG("%s: finish, the download failed\n", trace_name);
    }
    return {};
}

}
