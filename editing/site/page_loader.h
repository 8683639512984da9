#pragma once

// The off-screen page loader: loads a page into a document without a window, waits on the
// calling thread (dispatching its queue) until the document is complete, and lets the
// caller read it or run page passes on it.

#include "editing/document/editing_commands.h"
#include "platform/debug/debug_output.h"
#include "html/headless/headless_document.h"
#include "html/ui_queue.h"
#include "platform/strings/string_table.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace editing {

// What the loader and its services need from the program.
struct page_services {
    html::ui_queue& queue;
    platform::debug::sink& debug;
    const platform::strings::string_table& strings;
    std::string resource_folder;  // <share>/talverin, for "res:" pages
    std::string temporary_folder; // where the passes write their page
    std::shared_ptr<html::url_loader> loader; // null: the standard loader
};

// The longest wait for a page.
inline constexpr std::chrono::seconds page_wait_limit {60};

// A load that did not complete within the wait limit.
inline constexpr hresult E_PAGE_TIMEOUT = static_cast<hresult>(0x800705B4);

// The scheme number of a URL: ftp 1, gopher 2, http 3, https 4, file 5, news 6, mailto 7,
// socks 8 (case ignored); -1 for any other text, and for a path ("C:\x", "/x").
int url_scheme_number(std::string_view url);

class CPgLoader final : public html::document_host {
public:
    explicit CPgLoader(const page_services& services);
    ~CPgLoader() override;
    CPgLoader(const CPgLoader&) = delete;
    CPgLoader& operator=(const CPgLoader&) = delete;

    hresult Load(std::string_view url);
    // Starts the load and dispatches the queue until this loader's document is complete,
    // the load failed, the queue's quit message came (it is posted again for the outer
    // loop), or the wait limit passed.
    hresult WaitComplete();
    hresult GetBodyText(std::string& text);
    hresult Close();

    document_pair pair();
    int last_ready_state() const { return ready_state_; }

    void on_activated(html::command_target&) override { }
    void on_ready_state(int state) override;
    void on_load_failed(hresult why) override;
    void on_event(html::event&) override { }
    bool translate_accelerator(int, bool, bool, bool) override { return false; }
    bool show_context_menu(html::point) override { return false; }
    bool user_mode() const override { return false; }
    std::int32_t download_control() const override { return 0x0F80; }

private:
    page_services services_; // a copy: callers may pass a temporary
    std::unique_ptr<html::document> document_;
    std::string url_;
    int scheme_ = -1;
    int ready_state_ = 0;
    hresult load_failure_ = html::S_OK;
};

// The body's plain text of a page; "(empty)" (string 3095) when it has none. 0, or -1 on
// any failure with the text unchanged.
int get_page_text(const page_services& services, std::string_view url, std::string& text);
int get_page_text_copy(const page_services& services, std::string_view url, std::string& text);
// The HTML text put through the document and `separate_paragraphs`, read back.
int reparse_html_text_pass(const page_services& services, std::string& html_text);
// The same with `remove_all_comments` (when the flag's low byte is set) and
// `merge_aligned_paragraphs`.
int reparse_html_alignment_pass(const page_services& services, std::string& html_text, int flag);

}
