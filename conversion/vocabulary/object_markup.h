#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace conversion {

// The markup between an object start and an object end comment.
std::string wrap_object_markup(std::string_view markup);

// The movie file of a Flash object: the value of the first PARAM named "Movie" or "Src"
// (case ignored) from `position` on; empty when "/object" comes first or there is none.
std::string find_flash_movie(std::string_view text, std::size_t position);

}
