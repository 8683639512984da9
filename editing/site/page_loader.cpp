#include "editing/site/page_loader.h"

#include "core/url/file_url.h"
#include "editing/document/page_passes.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace editing {

using namespace html;

int url_scheme_number(std::string_view url)
{
    std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return -1;
    std::string scheme;
    for (char c : url.substr(0, colon)) {
        if (!std::isalpha(static_cast<unsigned char>(c)))
            return -1;
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    static constexpr std::string_view names[] = {"ftp", "gopher", "http", "https", "file", "news", "mailto", "socks"};
    for (int i = 0; i < 8; ++i)
        if (scheme == names[i])
            return i + 1;
    return -1;
}

CPgLoader::CPgLoader(const page_services& services) : services_(services) { }

CPgLoader::~CPgLoader() { Close(); }

hresult CPgLoader::Load(std::string_view url)
{
    url_ = std::string(url);
    scheme_ = url_scheme_number(url);
    headless_ports ports;
    ports.queue = &services_.queue;
    ports.loader = services_.loader;
    ports.resource_folder = services_.resource_folder;
    document_ = make_headless_document(*this, std::move(ports));
    ready_state_ = 0;
    load_failure_ = S_OK;
    return S_OK;
}

hresult CPgLoader::WaitComplete()
{
    if (!document_)
        return E_UNEXPECTED;
    services_.debug.write("Loading " + url_ + "...\n");
    hresult hr;
    if (scheme_ >= 6 && scheme_ <= 8)
        return E_FAIL;
    if (scheme_ >= 1 && scheme_ <= 5)
        hr = document_->load_url(url_);
    else
        hr = document_->load_file(url_);
    if (failed(hr))
        return hr;
    auto deadline = services_.queue.now() + page_wait_limit;
    while (ready_state_ != 4 && load_failure_ == S_OK) {
        int exit_code = 0;
        auto step = services_.queue.pump_one(deadline, &exit_code);
        if (step == ui_queue::pump_result::quit) {
            // The outer loop still has to see it.
            services_.queue.post_quit(exit_code);
            break;
        }
        if (step == ui_queue::pump_result::timed_out && services_.queue.now() >= deadline)
            return E_PAGE_TIMEOUT;
    }
    return load_failure_;
}

hresult CPgLoader::GetBodyText(std::string& text)
{
    if (!document_)
        return E_UNEXPECTED;
    if (ready_state_ != 4)
        return E_UNEXPECTED;
    auto body = document_->body();
    if (!body)
        return E_UNEXPECTED;
    return body->inner_text(text);
}

hresult CPgLoader::Close()
{
    document_.reset();
    return S_OK;
}

document_pair CPgLoader::pair()
{
    if (!document_)
        return {};
    return document_pair::of(*document_);
}

void CPgLoader::on_ready_state(int state)
{
    static constexpr const char* names[] = {"Uninitialized", "Loading", "Loaded", "Interactive", "Complete"};
    ready_state_ = state;
    if (state >= 0 && state <= 4)
        services_.debug.write(std::string("OnChanged: readyState = ") + names[state] + "\n");
}

void CPgLoader::on_load_failed(hresult why) { load_failure_ = failed(why) ? why : E_FAIL; }

int get_page_text(const page_services& services, std::string_view url, std::string& text)
{
    CPgLoader loader(services);
    std::string body;
    if (failed(loader.Load(url)) || failed(loader.WaitComplete()) || failed(loader.GetBodyText(body)))
        return -1;
    text = body.empty() ? services.strings.text(3095) : body;
    loader.Close();
    return 0;
}

int get_page_text_copy(const page_services& services, std::string_view url, std::string& text)
{
    std::string copy;
    int result = get_page_text(services, url, copy);
    if (result == 0)
        text = copy;
    return result;
}

namespace {

// A page file in the temporary folder, removed when the pass ends.
class temporary_page {
public:
    explicit temporary_page(const std::string& folder)
    {
        std::string pattern = (folder.empty() ? std::string("/tmp") : folder) + "/XXXXXX";
        int fd = mkstemp(pattern.data());
        if (fd >= 0) {
            path_ = pattern;
            fd_ = fd;
        }
    }
    ~temporary_page()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    temporary_page(const temporary_page&) = delete;
    temporary_page& operator=(const temporary_page&) = delete;

    bool write(std::string_view bytes)
    {
        if (fd_ < 0)
            return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

template <class Passes>
int reparse(const page_services& services, std::string& html_text, Passes&& passes)
{
    temporary_page page(services.temporary_folder);
    if (page.path().empty() || !page.write(html_text))
        return -1;
    CPgLoader loader(services);
    if (failed(loader.Load(core::make_file_url(page.path()))) || failed(loader.WaitComplete()) || loader.last_ready_state() != 4)
        return -1;
    document_pair pair = loader.pair();
    passes(pair);
    std::string result;
    if (!get_page_html(pair, result))
        return -1;
    html_text = std::move(result);
    loader.Close();
    return 0;
}

}

int reparse_html_text_pass(const page_services& services, std::string& html_text)
{
    return reparse(services, html_text, [](const document_pair& pair) { separate_paragraphs(pair); });
}

int reparse_html_alignment_pass(const page_services& services, std::string& html_text, int flag)
{
    return reparse(services, html_text, [flag](const document_pair& pair) {
        if (flag & 0xFF)
            remove_all_comments(pair);
        merge_aligned_paragraphs(pair, flag);
    });
}

}
