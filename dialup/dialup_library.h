#pragma once

#include <cstdint>
#include <string>

namespace dunvell {

// The dial-up library's exports as the shell calls them; the program binds the library's
// own, tests a fake.
class DialupLibrary {
public:
    virtual ~DialupLibrary() = default;
    // 1 when dial-up networking is usable, else 0.
    virtual int RASDllOK() = 0;
    // Makes the configuration's dial-up settings the current ones; the registry result.
    virtual long SetCurrentConfig(const std::string& name) = 0;
    // Runs the settings dialog for the current configuration; its result, 0 when dial-up
    // networking is unusable.
    virtual int RASCfgDialog(std::uintptr_t parent) = 0;
    // Dials the current configuration's connection, telling the window of its progress; 1
    // when connected, connecting or dialling, 0 on failure.
    virtual int Dial(std::uintptr_t window) = 0;
    // 0 connecting, 1 connected, 2 not connected, 3 no phonebook entry configured.
    virtual int State() = 0;
    // Lets the connection this library dialled hang up as configured, waiting for that
    // when `wait` is set; 1. Without dial-up networking there is nothing to idle.
    virtual int GoIdle(int /*wait*/) { return 1; }
    // The settings dialog in dialling mode; non-zero when the user confirmed. Without
    // dial-up networking there is no dialog: 0.
    virtual int ShowDialingDlg(std::uintptr_t /*parent*/) { return 0; }
};

}
