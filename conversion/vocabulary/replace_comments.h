#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace conversion {

// A text shown in the body and a second form of it kept in a comment beside it.
std::string produceReplaceComment(std::string_view shown, std::string_view kept);

// The size comment of a pull file: its size shown, its placeholder kept. An unreadable file
// shows nothing; a name that is not a bare file name, or that would end the comment, gives
// no comment. Both are traced.
std::string produce_pull_size_comment(std::string_view name, const std::string& file_path);

// Swaps the shown and kept texts of every replace comment, in one pass into a new string.
// A comment that keeps a pull-size placeholder shows the fresh size of that file in
// `pull_folder` instead; without a folder, for a name that is not a bare file name or a file
// that cannot be read, it is left as it stands. A marker without its kept part ends the scan.
void refreshReplaceComments(std::string& body, const std::optional<std::string>& pull_folder);

}
