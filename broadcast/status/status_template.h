#pragma once

// Controls and pictures of the broadcast status template (177), which the transports'
// status dialogs share.
namespace broadcast::status_template {

inline constexpr int control_button = 2;
inline constexpr int control_bar = 1030;
inline constexpr int control_text = 1031;
inline constexpr int control_picture = 1083;
inline constexpr int control_second_line = 1181; // the file size, an FTP step's second line

inline constexpr int picture_working = 281;
inline constexpr int picture_succeeded = 188;
inline constexpr int picture_failed = 189;

}
