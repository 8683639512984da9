#pragma once

#include "platform/gfx/png_size.h"

#include <memory>
#include <optional>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::gfx {

// A picture loaded from a PNG file, ready to be painted.
class bitmap {
public:
    // Empty when the file is missing or not a readable PNG.
    static std::optional<bitmap> load_png(const std::string& path);

    int width() const;
    int height() const;
    cairo_surface_t* surface() const { return surface_.get(); }

private:
    struct release {
        void operator()(cairo_surface_t* surface) const;
    };
    explicit bitmap(cairo_surface_t* surface) : surface_(surface) { }
    std::unique_ptr<cairo_surface_t, release> surface_;
};

}
