#include "platform/gfx/bitmap.h"

#include <cairo.h>

namespace platform::gfx {

void bitmap::release::operator()(cairo_surface_t* surface) const
{
    cairo_surface_destroy(surface);
}

std::optional<bitmap> bitmap::load_png(const std::string& path)
{
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    return bitmap(surface);
}

bitmap bitmap::blank(int width, int height)
{
    return bitmap(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width < 1 ? 1 : width, height < 1 ? 1 : height));
}

void bitmap::paint(const bitmap& picture, int x, int y)
{
    cairo_t* cr = cairo_create(surface_.get());
    cairo_set_source_surface(cr, picture.surface(), x, y);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_.get());
}

int bitmap::width() const
{
    return cairo_image_surface_get_width(surface_.get());
}

int bitmap::height() const
{
    return cairo_image_surface_get_height(surface_.get());
}

namespace {

// Pixels of the two formats a PNG loads into: 32 bits each, alpha in the top byte (not
// used by RGB24, whose pixels are all opaque), then red, green and blue.
bool has_rgb_pixels(cairo_surface_t* surface)
{
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    return format == CAIRO_FORMAT_ARGB32 || format == CAIRO_FORMAT_RGB24;
}

bool is_opaque(cairo_surface_t* surface, std::uint32_t pixel)
{
    return cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 || (pixel >> 24) == 0xFF;
}

color color_of(std::uint32_t pixel)
{
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8), static_cast<std::uint8_t>(pixel)};
}

std::uint32_t opaque_pixel(color c)
{
    return 0xFF000000u | (std::uint32_t {c.red} << 16) | (std::uint32_t {c.green} << 8) | c.blue;
}

std::uint32_t* row_of(cairo_surface_t* surface, int y)
{
    unsigned char* data = cairo_image_surface_get_data(surface);
    return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface));
}

}

std::optional<color> bitmap::pixel(int x, int y) const
{
    cairo_surface_t* surface = surface_.get();
    if (!has_rgb_pixels(surface) || x < 0 || y < 0 || x >= width() || y >= height())
        return std::nullopt;
    cairo_surface_flush(surface);
    const std::uint32_t value = row_of(surface, y)[x];
    if (!is_opaque(surface, value))
        return std::nullopt;
    return color_of(value);
}

void bitmap::replace_colors(std::span<const color_replacement> replacements)
{
    cairo_surface_t* surface = surface_.get();
    if (replacements.empty() || !has_rgb_pixels(surface))
        return;
    cairo_surface_flush(surface);
    for (int y = 0; y < height(); ++y) {
        std::uint32_t* row = row_of(surface, y);
        for (int x = 0; x < width(); ++x) {
            if (!is_opaque(surface, row[x]))
                continue;
            const color was = color_of(row[x]);
            for (const auto& replacement : replacements) {
                if (replacement.from == was) {
                    row[x] = opaque_pixel(replacement.to);
                    break;
                }
            }
        }
    }
    cairo_surface_mark_dirty(surface);
}

}
