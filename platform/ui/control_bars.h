#pragma once

#include "platform/ui/frame_resources.h"
#include "platform/ui/message_queue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

// Bar ids of the frame's standard bars.
inline constexpr int AFX_IDW_TOOLBAR = 0xE800;
inline constexpr int AFX_IDW_STATUS_BAR = 0xE801;
inline constexpr int AFX_IDW_REBAR = 0xE804;
inline constexpr int ID_SEPARATOR = 0;

// Toolbar button and bar styles, with the platform's numbers.
inline constexpr unsigned TBSTYLE_BUTTON = 0x0000;
inline constexpr unsigned TBSTYLE_SEP = 0x0001;
inline constexpr unsigned TBSTYLE_CHECK = 0x0002;
inline constexpr unsigned TBSTYLE_DROPDOWN = 0x0008;
inline constexpr unsigned TBSTYLE_AUTOSIZE = 0x0010;
inline constexpr unsigned TBSTYLE_TOOLTIPS = 0x0100;
inline constexpr unsigned TBSTYLE_FLAT = 0x0800;
inline constexpr unsigned TBSTYLE_LIST = 0x1000;
inline constexpr unsigned TBSTYLE_TRANSPARENT = 0x8000;
inline constexpr unsigned TBSTYLE_EX_DRAWDDARROWS = 0x0001;
inline constexpr unsigned TBSTATE_CHECKED = 0x01;
inline constexpr unsigned TBSTATE_ENABLED = 0x04;
inline constexpr unsigned TBSTATE_HIDDEN = 0x08;

inline constexpr unsigned CBRS_HIDE_INPLACE = 0x0008;
inline constexpr unsigned CBRS_TOOLTIPS = 0x0010;
inline constexpr unsigned CBRS_FLYBY = 0x0020;
inline constexpr unsigned CBRS_SIZE_DYNAMIC = 0x0400;
inline constexpr unsigned CBRS_ALIGN_TOP = 0x1000;
inline constexpr unsigned CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr unsigned CBRS_ALIGN_ANY = 0xF000;
inline constexpr unsigned CBRS_GRIPPER = 0x00400000;
inline constexpr unsigned RBS_BANDBORDERS = 0x0400;

// What every bar of a frame has: its window among the frame's children, its id, styles,
// title, visibility and, when it floats, where.
class ControlBar {
public:
    virtual ~ControlBar() = default;

    bool created() const { return window_ != 0; }
    window_id window() const { return window_; }
    int id() const { return id_; }
    unsigned bar_style() const { return bar_style_; }
    void set_bar_style(unsigned style) { bar_style_ = style; }
    unsigned style() const { return style_; }
    const std::string& title() const { return title_; }
    void SetWindowText(std::string title) { title_ = std::move(title); }
    bool visible() const { return visible_; }
    void set_visible(bool visible) { visible_ = visible; }
    bool floating() const { return floating_; }
    // Floats the bar with its top left corner at the point (screen coordinates).
    void float_at(int x, int y);
    // The bar's place in the frame's client area (RecalcLayout's), or its floating place.
    const rect& place() const { return place_; }
    void set_place(const rect& place) { place_ = place; }
    // The height the bar takes when docked.
    virtual int docked_height() const = 0;

    // The frame made the bar's window; its id, styles and title follow.
    void attach(window_id window, int id, unsigned style, unsigned bar_style, bool visible);

private:
    window_id window_ = 0;
    int id_ = 0;
    unsigned style_ = 0;
    unsigned bar_style_ = 0;
    std::string title_;
    bool visible_ = false;
    bool floating_ = false;
    rect place_;
};

// A status bar: panes of text, each with its id and width.
class StatusBar final : public ControlBar {
public:
    struct Pane {
        int id = 0;
        std::string text;
        int width = 0;
    };

