#pragma once

// Where a document's bytes come from: the loader fetches a URL and answers through a
// callback that runs on the UI queue.

#include "html/value.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace html {

class ui_queue;

class url_loader {
public:
    using done = std::function<void(hresult status, std::string bytes)>;
    virtual ~url_loader() = default;
    // Starts a fetch; `finished` is posted to the queue once, unless the load never ends.
    virtual void fetch(std::string_view url, done finished) = 0;
};

// "file:" (the rest, after "file://", is a literal path), "res:" (the last segment names
// <resources>/pages/<id>.htm), "http:", "https:", "ftp:" through libcurl on a worker thread.
std::unique_ptr<url_loader> make_standard_url_loader(ui_queue& queue, std::string resource_folder);

}
