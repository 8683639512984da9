#pragma once

#include "dialup/dunvell.h"
#include "dialup/dialup_library.h"

// The shell's calls bound to the dial-up library's exports.
class DunvellImports final : public dunvell::DialupLibrary {
public:
    int RASDllOK() override { return Dunvell_RASDllOK(); }
    long SetCurrentConfig(const std::string& name) override { return Dunvell_SetCurrentConfig(name.c_str()); }
    int RASCfgDialog(std::uintptr_t parent) override { return Dunvell_RASCfgDialog(parent); }
    int Dial(std::uintptr_t window) override { return Dunvell_Dial(window); }
    int State() override { return Dunvell_State(); }
    int GoIdle(int wait) override { return Dunvell_GoIdle(wait); }
    int ShowDialingDlg(std::uintptr_t parent) override { return Dunvell_ShowDialingDlg(parent); }
};
