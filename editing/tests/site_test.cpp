#include "editing/site/site.h"

#include "core/log/trace_log.h"
#include "editing/document/editing_commands.h"
#include "html/contract/recording_host.h"
#include "html/headless/headless_document.h"
#include "html/url_loader.h"
#include "platform/testing/test_services.h"
#include "platform/ui/frame_resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace editing {
namespace {

namespace fs = std::filesystem;

// Answers every fetch with a small page and writes down the addresses asked for.
class recording_loader final : public html::url_loader {
public:
    explicit recording_loader(html::ui_queue& queue) : queue_(queue) { }
    void fetch(std::string_view url, done finished) override
    {
        fetched.emplace_back(url);
        queue_.post([finished = std::move(finished)] { finished(html::S_OK, "<html><body><p>fetched</p></body></html>"); });
    }
    std::vector<std::string> fetched;

private:
    html::ui_queue& queue_;
};

class fake_owner final : public site_owner {
public:
    int kind = 0;
    int mode = 0;
    bool remove_redirect = false;
    std::string path;
    const platform::ui::MenuResources* menu_resources = nullptr;
    int anchor_name_length = 0;
    int edit_options = 0;
    int pastes = 0;
    int font_applied = 0;
    int buttons = 0;
    std::vector<std::array<int, 3>> moves;
    std::vector<platform::ui::MenuModel> menus_tracked;
    std::vector<std::string> errors;
    bool throw_on_move = false;

    int document_kind() const override { return kind; }
    bool load_through_filter() const override { return kind == 2; }
    std::string document_path() const override { return path; }
    int edit_mode() const override { return mode; }
    bool remove_redirect_link() const override { return remove_redirect; }
    const platform::ui::MenuResources* menus() const override { return menu_resources; }
    void ApplyEditOptions() override { ++edit_options; }
    int GetAnchorNameAtPoint() override { return anchor_name_length; }
    void HandlePaste() override { ++pastes; }
    void OnEditorMouseMove(int flags, int x, int y) override
    {
        if (throw_on_move)
            throw std::runtime_error("move failed");
        moves.push_back({flags, x, y});
    }
    void OnEditorMouseButton() override { ++buttons; }
    void ApplyFrameFont() override { ++font_applied; }
    void TrackContextMenu(const platform::ui::MenuModel& menu, html::point) override { menus_tracked.push_back(menu); }
    void ReportException(std::exception_ptr error) override
    {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            errors.emplace_back(e.what());
        }
    }
};

class fixed_hit_test final : public html::hit_test_port {
public:
    html::element_ptr under;
    html::element_ptr element_at(html::point) override { return under; }
};

const platform::ui::MenuResources& program_menus()
{
    static const auto menus = platform::ui::MenuResources::load(platform::testing::share_folder() + "/talverin/menus.txt");
    return menus;
}

