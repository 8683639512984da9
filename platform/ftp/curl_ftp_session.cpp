#include "platform/ftp/ftp_session.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>
#include <optional>

namespace platform::ftp {

namespace {

void global_init_once()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

long whole_seconds(std::chrono::milliseconds time)
{
    auto seconds = std::chrono::ceil<std::chrono::seconds>(time).count();
    return seconds < 1 ? 1L : static_cast<long>(seconds);
}

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class curl_ftp_session final : public ftp_session {
public:
    curl_ftp_session(const ftp_endpoint& endpoint, const ftp_options& options)
        : endpoint_(endpoint), options_(options)
    {
        global_init_once();
        easy_ = curl_easy_init();
    }
    ~curl_ftp_session() override
    {
        if (easy_)
            curl_easy_cleanup(easy_);
    }
    curl_ftp_session(const curl_ftp_session&) = delete;
    curl_ftp_session& operator=(const curl_ftp_session&) = delete;

    ftp_result login() override
    {
        if (auto refused = refuse_unusable())
            return *refused;
        set_common(base_url());
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy_, CURLOPT_UPLOAD, 0L);
        progress_ = nullptr;
        const ftp_result result = perform();
        logged_in_ = result.transferred();
        return result;
    }

    ftp_result upload(const std::string& path, const std::string& name, const upload_progress& progress) override
    {
        if (!logged_in_)
            return failure(CURLE_LOGIN_DENIED, "not logged in");
        if (name.empty() || name.find('/') != std::string::npos || !usable_in_command(name))
            return failure(CURLE_URL_MALFORMAT, "the remote name is not usable: " + name);
        std::unique_ptr<std::FILE, file_closer> file(std::fopen(path.c_str(), "rb"));
        if (!file)
            return failure(CURLE_READ_ERROR, "cannot open " + path);
        std::fseek(file.get(), 0, SEEK_END);
        const long size = std::ftell(file.get());
        std::fseek(file.get(), 0, SEEK_SET);
        if (size < 0)
            return failure(CURLE_READ_ERROR, "cannot read " + path);
        total_ = static_cast<std::uint64_t>(size);

        char* escaped = curl_easy_escape(easy_, name.c_str(), static_cast<int>(name.size()));
        if (!escaped)
            return failure(CURLE_OUT_OF_MEMORY, "out of memory");
        const std::string url = base_url() + escaped;
        curl_free(escaped);
        set_common(url);
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &curl_ftp_session::on_read);
        curl_easy_setopt(easy_, CURLOPT_READDATA, file.get());
        curl_easy_setopt(easy_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
        progress_ = &progress;
        ftp_result result = perform();
        progress_ = nullptr;
        return result;
    }

private:
    std::optional<ftp_result> refuse_unusable() const
    {
        if (!easy_)
            return failure(CURLE_FAILED_INIT, "libcurl could not be initialised");
        if (endpoint_.host.empty() || !usable_in_command(endpoint_.host) || !usable_in_command(endpoint_.user)
            || !usable_in_command(endpoint_.password))
            return failure(CURLE_URL_MALFORMAT, "the server or account holds a line break or NUL");
        return std::nullopt;
    }

    static ftp_result failure(CURLcode code, std::string text)
    {
        ftp_result result;
        result.curl_code = code;
        result.error = std::move(text);
        return result;
    }

    std::string base_url() const
    {
        std::string url = "ftp://";
        if (endpoint_.host.find(':') != std::string::npos)
            url += "[" + endpoint_.host + "]";
        else
            url += endpoint_.host;
        if (endpoint_.port != 0)
            url += ":" + std::to_string(endpoint_.port);
        return url + "/";
    }

    void set_common(const std::string& url)
    {
        curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_, CURLOPT_USERNAME, endpoint_.user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, endpoint_.password.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_PROXY, "");
        curl_easy_setopt(easy_, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(easy_, CURLOPT_TRANSFERTEXT, 0L);
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connect_timeout.count()));
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, whole_seconds(options_.idle_timeout));
        curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, whole_seconds(options_.reply_timeout));
        curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &curl_ftp_session::on_reply_line);
        curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &curl_ftp_session::on_progress);
        curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, error_text_);
    }

    ftp_result perform()
    {
        replies_.reset();
        error_text_[0] = '\0';
        ftp_result result;
        result.curl_code = curl_easy_perform(easy_);
        long code = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
        result.reply_code = replies_.last_code() != 0 ? replies_.last_code() : static_cast<int>(code);
        result.reply = replies_.last_reply();
        if (result.curl_code != CURLE_OK)
            result.error = error_text_[0] ? error_text_ : curl_easy_strerror(static_cast<CURLcode>(result.curl_code));
        return result;
    }

    static size_t on_reply_line(char* data, size_t size, size_t count, void* self)
    {
        static_cast<curl_ftp_session*>(self)->replies_.add_line(std::string_view(data, size * count));
        return size * count;
    }

    static size_t on_read(char* buffer, size_t size, size_t count, void* file)
    {
        const size_t read = std::fread(buffer, size, count, static_cast<std::FILE*>(file));
        if (read == 0 && std::ferror(static_cast<std::FILE*>(file)))
            return CURL_READFUNC_ABORT;
        return read;
    }

    static int on_progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow)
    {
        auto* session = static_cast<curl_ftp_session*>(self);
        if (!session->progress_ || !*session->progress_)
            return 0;
        return (*session->progress_)(static_cast<std::uint64_t>(ulnow), session->total_) ? 0 : 1;
    }

    ftp_endpoint endpoint_;
    ftp_options options_;
    CURL* easy_ = nullptr;
    bool logged_in_ = false;
    const upload_progress* progress_ = nullptr;
    std::uint64_t total_ = 0;
    ftp_reply_collector replies_;
    char error_text_[CURL_ERROR_SIZE] {};
};

}

std::unique_ptr<ftp_session> make_curl_ftp_session(const ftp_endpoint& endpoint, const ftp_options& options)
{
    return std::make_unique<curl_ftp_session>(endpoint, options);
}

}
