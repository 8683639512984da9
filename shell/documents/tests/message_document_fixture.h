#pragma once

#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/testing/recording_conversion.h"
#include "shell/tests/app_fixture.h"

#include "platform/testing/file_contents.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/testing/document_snapshot.h"
#include "shell/documents/testing/fake_message_view.h"

#include <filesystem>

namespace shell::testing {

// A started application whose first template makes message documents, and a view that
// follows the current document.
struct message_document_fixture : app_fixture {
    FakeMessageView view;
    std::string folder_path = test.root.path() + "/docs";

    message_document_fixture()
    {
        std::filesystem::create_directories(folder_path);
        context.conversion = std::make_unique<RecordingConversion>();
        install_message_document(context, [this] { return app->doc_manager(); });
        EXPECT_TRUE(start().runs());
        attach_view();
    }

    CTalverinDocManager& manager() { return static_cast<CTalverinDocManager&>(*app->doc_manager()); }

    CTalverinDoc& doc()
    {
        EXPECT_NE(context.current_document, nullptr);
        return *context.current_document;
    }

    void attach_view()
    {
        if (context.current_document)
            context.current_document->AddView(view);
    }

    bool open(const std::string& path)
    {
        bool opened = manager().open_document_file(path) == platform::ui::DocManager::Outcome::opened;
        attach_view();
        return opened;
    }

    void new_document()
    {
        manager().on_file_new();
        attach_view();
    }

    std::string path(const std::string& name) const { return folder_path + "/" + name; }

    document_files files_of(const std::string& base)
    {
        return *document_files_for(base, ".htm", manager().dictionaries_folder());
    }

    // Saves the view's page as a new message under the name.
    bool save_as(const std::string& name, const std::string& page)
    {
        view.page = page;
        return doc().DoSave(path(name), true);
    }
};

}