    // Panes by their ids; each starts with the text of its string resource (empty for
    // ID_SEPARATOR, the message pane).
    void SetIndicators(const std::vector<int>& ids, const std::vector<std::string>& texts);
    // The index of the pane with the id; -1 for none.
    int CommandToIndex(int id) const;
    // False for an index out of range.
    bool SetPaneText(int index, std::string text);
    const std::string& GetPaneText(int index) const { return panes_.at(static_cast<std::size_t>(index)).text; }
    void SetPaneInfo(int index, int id, int width);
    const std::vector<Pane>& panes() const { return panes_; }
    // A pane's progress value (0-100) over its text; nothing when it shows none.
    std::optional<int> progress() const { return progress_; }
    void set_progress(std::optional<int> value) { progress_ = value; }
    int docked_height() const override { return 20; }

private:
    std::vector<Pane> panes_;
    std::optional<int> progress_;
};

// A control carried by a toolbar in the place of a separator button (a combo box).
struct ToolControl {
    int id = 0;
    int width = 0;
    bool sorted = false;
    bool drop_list = false; // no typed text
    bool visible = true;
    bool enabled = true;
    std::vector<std::string> items;
    int selection = -1;
    std::string font_face;
    int font_height = 0;

    // Appends, or inserts in order (case ignored) when sorted; the item's index.
    int add_string(std::string text);
    // The first item equal to the text, case ignored as the platform's exact search does; -1 for none.
    int find_string_exact(const std::string& text) const;
};

// A toolbar: buttons from a toolbar resource with their styles, labels and states, and
// controls in the places of separators.
class ToolBar : public ControlBar {
public:
    struct Button {
        int command = 0;   // 0 for a separator without a control
        unsigned style = TBSTYLE_BUTTON;
        unsigned state = TBSTATE_ENABLED;
        std::string label;
        int width = 0;     // separators and controls: their own width
    };

    // The buttons of the resource; false (nothing changed) for a missing resource.
    bool LoadToolBar(const ToolbarResource* resource);
    bool loaded() const { return resource_id_ != 0; }
    int resource_id() const { return resource_id_; }
    unsigned extended_style() const { return extended_style_; }
    void SetExtendedStyle(unsigned style) { extended_style_ = style; }

    int button_count() const { return static_cast<int>(buttons_.size()); }
    const Button& button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    const std::vector<Button>& buttons() const { return buttons_; }
    // The index of the first button with the command; -1 for none.
    int CommandToIndex(int command) const;
    void SetButtonStyle(int index, unsigned style) { buttons_.at(static_cast<std::size_t>(index)).style = style; }
    void SetButtonText(int index, std::string label) { buttons_.at(static_cast<std::size_t>(index)).label = std::move(label); }
    void SetButtonCommand(int index, int command) { buttons_.at(static_cast<std::size_t>(index)).command = command; }
    void CheckButton(int command, bool checked);
    bool IsButtonChecked(int command) const;
    void EnableButton(int command, bool enabled);
    bool IsButtonEnabled(int command) const;

    // Inserts a button at the position (below 0 or past the last button: at the end); its index.
    int insert_button(int position, Button button);
    // Inserts a separator of the control's width carrying its id at the position (below 0
    // or past the last button: at the end), and the control with it; its index.
    int insert_control(int position, ToolControl control);
    ToolControl* control(int id);
    const std::vector<ToolControl>& controls() const { return controls_; }

    // A button's rectangle in the bar's client coordinates.
    rect item_rect(int index) const;
    int button_width() const { return button_width_; }
    int button_height() const { return button_height_; }
    // A row of buttons, a little border around it.
    int docked_height() const override { return button_height_ + 6; }
    int total_width() const;

private:
    int resource_id_ = 0;
    int button_width_ = 0;
    int button_height_ = 0;
    unsigned extended_style_ = 0;
    std::vector<Button> buttons_;
    std::vector<ToolControl> controls_;
};

// The toolbar kind of the program's frames; its painting is the look's, not the model's.
class CToolBarXP final : public ToolBar { };

// A rebar: bands in order, each holding a bar, with or without a gripper.
class ReBar : public ControlBar {
public:
    struct Band {
        ControlBar* bar = nullptr;
        bool gripper = false;
        bool maximised = false;
    };

    // False when the bar has no window.
    bool AddBar(ControlBar& bar, bool gripper);
    const std::vector<Band>& bands() const { return bands_; }
    // The band's place maximised; false for an index out of range.
    bool MaximizeBand(std::size_t index);
    // The band holding the bar; -1 for none.
    int band_of(const ControlBar& bar) const;
    int docked_height() const override;

private:
    std::vector<Band> bands_;
};

}
