#pragma once

namespace core {

// True when a WM_QUIT waits in the calling thread's queue; removes only that message, so
// every other message stays, in order, for the thread's own loop. Long loops on worker
// threads call it between steps.
bool PeekQuitMessage();

// The common-controls version the program is written against (6.00).
int get_comctl32_version();

}
