#pragma once

#include "platform/gfx/png_size.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::gfx {

struct color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const color&) const = default;
};

// One colour of a picture to be painted in another.
struct color_replacement {
    color from;
    color to;
};

// A picture loaded from a PNG file, ready to be painted.
class bitmap {
public:
    // Empty when the file is missing or not a readable PNG.
    static std::optional<bitmap> load_png(const std::string& path);
    // A picture of the size with every pixel transparent (sizes below 1 count as 1).
    static bitmap blank(int width, int height);

    int width() const;
    int height() const;
    // The colour of an opaque pixel; empty for a pixel outside or not fully opaque.
    std::optional<color> pixel(int x, int y) const;

    // Repaints each opaque pixel whose colour is the `from` of a replacement in that
    // replacement's `to` (the first that matches). Every pixel is judged by the colour it
    // had before, so replacements never chain.
    void replace_colors(std::span<const color_replacement> replacements);
    // Paints the picture over this one with its top left corner at (x, y).
    void paint(const bitmap& picture, int x, int y);
    cairo_surface_t* surface() const { return surface_.get(); }

private:
    struct release {
        void operator()(cairo_surface_t* surface) const;
    };
    explicit bitmap(cairo_surface_t* surface) : surface_(surface) { }
    std::unique_ptr<cairo_surface_t, release> surface_;
};

}
