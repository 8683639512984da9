// Any bytes through the text helpers of paths, flat names, pull placeholders, links and
// URLs: no crash, and a flat name always decodes back to its path.
#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/files/path_parts.h"
#include "core/url/file_url.h"
#include "core/url/url_text.h"
#include "core/util/strings.h"
#include "core/vocab/pull_placeholders.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);

    if (core::decode_path_from_name(core::encode_path_as_name(text)) != text)
        std::abort();

    int start = 0;
    int end = 0;
    if (core::FindPullPlaceholder(text, start, end) && (start < 0 || end <= start))
        std::abort();
    std::string name(text);
    core::GetPullPlaceholderName(name);
    for (bool keep_rest : {false, true}) {
        std::string extracted(text);
        core::ExtractPullPlaceholder(extracted, keep_rest);
    }
    (void)core::IsFileLink(text);
    (void)core::GetLinkFileName(text);
    (void)core::FileUrlToPath(core::DecodeUrlEscapes(text));
    (void)core::DecodeEntitiesAndEscapes(text);
    std::string query;
    (void)core::SplitQueryString(text, query);
    std::string path;
    (void)core::GetUrlPath(text, path);
    (void)core::url_parts_init(text);
    (void)core::url_to_file_name(text);
    (void)core::cstring_find(text, "[pull", static_cast<int>(size % 7));

    // The first line break splits the input into a path and a relative path.
    auto split = text.find('\n');
    core::file_path file(std::string(text.substr(0, split)));
    (void)file.parent_folder();
    (void)file.file_name(false);
    (void)file.extension();
    core::path_parts parts(file.path());
    (void)parts.name(false);
    if (split != std::string_view::npos) {
        auto rest = text.substr(split + 1);
        core::file_path resolved(file.path());
        resolved.resolve_relative_path(rest);
        core::file_path renamed(file.path());
        renamed.set_extension(rest);
        parts.set_name(rest, true);
        (void)core::path_combine(file.path(), rest);
        (void)core::cstring_replace_all_chained(file.path(), rest, "xx");
    }
    return 0;
}
