#pragma once

// The dial-up library's exports, as the program imports them.

#include <cstdint>

#if defined(DUNVELL_BUILDING)
#define DUNVELL_API __attribute__((visibility("default")))
#else
#define DUNVELL_API
#endif

extern "C" {

// 1 when dial-up networking and all its entry points are present, else 0.
DUNVELL_API int Dunvell_RASDllOK(void);

// 1 when the kernel's table of TCP connections can be read, else 0.
DUNVELL_API int Dunvell_SnmpDllOK(void);

// The text of a dial-up error into the buffer, always ended; 0, 603 when the buffer was
// too short for all of it, 87 for an unknown error or a null or empty buffer.
DUNVELL_API long Dunvell_GetErrorString(long error, char* buffer, std::uint32_t size);

// The text of a dial state into the buffer, always ended: its length; 1 with the buffer
// empty for a state without a text; 87 for a null or empty buffer.
DUNVELL_API int Dunvell_GetStateString(int state, char* buffer, std::uint32_t size);

// Opens, creating it, "Configurations\<name>\RAS Settings" under the program key and makes
// it the current dial-up settings; the registry result, 0 on success. A null or empty
// name is refused without touching the store.
DUNVELL_API long Dunvell_SetCurrentConfig(const char* name);

// 0 connecting, 1 connected, 2 not connected, 3 no phonebook entry configured.
DUNVELL_API int Dunvell_State(void);

// 1 when the connection carries a live TCP connection, else 0.
DUNVELL_API int Dunvell_ConnectionInUse(void);

// Starts the idle-disconnect rule of the connection dialled here; with a non-zero wait
// flag returns once it is done (a hang-up waits for the line's release, at most 30 s).
// Always 1.
DUNVELL_API int Dunvell_GoIdle(int wait);

// Dials the current configuration's connection, posting its progress (0xCCCD) to the
// window; 1 when connected, connecting or dialling, 0 on failure.
DUNVELL_API int Dunvell_Dial(std::uintptr_t window);

// Runs the dial-up settings dialog for the current configuration; 1 after OK, 0 after
// Cancel or while dial-up networking is unusable.
DUNVELL_API int Dunvell_RASCfgDialog(std::uintptr_t parent);

// Runs the same dialog with "Connect" for OK; 1 after Connect, 0 after Cancel.
DUNVELL_API int Dunvell_ShowDialingDlg(std::uintptr_t parent);
}
