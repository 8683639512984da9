#pragma once

#include "../../tests/app_fixture.h"
#include "platform/gfx/testing/fixed_fonts.h"
#include "platform/strings/string_table.h"
#include "shell/frames/main_frame.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace shell::testing {

// The active editing view as the frames see it: what they ask is written down.
class probe_view final : public FrameView {
public:
    std::vector<std::string> calls;
    bool form_mode = false;
    std::uint64_t serial = 0;

    int PutDownloadedFile(int kind, std::int32_t id, const std::string& picture, const std::string& pull) override
    {
        calls.push_back("put " + std::to_string(kind) + " " + std::to_string(id) + " " + picture + " " + pull);
        return 1;
    }
    void apply_browser_font(const std::string& face, int html_size) override
    {
        calls.push_back("font " + face + " " + std::to_string(html_size));
    }
    void discard_undo_state() override { calls.push_back("discard undo"); }
    void set_body_text_color(const std::string& colour) override { calls.push_back("text colour " + colour); }
    void exec_editing_command(int command, std::int32_t value, int option) override
    {
        calls.push_back("exec " + std::to_string(command) + " " + std::to_string(value) + " " + std::to_string(option));
    }
    void set_page_charset(const std::string& charset) override { calls.push_back("charset " + charset); }
    bool form_creation_mode() const override { return form_mode; }
    std::uint64_t document_serial() const override { return serial; }
};

// The dial-up library's calls the main frame makes.
class probe_dialup final : public dunvell::DialupLibrary {
public:
    std::vector<std::string> calls;
    int dialing_answer = 0;
    int RASDllOK() override { return 1; }
    long SetCurrentConfig(const std::string&) override { return 0; }
    int RASCfgDialog(std::uintptr_t) override { return 0; }
    int Dial(std::uintptr_t) override
    {
        calls.push_back("Dial");
        return 1;
    }
    int State() override { return 2; }
    int GoIdle(int wait) override
    {
        calls.push_back("GoIdle " + std::to_string(wait));
        return 1;
    }
    int ShowDialingDlg(std::uintptr_t) override
    {
        calls.push_back("ShowDialingDlg");
        return dialing_answer;
    }
};

// A frame kind whose bar of the given id cannot be made.
template <class Frame>
class failing_frame final : public Frame {
public:
    failing_frame(FrameServices& services, int failing_bar) : Frame(services), failing_bar_(failing_bar) { }

protected:
    platform::ui::window_id MakeBarWindow(int id, bool visible) override
    {
        return id == failing_bar_ ? 0 : Frame::MakeBarWindow(id, visible);
    }

private:
    int failing_bar_;
};

struct frame_fixture : app_fixture {
    std::string resources = test.services.locations.resources + "/talverin";
    platform::ui::ToolbarResources toolbars = platform::ui::ToolbarResources::load(resources + "/toolbars.txt");
    platform::ui::MenuResources menus = platform::ui::MenuResources::load(resources + "/menus.txt");
    platform::gfx::testing::fixed_font_catalogue fonts;
    probe_view view;
    bool view_active = true;
    probe_dialup dial;
    FrameServices services {context, queue, toolbars, menus, fonts};

    frame_fixture()
    {
        core::trace_enabled = 1;
        services.active_view = [this]() -> FrameView* { return view_active ? &view : nullptr; };
        services.dialup = &dial;
    }

    const std::string& text(unsigned id) const { return test.services.strings.text(id); }
    // The "&View" > "&Toolbar" item of a frame's menu.
    static platform::ui::MenuItem* toolbar_item(CWizardFrame& frame, int id)
    {
        auto* view = platform::ui::find_submenu(*frame.GetMenu(), "&View");
        auto* toolbars = view ? platform::ui::find_submenu(*view, "&Toolbar") : nullptr;
        return toolbars ? toolbars->find(id) : nullptr;
    }
};

}
