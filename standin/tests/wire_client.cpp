#include "standin/tests/wire_client.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace standin::testing {

namespace {

struct curl_handle {
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    curl_slist* recipients = nullptr;
    ~curl_handle()
    {
        curl_slist_free_all(headers);
        curl_slist_free_all(recipients);
        curl_easy_cleanup(curl);
    }
};

std::size_t append(char* data, std::size_t size, std::size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

struct upload_source {
    const std::string* data;
    std::size_t offset = 0;
};

std::size_t read_upload(char* buffer, std::size_t size, std::size_t count, void* source)
{
    auto* upload = static_cast<upload_source*>(source);
    auto take = std::min(size * count, upload->data->size() - upload->offset);
    std::copy_n(upload->data->data() + upload->offset, take, buffer);
    upload->offset += take;
    return take;
}

// Every line the server sent on the control connection.
int collect_replies(CURL*, curl_infotype type, char* data, std::size_t size, void* target)
{
    if (type != CURLINFO_HEADER_IN)
        return 0;
    std::string text(data, size);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    static_cast<std::vector<std::string>*>(target)->push_back(text);
    return 0;
}

dialogue_result run_upload(curl_handle& handle, const std::string& data)
{
    dialogue_result result;
    upload_source source {&data};
    curl_easy_setopt(handle.curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle.curl, CURLOPT_READFUNCTION, read_upload);
    curl_easy_setopt(handle.curl, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle.curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
    curl_easy_setopt(handle.curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle.curl, CURLOPT_DEBUGFUNCTION, collect_replies);
    curl_easy_setopt(handle.curl, CURLOPT_DEBUGDATA, &result.replies);
    curl_easy_setopt(handle.curl, CURLOPT_TIMEOUT, 30L);
    result.curl_code = curl_easy_perform(handle.curl);
    return result;
}

}

http_result http_send(const http_request& request)
{
    curl_handle handle;
    http_result result;
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(handle.curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle.curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(handle.curl, CURLOPT_NOPROXY, request.proxy.empty() ? "*" : "");
    if (request.http10)
        curl_easy_setopt(handle.curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    if (request.method == "POST") {
        curl_easy_setopt(handle.curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(handle.curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    for (const auto& header : request.headers)
        handle.headers = curl_slist_append(handle.headers, header.c_str());
    handle.headers = curl_slist_append(handle.headers, "Expect:");
    curl_easy_setopt(handle.curl, CURLOPT_HTTPHEADER, handle.headers);
    if (!request.ca_file.empty())
        curl_easy_setopt(handle.curl, CURLOPT_CAINFO, request.ca_file.c_str());
    if (!request.proxy.empty()) {
        curl_easy_setopt(handle.curl, CURLOPT_PROXY, request.proxy.c_str());
        if (!request.proxy_credentials.empty())
            curl_easy_setopt(handle.curl, CURLOPT_PROXYUSERPWD, request.proxy_credentials.c_str());
        curl_easy_setopt(handle.curl, CURLOPT_HTTPPROXYTUNNEL, request.tunnel ? 1L : 0L);
    }
    curl_easy_setopt(handle.curl, CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(handle.curl, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(handle.curl, CURLOPT_HEADERFUNCTION, append);
    curl_easy_setopt(handle.curl, CURLOPT_HEADERDATA, &result.headers);
    result.curl_code = curl_easy_perform(handle.curl);
    curl_easy_getinfo(handle.curl, CURLINFO_RESPONSE_CODE, &result.status);
    result.error = error;
    return result;
}

http_request gateway_request(const std::string& url, const std::string& body)
{
    http_request request;
    request.url = url;
    request.body = body;
    request.headers = {"Content-Type: application/x-www-form-urlencoded", "User-Agent: Quorbis Veltrane Wizard 3.4"};
    return request;
}

dialogue_result ftp_upload(std::uint16_t port, const std::string& user, const std::string& password,
    const std::string& name, const std::string& data)
{
    curl_handle handle;
    auto url = "ftp://127.0.0.1:" + std::to_string(port) + "/" + name;
    curl_easy_setopt(handle.curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_NOPROXY, "*");
    return run_upload(handle, data);
}

fetch_result ftp_fetch(std::uint16_t port, const std::string& user, const std::string& password, const std::string& name)
{
    curl_handle handle;
    fetch_result result;
    auto url = "ftp://127.0.0.1:" + std::to_string(port) + "/" + name;
    curl_easy_setopt(handle.curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle.curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(handle.curl, CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(handle.curl, CURLOPT_WRITEDATA, &result.data);
    result.curl_code = curl_easy_perform(handle.curl);
    return result;
}

dialogue_result smtp_send(std::uint16_t port, const std::string& from, const std::string& to, const std::string& mail)
{
    curl_handle handle;
    auto url = "smtp://127.0.0.1:" + std::to_string(port) + "/client.test";
    curl_easy_setopt(handle.curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.curl, CURLOPT_MAIL_FROM, ("<" + from + ">").c_str());
    handle.recipients = curl_slist_append(handle.recipients, ("<" + to + ">").c_str());
    curl_easy_setopt(handle.curl, CURLOPT_MAIL_RCPT, handle.recipients);
    curl_easy_setopt(handle.curl, CURLOPT_NOPROXY, "*");
    return run_upload(handle, mail);
}

plain_connection::plain_connection(std::uint16_t port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error_ = errno;
        ::close(fd_);
        fd_ = -1;
    }
}

plain_connection::~plain_connection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void plain_connection::send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        auto count = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        sent += static_cast<std::size_t>(count);
    }
}

std::string plain_connection::read_all(int timeout_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string data = std::move(pending_);
    pending_.clear();
    char buffer[65536];
    while (fd_ >= 0 && !closed_) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready {fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        auto count = ::recv(fd_, buffer, sizeof buffer, 0);
        if (count > 0) {
            data.append(buffer, static_cast<std::size_t>(count));
        } else {
            closed_ = true;
            reset_ = count < 0 && errno == ECONNRESET;
        }
    }
    return data;
}

std::string plain_connection::read_line(int timeout_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buffer[4096];
    while (pending_.find("\r\n") == std::string::npos && fd_ >= 0 && !closed_) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready {fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        auto count = ::recv(fd_, buffer, sizeof buffer, 0);
        if (count <= 0) {
            closed_ = true;
            reset_ = count < 0 && errno == ECONNRESET;
            break;
        }
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
    auto end = pending_.find("\r\n");
    if (end == std::string::npos)
        return "";
    auto line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    return line;
}

}
