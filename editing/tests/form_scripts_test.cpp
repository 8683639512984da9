#include "editing/document/form_scripts.h"
#include "editing/tests/document_fixture.h"

#include "core/util/program_environment.h"
#include "platform/strings/string_table.h"

namespace editing::testing {
namespace {

// A document fixture whose string table holds the required-field message.
struct form_scripts : document_fixture {
    form_scripts()
    {
        auto environment = saved;
        environment.strings = std::make_shared<platform::strings::string_table>(platform::strings::string_table::parse(
            "240 \"Error submitting: '%s' field is required.\"\n", "strings.txt"));
        core::install_program_environment(environment);
    }
    ~form_scripts() override { core::install_program_environment(saved); }

    std::string script_text(std::string_view id)
    {
        auto script = doc->scripts()->item(id);
        std::string out;
        if (script)
            script->inner_html(out);
        return out;
    }

    core::program_environment saved = core::current_program_environment();
};

TEST_F(form_scripts, required_named_fields_get_one_check_each_in_page_order)
{
    load("<body><form><input name=\"last\" quorbis_required><input name=\"skip\">"
         "<input quorbis_required=\"1\"><textarea name=\"say \"hi\"\" quorbis_required></textarea>"
         "</form></body>");
    ASSERT_TRUE(insert_form_validation_script(pair()));
    ASSERT_TRUE(insert_form_validation_script(pair()));
    EXPECT_EQ(doc->scripts()->length(), 1) << "a second run replaces the script";
    const auto text = script_text("quorbis_validation_script");
    EXPECT_NE(text.find("function quorbis_form_validation()\n{\n"
                        "if (!quorbis_form.last.value.length){\n"
                        "alert(\"Error submitting: 'last' field is required.\");\nreturn false;\n}\n"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("skip"), std::string::npos) << text;
    EXPECT_NE(text.find("return true;\n}"), std::string::npos) << text;
}

TEST_F(form_scripts, a_page_without_required_fields_loses_its_validation_script)
{
    load("<body><script id=\"quorbis_validation_script\">old()</script><input name=\"a\"></body>");
    EXPECT_FALSE(insert_form_validation_script(pair()));
    EXPECT_EQ(doc->scripts()->length(), 0);
    EXPECT_FALSE(insert_form_validation_script(document_pair {}));
}

TEST_F(form_scripts, the_redirect_script_is_written_once_and_called_on_load)
{
    load("<body><p>x</p></body>");
    ASSERT_TRUE(insert_redirect_script(pair()));
    ASSERT_TRUE(insert_redirect_script(pair()));
    EXPECT_EQ(doc->scripts()->length(), 1);
    EXPECT_NE(script_text("quorbis_redirection_script").find("window.open(strURL, 'redirectToForm');"),
        std::string::npos);
    html::value onload;
    ASSERT_EQ(doc->body()->get_attribute("onload", onload), html::S_OK);
    EXPECT_EQ(onload.to_text(), "javascript:redirectToForm('[pull name=@@REDIRECTORER_NAME@@]')");
    EXPECT_TRUE(remove_redirect_script(pair()));
    EXPECT_EQ(doc->scripts()->length(), 0);
}

TEST_F(form_scripts, form_id_fields_are_read_and_written_as_hidden_inputs)
{
    load("<body><form><input type=\"text\" name=\"KDV-form\" value=\"typed\"></form></body>");
    EXPECT_EQ(get_form_id_field(pair()), "") << "only a hidden input names the form";
    load("<body><form><input type=\"HIDDEN\" name=\"kdv-FORM\" value=\"Survey\"></form></body>");
    EXPECT_EQ(get_form_id_field(pair()), "Survey");

    load("<body><p>x</p><input type=\"hidden\" name=\"KDV-db\" value=\"old\"></body>");
    set_form_id_fields(pair(), "News", "user7");
    EXPECT_EQ(get_form_id_field(pair()), "News");
    EXPECT_EQ(get_hidden_field(pair(), "KDV-db"), "user7");
    EXPECT_EQ(doc->all()->tags("INPUT")->length(), 2) << "an existing field takes the value, no second one";

    // A typed name with quotes and markup stays the field's value.
    load("<body><p>x</p></body>");
    set_form_id_fields(pair(), "a\"><b>&amp;", "user7");
    EXPECT_EQ(get_form_id_field(pair()), "a\"><b>&amp;");
    EXPECT_EQ(doc->all()->tags("B")->length(), 0);
    EXPECT_EQ(doc->all()->tags("INPUT")->length(), 2);
}

}
}
