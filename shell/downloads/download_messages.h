#pragma once

#include "platform/ui/message_queue.h"

#include <cstdint>

namespace shell {

// Posted to the notify window by every download: wParam download_status_started (3103, the
// status pane and its "Requesting data..." string) when its transfer starts, 0 when it
// ends; lParam 0. Several downloads overlap, so the frame counts starts and ends and clears
// the pane when the count is back at 0.
inline constexpr std::uint32_t WM_DOWNLOAD_STATUS = platform::ui::WM_USER + 600;
inline constexpr std::uintptr_t download_status_started = 3103;

// Completion messages, wParam the object id, lParam 0; the result waits in
// AppContext::download_results under that id, with the serial of the document it was
// started for (CDownloadedObject::document_serial).
inline constexpr std::uint32_t WM_PICTURE_DOWNLOADED = platform::ui::WM_USER + 601;
inline constexpr std::uint32_t WM_PULLFILE_DOWNLOADED = platform::ui::WM_USER + 602;
inline constexpr std::uint32_t WM_CLICKTO_PICTURE_DOWNLOADED = platform::ui::WM_USER + 603;
inline constexpr std::uint32_t WM_HYPERLINK_PICTURE_DOWNLOADED = platform::ui::WM_USER + 604;
inline constexpr std::uint32_t WM_MAILTO_PICTURE_DOWNLOADED = platform::ui::WM_USER + 605;
inline constexpr std::uint32_t WM_SENDFRIEND_PICTURE_DOWNLOADED = platform::ui::WM_USER + 606;

// The completion message of a picture of the object kind: 1625 for 0, 1628 for 4, 1629
// for 5, 1630 for 6, 1627 for every other kind.
std::uint32_t picture_completion_message(int kind);

}
