#include "shell/settings.h"

#include <cstdlib>
#include <limits>

namespace shell {

namespace {

constexpr std::size_t face_name_limit = 31;
constexpr const char* save_settings_section = "SaveSettings";

template <class... F>
struct overloaded : F... {
    using F::operator()...;
};
template <class... F>
overloaded(F...) -> overloaded<F...>;

}

SettingsDefaults deployment_defaults(int lcid)
{
    return {TALVERIN_SUBMISSION_ADDRESS, TALVERIN_GATEWAY_HOST, lcid};
}

std::vector<SettingDescriptor> settings_table(const SettingsDefaults& defaults)
{
    using K = SettingKind;
    const std::string gateway_path = defaults.gateway_host + "/cgi-bin/submit";
    std::vector<SettingDescriptor> table {
        {"Settings", "Logging", K::integer, &Settings::logging, 0, false},
        {"Settings", "DocCharset", K::text, &Settings::doc_charset, "", true},
        {"SaveSettings", "PictureLastPath", K::text, &Settings::picture_last_path, "", true},
        {"SaveSettings", "BgSoundLastPath", K::text, &Settings::bg_sound_last_path, "", true},
        {"Broadcast", "SMTPDestAddr", K::never_empty, &Settings::smtp_dest_addr, defaults.submission_address, true},
        {"Broadcast", "HTTPBroadcastURL", K::never_empty, &Settings::http_broadcast_url, "http://" + gateway_path,
            false},
        {"Broadcast", "HTTPBroadcastURLSecure", K::never_empty, &Settings::http_broadcast_url_secure,
            "https://" + gateway_path, false},
        {"Broadcast\\Command", "AutopullImages", K::integer, &Settings::autopull_images, 0, true},
        {"Broadcast\\Command", "ACCEPTANCE_REPORT", K::text, &Settings::acceptance_report, "", true},
        {"Broadcast\\Command", "DSN", K::text, &Settings::dsn, "", true},
        {"Broadcast\\Command", "MDN", K::text, &Settings::mdn, "", true},
        {"Broadcast\\Command", "PROGRESS_REPORT", K::text, &Settings::progress_report, "", true},
        {"Spelling", "SpellChecker", K::integer, &Settings::spell_checker, 0, true},
        {"Spelling", "LCID", K::integer, &Settings::lcid, defaults.lcid, true},
    };
    for (std::size_t i = 0; i < 16; ++i)
        table.push_back({"ColorSettings", "CustomColor" + std::to_string(i), K::integer, i,
            static_cast<int>(i * 0x101010), true});
    const std::vector<SettingDescriptor> fonts {
        {"FontSettings", "CurrentFont", K::font_name, &Settings::current_font, "", true},
        {"FontSettings", "Size", K::integer, &Settings::size, 0, true},
        {"FontSettings", "Color", K::integer, &Settings::color, 0, true},
        {"FontSettings", "Weight", K::integer, &Settings::weight, 0, true},
        {"FontSettings", "IsStrikeOut", K::byte_flag, &Settings::is_strike_out, 0, true},
        {"FontSettings", "IsUnderLine", K::byte_flag, &Settings::is_under_line, 0, true},
        {"FontSettings", "IsBold", K::integer, &Settings::is_bold, 0, true},
        {"FontSettings", "IsItalic", K::byte_flag, &Settings::is_italic, 0, true},
    };
    table.insert(table.end(), fonts.begin(), fonts.end());
    return table;
}

std::string limit_face_name(const std::string& name)
{
    if (name.size() <= face_name_limit)
        return name;
    std::size_t cut = face_name_limit;
    // Step back over continuation bytes so that no character is split.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

namespace {

// Stores a value read from the profile (or the default) into its field.
void assign(Settings& settings, const SettingDescriptor& row, const std::optional<std::string>& text,
    const std::optional<std::uint32_t>& number)
{
    std::visit(overloaded {
                   [&](int Settings::*field) {
                       settings.*field = number ? static_cast<int>(*number) : std::get<int>(row.fallback);
                   },
                   [&](std::uint8_t Settings::*field) {
                       settings.*field = static_cast<std::uint8_t>(number ? *number
                                                                          : static_cast<std::uint32_t>(
                                                                              std::get<int>(row.fallback)));
                   },
                   [&](std::string Settings::*field) {
                       const auto& fallback = std::get<std::string>(row.fallback);
                       std::string value = text.value_or(fallback);
                       if (row.kind == SettingKind::never_empty && value.empty())
                           value = fallback;
                       if (row.kind == SettingKind::font_name)
                           value = limit_face_name(value);
                       settings.*field = std::move(value);
                   },
                   [&](std::size_t colour) {
                       settings.custom_colors[colour] = number ? *number
                                                               : static_cast<std::uint32_t>(std::get<int>(row.fallback));
                   },
               },
        row.field);
}

bool is_text(const SettingDescriptor& row)
{
    return std::holds_alternative<std::string Settings::*>(row.field);
}

}

Settings default_settings(const SettingsDefaults& defaults)
{
    Settings settings;
    for (const auto& row : settings_table(defaults))
        assign(settings, row, std::nullopt, std::nullopt);
    return settings;
}

Settings load_settings(const platform::registry::profile& profile, const SettingsDefaults& defaults)
{
    Settings settings;
    for (const auto& row : settings_table(defaults)) {
        if (is_text(row))
            assign(settings, row, profile.get_string(row.section, row.entry), std::nullopt);
        else
            assign(settings, row, std::nullopt, profile.get_int(row.section, row.entry));
    }
    return settings;
}

platform::registry::status save_settings(platform::registry::profile& profile, const Settings& settings,
    const SettingsDefaults& defaults)
{
    platform::registry::profile::write_batch batch;
    for (const auto& row : settings_table(defaults)) {
        if (!row.written_back)
            continue;
        std::visit(overloaded {
                       [&](int Settings::*field) { batch.write_int(row.section, row.entry, settings.*field); },
                       [&](std::uint8_t Settings::*field) { batch.write_int(row.section, row.entry, settings.*field); },
                       [&](std::string Settings::*field) {
                           batch.write_string(row.section, row.entry, settings.*field);
                       },
                       [&](std::size_t colour) {
                           batch.write_int(row.section, row.entry, static_cast<int>(settings.custom_colors[colour]));
                       },
                   },
            row.field);
    }
    return profile.apply(batch);
}

int GetNearestFontSize(int size, int* position)
{
    static constexpr int sizes[] = {8, 10, 12, 14, 18, 24, 36};
    // An unbounded first distance, so sizes far outside the range still find the nearest.
    long long best_distance = std::numeric_limits<long long>::max();
    int best = 0;
    for (int i = 0; i < 7; ++i) {
        long long distance = std::llabs(static_cast<long long>(size) - sizes[i]);
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    if (position)
        *position = best;
    return sizes[best];
}

namespace {

// The subkey name of a document: its name without extension; none for a name with a
// folder separator, which would reach outside SaveSettings.
std::optional<std::string> save_mask_key(const std::string& document_name)
{
    if (document_name.find_first_of("\\/") != std::string::npos)
        return std::nullopt;
    std::string name = document_name;
    if (auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    if (name.empty())
        return std::nullopt;
    return std::string(save_settings_section) + "\\" + name;
}

}

int read_save_mask(const platform::registry::profile& profile, const std::string& document_name, int fallback)
{
    auto key = save_mask_key(document_name);
    if (!key)
        return fallback;
    auto text = profile.get_string(*key, "SaveMask");
    if (!text || text->empty())
        return fallback;
    return std::atoi(text->c_str());
}

bool write_save_mask(platform::registry::profile& profile, const std::string& document_name, const std::string& text)
{
    auto key = save_mask_key(document_name);
    if (!key)
        return false;
    return profile.write_string(*key, "SaveMask", text) == platform::registry::status::ok;
}

}
