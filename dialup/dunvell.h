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

// Opens, creating it, "Configurations\<name>\RAS Settings" under the program key and makes
// it the current dial-up settings; the registry result, 0 on success. A null or empty
// name is refused without touching the store.
DUNVELL_API long Dunvell_SetCurrentConfig(const char* name);

// Runs the dial-up settings dialog for the current configuration; its result, 0 while
// dial-up networking is unusable.
DUNVELL_API int Dunvell_RASCfgDialog(std::uintptr_t parent);

// Dials the current configuration's connection, sending its progress to the window; 1
// when connected, connecting or dialling, 0 on failure (always while dial-up networking
// is unusable).
DUNVELL_API int Dunvell_Dial(std::uintptr_t window);

// 0 connecting, 1 connected, 2 not connected (always while dial-up networking is
// unusable), 3 no phonebook entry configured.
DUNVELL_API int Dunvell_State(void);
}
