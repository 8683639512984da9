#pragma once

#include "platform/registry/profile.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace shell {

// The program-wide settings, read once at start and written back once at a normal exit.
struct Settings {
    int logging = 0;
    std::string doc_charset;
    std::string picture_last_path;
    std::string bg_sound_last_path;
    std::string smtp_dest_addr;
    std::string http_broadcast_url;
    std::string http_broadcast_url_secure;
    int autopull_images = 0;
    std::string acceptance_report;
    std::string dsn;
    std::string mdn;
    std::string progress_report;
    int spell_checker = 0;
    int lcid = 0;
    std::array<std::uint32_t, 16> custom_colors {};
    std::string current_font; // at most 31 bytes, a face name's limit
    int size = 0;
    int color = 0;
    int weight = 0;
    std::uint8_t is_strike_out = 0;
    std::uint8_t is_under_line = 0;
    int is_bold = 0;
    std::uint8_t is_italic = 0;

    bool operator==(const Settings&) const = default;
};

// Values that depend on the deployment and the user's locale.
struct SettingsDefaults {
    std::string submission_address;
    std::string gateway_host;
    int lcid = 1033;
};

// The defaults this build was configured with, and the given locale.
SettingsDefaults deployment_defaults(int lcid);

enum class SettingKind {
    integer,      // a number
    byte_flag,    // a number of which the low 8 bits are kept
    text,         // a text, read whole
    never_empty,  // a text that reads as its default when missing or empty
    font_name,    // a text cut to 31 bytes on a character boundary
};

using SettingField = std::variant<int Settings::*, std::uint8_t Settings::*, std::string Settings::*,
    std::size_t /* custom colour index */>;
using SettingDefault = std::variant<int, std::string>;

struct SettingDescriptor {
    std::string section;
    std::string entry;
    SettingKind kind;
    SettingField field;
    SettingDefault fallback;
    bool written_back;
};

// Every setting in load order; saving walks the same order over the written-back ones.
std::vector<SettingDescriptor> settings_table(const SettingsDefaults& defaults);

Settings default_settings(const SettingsDefaults& defaults);
Settings load_settings(const platform::registry::profile& profile, const SettingsDefaults& defaults);
// The exit write-back as one batch: all values reach the store, or none does.
[[nodiscard]] platform::registry::status save_settings(platform::registry::profile& profile,
    const Settings& settings, const SettingsDefaults& defaults);

// Face names are limited to 31 bytes; the cut never splits a UTF-8 character.
std::string limit_face_name(const std::string& name);

// The nearest of the HTML font point sizes 8, 10, 12, 14, 18, 24, 36 (a tie goes to the
// smaller); `position` receives its index 0-6.
int GetNearestFontSize(int size, int* position);

// The per-document "SaveMask" under SaveSettings\<document name>. A name holding "\" or
// "/" is not a document name: reading gives the default and writing stores nothing.
int read_save_mask(const platform::registry::profile& profile, const std::string& document_name, int fallback);
[[nodiscard]] bool write_save_mask(platform::registry::profile& profile, const std::string& document_name,
    const std::string& text);

}
