#pragma once

namespace broadcast {

// String resources of the broadcast settings and their small dialogs.
inline constexpr unsigned IDS_READY_TO_SEND = 25100;          // "Are you ready to send the Broadcast?"
inline constexpr unsigned IDS_PULL_PASSWORD_MISMATCH = 25101;
inline constexpr unsigned IDS_MISSED_PULL_PASSWORD = 25102;
inline constexpr unsigned IDS_INCORRECT_DELIVERY_DATE = 25103;
inline constexpr unsigned IDS_SUBMIT_NEEDS = 25104;           // the tip over a disabled submit button
inline constexpr unsigned IDS_SELECT_LOCAL_LIST = 25105;
inline constexpr unsigned IDS_LOCAL_LIST_FILTER = 25106;
inline constexpr unsigned IDS_PULL_YES = 25107;
inline constexpr unsigned IDS_PULL_NO = 25108;
inline constexpr unsigned IDS_PULL_PICTURE = 25109;
inline constexpr unsigned IDS_PULL_GENERAL = 25110;

}
