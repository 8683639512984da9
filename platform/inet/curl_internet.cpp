#include "platform/inet/curl_internet.h"

#include "platform/inet/curl_transfer.h"
#include "platform/inet/http_headers.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "platform/inet/url.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <variant>

namespace platform::inet {

namespace {

class curl_session : public std::enable_shared_from_this<curl_session> {
public:
    curl_session(std::string agent, std::uint32_t access_type, std::string proxy, std::string bypass)
        : agent_(std::move(agent)), access_type_(access_type), proxy_(std::move(proxy)), bypass_(std::move(bypass))
    {
        share_ = curl_share_init();
        if (!share_)
            return;
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &curl_session::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &curl_session::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        for (auto data : {CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_CONNECT})
            curl_share_setopt(share_, CURLSHOPT_SHARE, data);
    }
    ~curl_session()
    {
        if (share_)
            curl_share_cleanup(share_);
    }
    curl_session(const curl_session&) = delete;
    curl_session& operator=(const curl_session&) = delete;

    CURLSH* share() const { return share_; }
    const std::string& agent() const { return agent_; }
    std::uint32_t access_type() const { return access_type_; }
    const std::string& proxy() const { return proxy_; }
    const std::string& bypass() const { return bypass_; }

    void store_proxy_login(proxy_credentials login, unsigned long offered)
    {
        std::lock_guard guard(login_mutex_);
        proxy_login_ = std::move(login);
        if (offered)
            proxy_auth_ = offered;
    }
    std::pair<std::optional<proxy_credentials>, unsigned long> proxy_login() const
    {
        std::lock_guard guard(login_mutex_);
        return {proxy_login_, proxy_auth_};
    }

private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<curl_session*>(self)->locks_[data % CURL_LOCK_DATA_LAST].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<curl_session*>(self)->locks_[data % CURL_LOCK_DATA_LAST].unlock();
    }