struct site_fixture : ::testing::Test {
    site_fixture()
    {
        folder = fs::temp_directory_path() / ("site_test_" + std::to_string(::getpid()) + "_"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        loader = std::make_shared<recording_loader>(queue);
    }
    ~site_fixture() override
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    document_factory factory()
    {
        return [this](html::document_host& host) {
            html::headless_ports ports;
            ports.queue = &queue;
            ports.loader = loader;
            return html::make_headless_document(host, ports);
        };
    }
    std::unique_ptr<CSite> make_site(std::string_view url = "")
    {
        auto site = std::make_unique<CSite>(owner, factory());
        site->Connect(std::make_unique<CImpIDispatch>(owner), std::make_unique<CImpIPropertyNotifySink>(owner));
        EXPECT_TRUE(site->Create(url));
        queue.run_pending();
        return site;
    }
    std::string write(const std::string& name, std::string_view bytes)
    {
        auto path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string body_text(CSite& site)
    {
        std::string text;
        site.document()->body()->inner_text(text);
        return text;
    }

    fs::path folder;
    html::manual_ui_queue queue;
    std::shared_ptr<recording_loader> loader;
    fake_owner owner;
};

TEST_F(site_fixture, addresses_load_by_their_exact_prefix_and_other_text_as_a_path)
{
    auto page = write("a b.htm", "<html><body><p>from the file</p></body></html>");
    struct row {
        std::string url;
        bool fetched;
        bool loads;
        std::string text;
    };
    const row rows[] = {
        {"", false, true, ""},
        {"file:///x/page.htm", true, true, "fetched"},
        {"https://example.net/page", true, true, "fetched"},
        {"res://talverin/185", true, true, "fetched"},
        {"FILE:x", false, false, ""},
        {page, false, true, "from the file"},
    };
    for (const auto& r : rows) {
        loader->fetched.clear();
        CSite site(owner, factory());
        ASSERT_TRUE(site.Create(""));
        queue.run_pending();
        auto hr = site.Load(r.url);
        queue.run_pending();
        EXPECT_EQ(html::succeeded(hr), r.loads) << r.url;
        EXPECT_EQ(loader->fetched.size(), r.fetched ? 1u : 0u) << r.url;
        if (r.fetched)
            EXPECT_EQ(loader->fetched.front(), r.url);
        if (r.loads)
            EXPECT_EQ(body_text(site), r.text) << r.url;
    }
}

TEST_F(site_fixture, a_text_file_goes_through_the_filter_exactly)
{
    owner.kind = 2;
    auto path = write("notes.quorbis_txt", "a\tb   c\r\n\r\n  <&> &amp;\r\nlast");
    auto site = make_site();
    ASSERT_EQ(site->Load(path), html::S_OK);
    queue.run_pending();
    EXPECT_EQ(body_text(*site), "a\tb   c\r\n\r\n  <&> &amp;\r\nlast");
    EXPECT_EQ(text_file_page("x\r\ny<"), "<html><body><pre>x\ny&lt;</pre></body></html>");
}

TEST_F(site_fixture, a_file_of_one_whole_block_brings_no_padding)
{
    owner.kind = 2;
    auto path = write("block.txt", std::string(2048, 'x'));
    auto site = make_site();
    ASSERT_EQ(site->Load(path), html::S_OK);
    queue.run_pending();
    auto text = body_text(*site);
    EXPECT_EQ(text, std::string(2048, 'x'));
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST_F(site_fixture, the_first_command_target_stays_and_options_go_once)
{
    auto site = make_site();
    ASSERT_NE(site->command_target(), nullptr);
    EXPECT_EQ(owner.edit_options, 1);
    auto* first = site->command_target();
    ::html::contract::recording_host other_host;
    html::headless_ports ports;
    ports.queue = &queue;
    auto other = html::make_headless_document(other_host, ports);
    site->on_activated(other->command_target());
    EXPECT_EQ(site->command_target(), first);
    EXPECT_EQ(owner.edit_options, 1);
    site->Close(false);
    EXPECT_EQ(site->document(), nullptr);
    EXPECT_TRUE(site->pair().empty());
}

TEST_F(site_fixture, a_factory_that_makes_nothing_gives_no_site)
{
    CSite site(owner, [](html::document_host&) { return std::unique_ptr<html::document>(); });
    EXPECT_FALSE(site.Create(""));
    EXPECT_EQ(site.document(), nullptr);
    CSite unbound(owner, nullptr);
    EXPECT_FALSE(unbound.Create(""));
    CSite failing(owner, factory());
    EXPECT_FALSE(failing.Create(write("missing-dir-name", "") + "/nothing.htm"));
    EXPECT_EQ(failing.document(), nullptr);
}

TEST_F(site_fixture, ready_states_are_traced_but_interactive)
{
    auto log = (folder / "trace.log").string();
    core::trace_logger logger({log, nullptr, nullptr, {}});
    core::install_trace_logger(&logger);
    core::trace_enabled = 1;
    auto site = make_site();
    for (int state = 0; state <= 4; ++state)
        site->on_ready_state(state);
    core::trace_enabled = 0;
    core::install_trace_logger(nullptr);
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* line : {"Doc ready state - uninitialized", "Doc ready state - loading...", "Doc ready state - loaded",
             "Doc ready state - complete"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("interactive"), std::string::npos);
}

TEST_F(site_fixture, an_html_page_gets_one_edit_style_however_often_it_loads)
{
    auto site = make_site();
    ASSERT_EQ(site->Load(write("one.htm", "<html><head></head><body><p>x</p></body></html>")), html::S_OK);
    queue.run_pending();
    ASSERT_EQ(site->Load(write("two.htm", "<html><head></head><body><p>y</p></body></html>")), html::S_OK);
    queue.run_pending();
    site->on_ready_state(4);
    auto styles = site->document()->all()->tags("STYLE");
    EXPECT_EQ(styles->length(), 1);
    EXPECT_TRUE(has_edit_style(site->pair()));
    EXPECT_GE(owner.font_applied, 1);
}

TEST_F(site_fixture, a_text_or_lite_page_is_kept_beside_its_document_only_when_it_has_one)
{
    auto previous = fs::current_path();
    fs::current_path(folder);
    for (int kind : {1, 2}) {
        owner.kind = kind;
        owner.path = (folder / ("message" + std::to_string(kind) + ".quorbis_txt")).string();
        auto site = make_site();
        EXPECT_TRUE(fs::exists(folder / ("message" + std::to_string(kind) + ".htm"))) << kind;
    }
    owner.path.clear();
    auto before = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    auto site = make_site();
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), before);
    fs::current_path(previous);
}

TEST_F(site_fixture, tab_pastes_four_spaces_except_over_a_control)
{
    auto site = make_site();
    ASSERT_EQ(site->Load(write("tab.htm", "<html><body><p id=\"p\">ab</p><img id=\"i\" src=\"x.gif\"></body></html>")),
        html::S_OK);
    queue.run_pending();
    auto pair = site->pair();
    auto range = pair.document->selection()->create_range();
    ASSERT_EQ(range->move_to_element_text(pair.document->all()->item("p")), html::S_OK);
    range->collapse(false);
    range->select();
    site->document()->input().key_down(9);
    std::string html;
    pair.document->all()->item("p")->inner_html(html);
    EXPECT_EQ(html, "ab&nbsp;&nbsp;&nbsp;&nbsp;");
    ASSERT_EQ(pair.document->selection()->select_control(pair.document->all()->item("i")), html::S_OK);
    EXPECT_FALSE(site->translate_accelerator(9, false, false, false));
    EXPECT_FALSE(site->translate_accelerator(65, false, false, false));
}

TEST_F(site_fixture, events_reach_the_owner_with_their_flags)
{
    auto site = make_site();
    const struct {
        int button;
        bool shift, ctrl;
        int flags;
    } rows[] = {{1, false, false, 1}, {2, false, false, 2}, {4, false, false, 16}, {1, false, true, 9},
        {4, true, false, 20}, {0, true, true, 12}};
    for (const auto& r : rows)
        EXPECT_EQ(editor_mouse_flags(r.button, r.shift, r.ctrl), r.flags);

    html::event move;
    move.dispid = html::event_mouse_move;
    move.button = 1;
    move.ctrl = true;
    move.screen = {30, 40};
    site->on_event(move);
    ASSERT_EQ(owner.moves.size(), 1u);
    EXPECT_EQ(owner.moves[0], (std::array<int, 3> {9, 30, 40}));
    EXPECT_FALSE(move.cancelled());

    html::event paste;
    paste.dispid = html::event_key_down;
    paste.key_code = 86;
    paste.ctrl = true;
    site->on_event(paste);
    EXPECT_EQ(owner.pastes, 1);
    EXPECT_TRUE(paste.cancelled());

    owner.throw_on_move = true;
    html::event failing;
    failing.dispid = html::event_mouse_move;
    site->on_event(failing);
    EXPECT_TRUE(failing.cancelled());
    EXPECT_EQ(owner.errors, (std::vector<std::string> {"move failed"}));
}

TEST_F(site_fixture, selecting_a_picture_or_marquee_is_cancelled_and_nothing_else)
{
    auto site = make_site();
    ASSERT_EQ(site->Load(write("c.htm", "<html><body><img id=\"i\" src=\"x.gif\"><marquee id=\"m\">m</marquee>"
                                        "<table id=\"t\"><tr><td>x</td></tr></table></body></html>")),
        html::S_OK);
    queue.run_pending();
    fixed_hit_test hit;
    site->document()->set_hit_test(&hit);
    for (auto [id, cancelled] : {std::pair {"i", true}, {"m", true}, {"t", false}}) {
        hit.under = site->document()->all()->item(id);
        html::event e;
        e.dispid = html::event_control_select;
        site->on_event(e);
        EXPECT_EQ(e.cancelled(), cancelled) << id;
    }
    site->document()->set_hit_test(nullptr);
}

TEST_F(site_fixture, the_context_menu_follows_document_and_mode)
{
    const struct {
        int kind, mode, id;
        const char* first_after_separator;
    } rows[] = {{0, 0, 173, "&View Source"}, {0, 1, 240, "&View Source"}, {0, 2, 242, "&View Source"},
        {1, 0, 243, "&Insert"}, {1, 1, 243, "&Insert"}, {2, 0, 244, "Insert"}, {2, 2, 244, "Insert"},
        {2, 1, 444, "Insert"}};
    for (const auto& r : rows) {
        EXPECT_EQ(context_menu_id(r.kind, r.mode), r.id);
        auto menu = build_context_menu(program_menus(), r.kind, r.mode, false);
        ASSERT_TRUE(menu) << r.id;
        ASSERT_GE(menu->count(), 5u);
        EXPECT_EQ(menu->at(0).id, 57635);
        EXPECT_EQ(menu->at(3).id, 0);
        EXPECT_EQ(menu->at(4).text, r.first_after_separator) << r.id;
    }
    auto greetings = build_context_menu(program_menus(), 0, 1, false);
    EXPECT_NE(greetings->find(33055), nullptr);
    auto without = build_context_menu(program_menus(), 0, 1, true);
    EXPECT_EQ(without->find(33055), nullptr);
    EXPECT_NE(without->find(32817), nullptr);

    owner.menu_resources = &program_menus();
    owner.mode = 1;
    owner.remove_redirect = true;
    auto site = make_site();
    EXPECT_TRUE(site->show_context_menu({5, 6}));
    ASSERT_EQ(owner.menus_tracked.size(), 1u);
    EXPECT_EQ(owner.menus_tracked[0].find(33055), nullptr);
    EXPECT_EQ(site->context_menu_point(), (html::point {5, 6}));
    owner.anchor_name_length = 3;
    EXPECT_TRUE(site->show_context_menu({7, 8}));
    EXPECT_EQ(owner.menus_tracked.size(), 1u);
    EXPECT_EQ(site->context_menu_point(), (html::point {7, 8}));
}

TEST(menu_resources, the_reader_refuses_what_it_cannot_read)
{
    auto menus = platform::ui::MenuResources::parse("menu 5\npopup \"a\"\nitem 7 \"b\"\nseparator\nend\nend\n", "t");
    auto menu = menus.make(5);
    ASSERT_EQ(menu->count(), 1u);
    EXPECT_EQ(menu->at(0).submenu->count(), 2u);
    menu->at(0).submenu->delete_by_id(7);
    EXPECT_EQ(menus.make(5)->at(0).submenu->count(), 2u); // copies are the caller's
    for (const char* bad : {"item 1 \"x\"\n", "menu 1\n", "menu 1\nend\nend\n", "menu x\nend\n", "menu 1\nitem 2\nend\n",
             "menu 1\nwidget 2 \"x\"\nend\n", "menu 1\nend\nmenu 1\nend\n", "menu 1\nitem 2 \"x\" extra\nend\n"})
        EXPECT_THROW(platform::ui::MenuResources::parse(bad, "t"), platform::ui::frame_resource_error) << bad;
    EXPECT_EQ(menus.make(6), nullptr);
}

}
}
