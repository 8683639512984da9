// The standard loader: local files, resource pages and network addresses.

#include "html/url_loader.h"
#include "html/headless/tree.h"
#include "html/ui_queue.h"

#include <cerrno>
#include <curl/curl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace html {

using headless::read_whole_file;

namespace {

bool starts_with_scheme(std::string_view url, std::string_view scheme)
{
    return url.size() >= scheme.size() && headless::equal_ignoring_case(url.substr(0, scheme.size()), scheme);
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* out = static_cast<std::string*>(user);
    constexpr std::size_t limit = 64u << 20; // a page larger than this is refused
    if (out->size() + size * count > limit)
        return 0;
    out->append(data, size * count);
    return size * count;
}

class standard_loader final : public url_loader {
public:
    standard_loader(ui_queue& queue, std::string resources) : queue_(queue), resources_(std::move(resources)) { }
    ~standard_loader() override
    {
        std::lock_guard lock(mutex_);
        for (std::thread& t : workers_)
            t.join();
    }

    void fetch(std::string_view url, done finished) override
    {
        std::string address(url);
        if (starts_with_scheme(address, "http:") || starts_with_scheme(address, "https:") || starts_with_scheme(address, "ftp:")) {
            queue_.worker_started();
            std::lock_guard lock(mutex_);
            workers_.emplace_back([this, address, finished = std::move(finished)]() mutable {
                std::string bytes;
                hresult status = download(address, bytes);
                queue_.post([finished = std::move(finished), status, bytes = std::move(bytes)]() mutable {
                    finished(status, std::move(bytes));
                });
                queue_.worker_finished();
            });
            return;
        }
        std::string bytes;
        hresult status = E_INVALIDARG;
        if (starts_with_scheme(address, "file:")) {
            std::string path = address.substr(5);
            if (path.rfind("//", 0) == 0)
                path = path.substr(2);
            status = read_whole_file(path, bytes);
        } else if (starts_with_scheme(address, "res:")) {
            std::string id = address.substr(address.find_last_of('/') == std::string::npos ? 4 : address.find_last_of('/') + 1);
            if (id.empty() || id.find("..") != std::string::npos)
                status = E_INVALIDARG;
            else
                status = read_whole_file(resources_ + "/pages/" + id + ".htm", bytes);
        } else if (address.find(':') == std::string::npos || address.find(':') == 1) {
            status = read_whole_file(address, bytes); // a plain path
        }
        queue_.post([finished = std::move(finished), status, bytes = std::move(bytes)]() mutable {
            finished(status, std::move(bytes));
        });
    }

private:
    static hresult download(const std::string& url, std::string& bytes)
    {
        static std::once_flag init;
        std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        CURL* curl = curl_easy_init();
        if (!curl)
            return E_OUTOFMEMORY;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        CURLcode rc = curl_easy_perform(curl);
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        curl_easy_cleanup(curl);
        if (rc != CURLE_OK)
            return E_FAIL;
        if ((url.rfind("http", 0) == 0) && code >= 400)
            return E_FAIL;
        return S_OK;
    }

    ui_queue& queue_;
    std::string resources_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
};

}

std::unique_ptr<url_loader> make_standard_url_loader(ui_queue& queue, std::string resource_folder)
{
    return std::make_unique<standard_loader>(queue, std::move(resource_folder));
}

}
