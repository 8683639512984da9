#include "platform/gfx/font_catalogue.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <set>

namespace platform::gfx {

namespace {

struct pattern_deleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct object_set_deleter {
    void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
struct font_set_deleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using pattern_ptr = std::unique_ptr<FcPattern, pattern_deleter>;
using object_set_ptr = std::unique_ptr<FcObjectSet, object_set_deleter>;
using font_set_ptr = std::unique_ptr<FcFontSet, font_set_deleter>;

std::string string_of(FcPattern* pattern, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value)
        return {};
    return reinterpret_cast<const char*>(value);
}

// fontconfig's own weight scale to the 100-900 scale of the font dialogs.
int weight_of(FcPattern* pattern)
{
    int weight = FC_WEIGHT_REGULAR;
    if (FcPatternGetInteger(pattern, FC_WEIGHT, 0, &weight) != FcResultMatch)
        weight = FC_WEIGHT_REGULAR;
    return FcWeightToOpenType(weight);
}

bool italic_of(FcPattern* pattern)
{
    int slant = FC_SLANT_ROMAN;
    if (FcPatternGetInteger(pattern, FC_SLANT, 0, &slant) != FcResultMatch)
        return false;
    return slant != FC_SLANT_ROMAN;
}

class system_font_catalogue final : public font_catalogue {
public:
    // A configuration of our own, released with the catalogue, rather than the library's
    // process-wide one, which lives until exit.
    system_font_catalogue() : config_(FcInitLoadConfigAndFonts()) { }
    ~system_font_catalogue() override
    {
        if (config_)
            FcConfigDestroy(config_);
    }
    system_font_catalogue(const system_font_catalogue&) = delete;
    system_font_catalogue& operator=(const system_font_catalogue&) = delete;

    std::vector<std::string> families(bool outline_only) const override
    {
        pattern_ptr pattern(FcPatternCreate());
        if (outline_only)
            FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
        object_set_ptr objects(FcObjectSetBuild(FC_FAMILY, nullptr));
        font_set_ptr found(FcFontList(config_, pattern.get(), objects.get()));
        std::set<std::string> names;
        for (int i = 0; found && i < found->nfont; ++i) {
            auto name = string_of(found->fonts[i], FC_FAMILY);
            if (!name.empty())
                names.insert(std::move(name));
        }
        return {names.begin(), names.end()};
    }

    std::vector<font_style> styles(const std::string& family) const override
    {
        pattern_ptr pattern(FcPatternCreate());
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        object_set_ptr objects(FcObjectSetBuild(FC_STYLE, FC_WEIGHT, FC_SLANT, nullptr));
        font_set_ptr found(FcFontList(config_, pattern.get(), objects.get()));
        std::vector<font_style> result;
        for (int i = 0; found && i < found->nfont; ++i) {
            font_style style {string_of(found->fonts[i], FC_STYLE), weight_of(found->fonts[i]), italic_of(found->fonts[i])};
            if (style.name.empty())
                continue;
            if (std::none_of(result.begin(), result.end(), [&](const font_style& s) { return s.name == style.name; }))
                result.push_back(std::move(style));
        }
        std::stable_sort(result.begin(), result.end(), [](const font_style& a, const font_style& b) {
            auto key = [](const font_style& s) { return std::make_pair(s.italic, std::abs(s.weight - 400)); };
            return key(a) < key(b);
        });
        return result;
    }

    int text_width(const std::string& face, int pixel_height, const std::string& text) const override
    {
        auto file = font_file(face);
        if (file.empty() || text.empty() || pixel_height <= 0)
            return 0;
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0)
            return 0;
        long width = 0;
        FT_Face loaded = nullptr;
        if (FT_New_Face(library, file.c_str(), 0, &loaded) == 0) {
            if (FT_Set_Pixel_Sizes(loaded, 0, static_cast<FT_UInt>(pixel_height)) == 0) {
                for (char32_t code : code_points(text)) {
                    if (FT_Load_Char(loaded, code, FT_LOAD_DEFAULT) == 0)
                        width += loaded->glyph->advance.x;
                }
            }
            FT_Done_Face(loaded);
        }
        FT_Done_FreeType(library);
        return static_cast<int>((width + 32) >> 6); // 26.6 fixed point to whole pixels
    }

private:
    // The file of the font the configuration picks for the face; empty for none.
    std::string font_file(const std::string& face) const
    {
        if (!config_)
            return {};
        pattern_ptr pattern(FcPatternCreate());
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
        FcConfigSubstitute(config_, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        pattern_ptr match(FcFontMatch(config_, pattern.get(), &result));
        return match ? string_of(match.get(), FC_FILE) : std::string();
    }

    // The code points of a UTF-8 text; a malformed byte stands for itself.
    static std::vector<char32_t> code_points(const std::string& text)
    {
        std::vector<char32_t> points;
        for (std::size_t i = 0; i < text.size();) {
            auto lead = static_cast<unsigned char>(text[i]);
            int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
            char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
            bool whole = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
            for (int k = 1; whole && k < length; ++k) {
                auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
                whole = (next & 0xC0) == 0x80;
                code = (code << 6) | (next & 0x3F);
            }
            points.push_back(whole ? code : lead);
            i += whole ? static_cast<std::size_t>(length) : 1;
        }
        return points;
    }

    FcConfig* config_;
};


}

std::unique_ptr<font_catalogue> make_system_font_catalogue()
{
    return std::make_unique<system_font_catalogue>();
}

}
