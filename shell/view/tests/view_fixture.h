#pragma once

#include "html/headless/headless_document.h"
#include "html/ui_queue.h"
#include "shell/documents/tests/doc_manager_fixture.h"
#include "shell/documents/wizard_doc.h"
#include "shell/view/view_frame.h"
#include "shell/view/wizard_view.h"

#include <filesystem>

namespace shell::testing {

// A frame that writes down what the view asks of it.
class recording_frame final : public ViewFrame {
public:
    std::vector<int> routed;
    std::vector<platform::ui::message> translated;
    std::vector<std::string> status;
    int fonts = 0;
    int closes = 0;
    bool handles_accelerators = true;

    platform::ui::window_id frame_window() const override { return 77; }
    bool OnCmdMsg(int id) override
    {
        routed.push_back(id);
        return true;
    }
    bool PreTranslateMessage(const platform::ui::message& msg) override
    {
        translated.push_back(msg);
        return handles_accelerators;
    }
    void SetMessageText(const std::string& text) override { status.push_back(text); }
    void ApplyFontCommand(CWizardView&) override { ++fonts; }
    void CloseFrame() override { ++closes; }
};

// The HTML-lite document as far as the view base tells documents apart.
class lite_document final : public CWizardDoc {
public:
    using CWizardDoc::CWizardDoc;
    unsigned GetBodyPartNameId() const override { return 3092; }
    int DocumentKind() const override { return 1; }
};

// A started application whose views edit headless documents on a manual queue.
struct view_fixture : doc_manager_fixture, ::testing::Test {
    view_fixture()
    {
        host.set_ui_queue(&queue);
        context.services.document_factory = [this](html::document_host& document_host) -> std::unique_ptr<html::document> {
            if (!factory_works)
                return nullptr;
            html::headless_ports ports;
            ports.queue = &pages;
            ports.clip = clip;
            return html::make_headless_document(document_host, ports);
        };
        context.services.clipboard = clip;
    }

    // A document of the kind with its view and frame, the view's initial update run.
    template <class Doc = CWizardDoc>
    std::unique_ptr<Doc> open(const std::string& path = {})
    {
        auto document = std::make_unique<Doc>(context, &manager());
        if (!path.empty())
            EXPECT_TRUE(document->OnOpenDocument(path));
        view = std::make_unique<CWizardView>(context, &manager());
        view->SetDocument(document.get());
        view->SetFrame(&frame);
        document->AddView(*view);
        view->OnInitialUpdate();
        pages.run_pending();
        return document;
    }
    editing::document_pair pair() { return view->GetHTMLDocument(); }
    html::element_ptr by_id(std::string_view id) { return pair().document->all()->item(id); }
    void load(const std::string& page)
    {
        auto file = folder() + "/page.htm";
        write(file, page);
        ASSERT_EQ(view->site()->Load(file), html::S_OK);
        pages.run_pending();
    }
    void caret_at_end_of(std::string_view id)
    {
        auto range = pair().document->selection()->create_range();
        ASSERT_EQ(range->move_to_element_text(by_id(id)), html::S_OK);
        range->collapse(false);
        range->select();
    }
    std::string body_html()
    {
        std::string out;
        pair().document->body()->inner_html(out);
        return out;
    }

    html::manual_ui_queue pages;
    std::shared_ptr<html::clipboard> clip = std::make_shared<html::clipboard>();
    bool factory_works = true;
    recording_frame frame;
    std::unique_ptr<CWizardView> view;
};

}