    std::string agent_;
    std::uint32_t access_type_;
    std::string proxy_;
    std::string bypass_;
    CURLSH* share_ = nullptr;
    std::mutex locks_[CURL_LOCK_DATA_LAST];
    mutable std::mutex login_mutex_;
    std::optional<proxy_credentials> proxy_login_; // in memory only, never traced
    unsigned long proxy_auth_ = CURLAUTH_ANY;
};

struct curl_connection {
    std::shared_ptr<curl_session> session;
    std::string host;
    std::uint16_t port = 0;
    std::string user;
    std::string password;
    std::uint32_t service = service_http;
};

struct curl_request {
    std::shared_ptr<curl_connection> connection;
    transfer_settings settings;
    request_observer observer;
    std::unique_ptr<curl_transfer> transfer;
};

using object = std::variant<std::shared_ptr<curl_session>, std::shared_ptr<curl_connection>,
    std::shared_ptr<curl_request>>;

std::string environment_value(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A host for a URL: an IPv6 address goes in brackets.
std::string url_host(const std::string& host)
{
    if (host.find(':') != std::string::npos && host.front() != '[')
        return "[" + host + "]";
    return host;
}

std::string scheme_of(std::string_view url)
{
    auto colon = url.find("://");
    if (colon == std::string_view::npos)
        return {};
    std::string scheme(url.substr(0, colon));
    for (auto& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme;
}

class curl_internet final : public internet, public std::enable_shared_from_this<curl_internet> {
public:
    explicit curl_internet(internet_options options) : options_(std::move(options))
    {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        if (options_.ca_file.empty()) {
            ca_file_ = environment_value("SSL_CERT_FILE");
            ca_path_ = environment_value("SSL_CERT_DIR");
        } else {
            ca_file_ = options_.ca_file;
        }
    }

    hinternet open(std::string_view agent, std::uint32_t access_type, std::string_view proxy,
        std::string_view proxy_bypass, std::uint32_t) override
    {
        if (access_type != open_type_preconfig && access_type != open_type_direct && access_type != open_type_proxy)
            return fail_handle(error_invalid_parameter, "Unknown access type " + std::to_string(access_type));
        if (access_type == open_type_proxy && proxy.empty())
            return fail_handle(error_invalid_parameter, "A proxy session needs the proxy's name");
        auto session = std::make_shared<curl_session>(std::string(agent), access_type, std::string(proxy),
            std::string(proxy_bypass));
        if (!session->share())
            return fail_handle(error_not_enough_memory, "The session could not be made");
        return add(session);
    }

    hinternet connect(hinternet session_handle, std::string_view server, std::uint16_t port, std::string_view user,
        std::string_view password, std::uint32_t service, std::uint32_t) override
    {
        auto session = find<curl_session>(session_handle);
        if (!session)
            return nullptr;
        if (server.empty())
            return fail_handle(error_internet_invalid_url, "The server name is empty");
        if (service != service_http && service != service_ftp)
            return fail_handle(error_invalid_parameter, "Unknown service " + std::to_string(service));
        auto connection = std::make_shared<curl_connection>();
        connection->session = session;
        connection->host = std::string(server);
        connection->port = port;
        connection->user = std::string(user);
        connection->password = std::string(password);
        connection->service = service;
        clear_last_error();
        return add(connection);
    }

    hinternet open_request(hinternet connection_handle, std::string_view verb, std::string_view object,
        std::string_view version, std::string_view referrer, std::uint32_t flags) override
    {
        auto connection = find<curl_connection>(connection_handle);
        if (!connection)
            return nullptr;
        if (connection->service != service_http)
            return fail_handle(error_internet_incorrect_handle_type, "The connection is not an HTTP connection");
        bool secure = (flags & flag_secure) != 0;
        auto port = connection->port != invalid_port ? connection->port
                                                     : (secure ? default_https_port : default_http_port);
        std::string path(object.empty() ? "/" : object);
        if (path.front() != '/')
            path.insert(0, "/");
        auto request = std::make_shared<curl_request>();
        request->connection = connection;
        request->settings = session_settings(*connection->session);
        request->settings.url = std::string(secure ? "https://" : "http://") + url_host(connection->host) + ":"
            + std::to_string(port) + path;
        request->settings.verb = verb.empty() ? "GET" : std::string(verb);
        request->settings.http10 = version == "HTTP/1.0";
        request->settings.referrer = std::string(referrer);
        request->settings.follow_redirects = (flags & flag_no_auto_redirect) == 0;
        request->settings.secure = secure;
        clear_last_error();
        return add(request);
    }

    hinternet open_url(hinternet session_handle, std::string_view url, std::string_view headers,
        std::uint32_t flags) override
    {
        auto session = find<curl_session>(session_handle);
        if (!session)
            return nullptr;
        auto scheme = scheme_of(url);
        if (scheme.empty())
            return fail_handle(error_internet_invalid_url, "The URL is invalid: " + std::string(url));
        if (scheme != "http" && scheme != "https")
            return fail_handle(error_internet_unrecognized_scheme, "The URL's scheme is not supported: " + scheme);
        auto lines = split_header_lines(headers);
        if (!lines)
            return fail_handle(error_invalid_parameter, "A header line holds CR or NUL");
        auto request = std::make_shared<curl_request>();
        request->settings = session_settings(*session);
        request->settings.url = std::string(url);
        request->settings.verb = "GET";
        request->settings.secure = scheme == "https";
        request->settings.follow_redirects = (flags & flag_no_auto_redirect) == 0;
        request->settings.headers = std::move(*lines);
        request->transfer = std::make_unique<curl_transfer>(request->settings, request->observer);
        if (!request->transfer->send_without_body())
            return nullptr;
        return add(request);
    }

    hinternet open_url_limited(hinternet session_handle, std::string_view url, std::string_view headers,
        std::uint32_t flags, const url_fetch_limits& limits) override
    {
        auto session = find<curl_session>(session_handle);
        if (!session)
            return nullptr;
        auto request = fetch_request(*session, url, headers, flags);
        if (!request)
            return nullptr;
        request->settings.max_body = limits.max_body;
        request->observer.stop = limits.stop;
        request->transfer = std::make_unique<curl_transfer>(request->settings, request->observer);
        if (!request->transfer->send_without_body())
            return nullptr;
        return add(request);
    }

    bool add_request_headers(hinternet handle, std::string_view headers) override
    {
        auto request = find<curl_request>(handle);
        if (!request)
            return false;
        if (request->transfer)
            return fail(error_internet_incorrect_handle_state, "The request was sent already");
        auto lines = split_header_lines(headers);
        if (!lines)
            return fail(error_invalid_parameter, "A header line holds CR or NUL");
        request->settings.headers.insert(request->settings.headers.end(), lines->begin(), lines->end());
        clear_last_error();
        return true;
    }

    bool send_request(hinternet handle, std::string_view headers, std::string_view body) override
    {
        auto request = prepare(handle, headers);
        return request && request->transfer->send_memory(std::string(body)) && succeeded();
    }

    bool send_request_file(hinternet handle, std::string_view headers, const std::string& path) override
    {
        auto request = prepare(handle, headers);
        return request && request->transfer->send_file(path) && succeeded();
    }

    bool send_request_ex(hinternet handle, std::string_view headers, std::uint64_t total) override
    {
        auto request = prepare(handle, headers);
        return request && request->transfer->send_streamed(total) && succeeded();
    }

    bool write_file(hinternet handle, const void* data, std::size_t size, std::size_t& written) override
    {
        written = 0;
        auto request = sent_request(handle);
        if (!request || !request->transfer->write(data, size))
            return false;
        written = size;
        clear_last_error();
        return true;
    }

    bool end_request(hinternet handle) override
    {
        auto request = sent_request(handle);
        return request && request->transfer->end_body() && succeeded();
    }

    bool query_info(hinternet handle, std::uint32_t level, std::string& value, std::string_view name) override
    {
        value.clear();
        auto request = sent_request(handle);
        if (!request)
            return false;
        auto& transfer = *request->transfer;
        if (!transfer.has_response() && !(level & query_flag_request_headers))
            return fail(error_internet_incorrect_handle_state, "The response has not arrived");
        const std::string& block = (level & query_flag_request_headers) ? transfer.request_headers()
                                                                         : transfer.response_headers();
        auto field = [&](std::string_view field_name) {
            auto values = field_values(block, field_name);
            if (values.empty())
                return false;
            value = values.front();
            return true;
        };
        bool found = true;
        switch (level & ~query_modifier_mask) {
        case query_status_code:
            value = std::to_string(transfer.status());
            found = transfer.status() != 0;
            break;
        case query_status_text:
            value = status_text_of(block);
            break;
        case query_version:
        case query_request_method:
            value = first_word_of(block);
            found = !value.empty();
            break;
        case query_raw_headers:
            value = raw_headers_nul(block);
            break;
        case query_raw_headers_crlf:
            value = block;
            break;
        case query_content_type:
            found = field("Content-Type");
            break;
        case query_content_length:
            found = field("Content-Length");
            break;
        case query_location:
            found = field("Location");
            break;
        case query_server:
            found = field("Server");
            break;
        case query_user_agent:
            found = field("User-Agent");
            break;
        case query_proxy_authenticate:
            found = field("Proxy-Authenticate");
            break;
        case query_set_cookie:
            found = field("Set-Cookie");
            break;
        case query_custom:
            found = field(name);
            break;
        default:
            return fail(error_invalid_parameter, "Unknown query level " + std::to_string(level));
        }
        if (!found) {
            value.clear();
            return fail(error_http_header_not_found, "The header was not found");
        }
        if ((level & query_flag_number) && value.find_first_not_of("0123456789") != std::string::npos) {
            value.clear();
            return fail(error_http_header_not_found, "The header is not a number");
        }
        clear_last_error();
        return true;
    }

    bool query_data_available(hinternet handle, std::size_t& available) override
    {
        available = 0;
        auto request = sent_request(handle);
        if (!request || !request->transfer->available(available))
            return false;
        clear_last_error();
        return true;
    }

    bool read_file(hinternet handle, void* buffer, std::size_t size, std::size_t& read) override
    {
        read = 0;
        auto request = sent_request(handle);
        if (!request || !request->transfer->read(buffer, size, read))
            return false;
        clear_last_error();
        return true;
    }

    bool get_ftp_file(hinternet connection_handle, std::string_view remote, const std::string& local,
        bool fail_if_exists, std::uint32_t) override
    {
        auto connection = find<curl_connection>(connection_handle);
        if (!connection)
            return false;
        if (connection->service != service_ftp)
            return fail(error_internet_incorrect_handle_type, "The connection is not an FTP connection");
        auto settings = session_settings(*connection->session);
        std::string path(remote);
        if (path.empty() || path.front() != '/')
            path.insert(0, "/");
        auto port = connection->port != invalid_port ? connection->port : default_ftp_port;
        settings.url = "ftp://" + url_host(connection->host) + ":" + std::to_string(port) + path;
        settings.verb.clear();
        settings.user = connection->user.empty() ? "anonymous" : connection->user;
        settings.password = connection->password;
        if (fail_if_exists && ::access(local.c_str(), F_OK) == 0)
            return fail(error_file_exists, "The file exists: " + local);
        // Written beside the target and renamed at the end: a failed fetch leaves nothing.
        std::string partial = local + ".partial-XXXXXX";
        int fd = ::mkstemp(partial.data());
        if (fd < 0)
            return fail(error_invalid_parameter, "The file cannot be written: " + local + ": " + std::strerror(errno));
        curl_transfer transfer(settings, {});
        bool ok = transfer.send_without_body();
        char buffer[16384];
        std::size_t read = 0;
        while (ok && (ok = transfer.read(buffer, sizeof buffer, read)) && read > 0) {
            if (::write(fd, buffer, read) != static_cast<ssize_t>(read)) {
                ok = fail(error_invalid_parameter, "The file cannot be written: " + local + ": " + std::strerror(errno));
            }
        }
        if (::close(fd) != 0 && ok)
            ok = fail(error_invalid_parameter, "The file cannot be written: " + local);
        if (ok && ::rename(partial.c_str(), local.c_str()) != 0)
            ok = fail(error_invalid_parameter, "The file cannot be written: " + local + ": " + std::strerror(errno));
        if (!ok) {
            ::unlink(partial.c_str());
            return false;
        }
        clear_last_error();
        return true;
    }

    std::uint32_t error_dialog(hinternet handle, std::uint32_t error, std::uint32_t) override
    {
        auto request = find<curl_request>(handle);
        if (!request)
            return error_invalid_handle;
        if (error != error_internet_incorrect_password || !request->transfer
            || request->transfer->status() != 407)
            return error_cancelled;
        auto& session = *request->connection->session;
        std::string proxy = session.proxy().empty() ? environment_value("http_proxy") : session.proxy();
        if (!options_.prompt)
            return error_cancelled;
        std::optional<proxy_credentials> login;
        try {
            login = options_.prompt(proxy);
        } catch (...) {
            return error_cancelled;
        }
        if (!login)
            return error_cancelled;
        session.store_proxy_login(std::move(*login), request->transfer->proxy_auth_offered());
        return error_internet_force_retry;
    }

    void set_observer(hinternet handle, request_observer observer) override
    {
        auto request = find<curl_request>(handle);
        if (!request)
            return;
        request->observer = observer;
        if (request->transfer)
            request->transfer->set_observer(std::move(observer));
    }

    bool close_handle(hinternet handle) override
    {
        object closed;
        {
            std::lock_guard guard(table_mutex_);
            auto found = objects_.find(handle);
            if (found == objects_.end())
                return fail(error_invalid_handle, "The handle is not open");
            closed = std::move(found->second);
            objects_.erase(found);
        }
        clear_last_error();
        return true; // the object ends here, outside the table's lock
    }

private:
    // The request of a whole-URL fetch of http, https or ftp, not yet sent.
    std::shared_ptr<curl_request> fetch_request(const curl_session& session, std::string_view url,
        std::string_view headers, std::uint32_t flags)
    {
        auto scheme = scheme_of(url);
        if (scheme.empty()) {
            fail(error_internet_invalid_url, "The URL is invalid: " + std::string(url));
            return nullptr;
        }
        if (scheme != "http" && scheme != "https" && scheme != "ftp") {
            fail(error_internet_unrecognized_scheme, "The URL's scheme is not supported: " + scheme);
            return nullptr;
        }
        auto lines = split_header_lines(headers);
        if (!lines) {
            fail(error_invalid_parameter, "A header line holds CR or NUL");
            return nullptr;
        }
        auto request = std::make_shared<curl_request>();
        // The error dialog keeps a proxy login on the request's session.
        request->connection = std::make_shared<curl_connection>();
        request->connection->session = std::const_pointer_cast<curl_session>(session.shared_from_this());
        request->settings = session_settings(session);
        request->settings.url = std::string(url);
        if (scheme == "ftp") {
            auto parts = crack_url(url);
            if (!parts) {
                fail(error_internet_invalid_url, "The URL is invalid: " + std::string(url));
                return nullptr;
            }
            // The transfer reads the scheme in lower case.
            request->settings.url = "ftp" + request->settings.url.substr(3);
            request->settings.verb.clear();
            request->settings.user = parts->user.empty() ? "anonymous" : parts->user;
            request->settings.password = parts->password;
            return request;
        }
        request->settings.verb = "GET";
        request->settings.secure = scheme == "https";
        request->settings.follow_redirects = (flags & flag_no_auto_redirect) == 0;
        request->settings.headers = std::move(*lines);
        return request;
    }

    transfer_settings session_settings(const curl_session& session) const
    {
        transfer_settings settings;
        settings.agent = session.agent();
        settings.access_type = session.access_type();
        settings.proxy = session.proxy();
        settings.proxy_bypass = session.bypass();
        auto [login, auth] = session.proxy_login();
        settings.proxy_login = std::move(login);
        settings.proxy_auth = auth;
        settings.ca_file = ca_file_;
        settings.ca_path = ca_path_;
        settings.connect_timeout = options_.connect_timeout;
        settings.idle_timeout = options_.idle_timeout;
        settings.share = session.share();
        return settings;
    }

    std::shared_ptr<curl_request> prepare(hinternet handle, std::string_view headers)
    {
        auto request = find<curl_request>(handle);
        if (!request)
            return nullptr;
        if (request->transfer) {
            fail(error_internet_incorrect_handle_state, "The request was sent already");
            return nullptr;
        }
        auto lines = split_header_lines(headers);
        if (!lines) {
            fail(error_invalid_parameter, "A header line holds CR or NUL");
            return nullptr;
        }
        request->settings.headers.insert(request->settings.headers.end(), lines->begin(), lines->end());
        request->transfer = std::make_unique<curl_transfer>(request->settings, request->observer);
        return request;
    }

    std::shared_ptr<curl_request> sent_request(hinternet handle)
    {
        auto request = find<curl_request>(handle);
        if (request && !request->transfer) {
            fail(error_internet_incorrect_handle_state, "The request was not sent");
            return nullptr;
        }
        return request;
    }

    static bool succeeded()
    {
        clear_last_error();
        return true;
    }

    template <class T>
    std::shared_ptr<T> find(hinternet handle)
    {
        std::lock_guard guard(table_mutex_);
        auto found = objects_.find(handle);
        if (found == objects_.end()) {
            fail(error_invalid_handle, "The handle is not open");
            return nullptr;
        }
        if (auto* held = std::get_if<std::shared_ptr<T>>(&found->second))
            return *held;
        fail(error_internet_incorrect_handle_type, "The handle is of another kind");
        return nullptr;
    }

    hinternet add(object item)
    {
        std::lock_guard guard(table_mutex_);
        auto handle = reinterpret_cast<hinternet>(++last_handle_);
        objects_.emplace(handle, std::move(item));
        clear_last_error();
        return handle;
    }

    static hinternet fail_handle(std::uint32_t error, std::string text)
    {
        fail(error, std::move(text));
        return nullptr;
    }

    internet_options options_;
    std::string ca_file_;
    std::string ca_path_;
    std::mutex table_mutex_;
    std::map<hinternet, object> objects_;
    std::uintptr_t last_handle_ = 0;
};

}

std::shared_ptr<internet> make_curl_internet(internet_options options)
{
    return std::make_shared<curl_internet>(std::move(options));
}

}
