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

int bitmap::width() const
{
    return cairo_image_surface_get_width(surface_.get());
}

int bitmap::height() const
{
    return cairo_image_surface_get_height(surface_.get());
}

}
