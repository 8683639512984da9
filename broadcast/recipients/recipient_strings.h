#pragma once

namespace broadcast {

// String resources of the recipient selection.
inline constexpr unsigned IDS_NOT_AN_ADDRESS = 25120; // "%1" is neither a book entry nor an internet address
inline constexpr unsigned IDS_BOOK_UNREADABLE = 25121; // the book opened but could not be read: %1
inline constexpr unsigned IDS_CANNOT_OPEN_CONTACTS = 25122;
inline constexpr unsigned IDS_CANNOT_READ_CONTACTS = 25123;

}
