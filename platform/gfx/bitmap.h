#pragma once

#include <memory>
#include <optional>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::gfx {

struct size {
    int width = 0;
    int height = 0;
};

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

// The size of a PNG picture, or empty when it cannot be read.
std::optional<size> png_size(const std::string& path);

}
