#include "platform/com/com_error.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/prompts/message_box.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace platform::prompts;

TEST(MessageBox, DefaultAnswersFollowStyleAndDefaultButton)
{
    EXPECT_EQ(default_answer(MB_OK | MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(default_answer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(default_answer(MB_YESNO), IDYES);
    EXPECT_EQ(default_answer(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(default_answer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(default_answer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    EXPECT_EQ(default_answer(MB_RETRYCANCEL), IDRETRY);
}

TEST(ScriptedPrompt, AnswersExpectedBoxesInOrder)
{
    platform::testing::scripted_prompt prompt;
    prompt.expect("first", MB_YESNO, IDNO);
    prompt.expect("second", MB_OK, IDOK);
    EXPECT_EQ(prompt.message_box("first", MB_YESNO), IDNO);
    EXPECT_EQ(prompt.message_box("second", MB_OK), IDOK);
}

TEST(ScriptedPrompt, FailsTheTestOnUnexpectedDifferentOrLeftoverBoxes)
{
    EXPECT_NONFATAL_FAILURE(
        {
            platform::testing::scripted_prompt prompt;
            EXPECT_THROW(prompt.message_box("surprise", MB_OK), platform::testing::unexpected_prompt);
        },
        "unexpected message box");
    EXPECT_NONFATAL_FAILURE(
        {
            platform::testing::scripted_prompt prompt;
            prompt.expect("text", MB_OK, IDOK);
            EXPECT_THROW(prompt.message_box("text", MB_OK | MB_ICONEXCLAMATION), platform::testing::unexpected_prompt);
        },
        "message box differs");
    EXPECT_NONFATAL_FAILURE(
        {
            platform::testing::scripted_prompt prompt;
            prompt.expect("never", MB_OK, IDOK);
        },
        "never shown");
}

TEST(ComError, SystemMessagesAndCodes)
{
    using namespace platform::com;
    EXPECT_EQ(system_message(hresult_from_system_code(2)), "No such file or directory");
    EXPECT_EQ(system_message(E_FAIL), "Unspecified error");
    EXPECT_EQ(system_message(static_cast<hresult>(0x80041234)), "");
    com_error error(E_FAIL);
    EXPECT_EQ(error.code(), E_FAIL);
    EXPECT_STREQ(error.what(), "Unspecified error (0x80004005)");
}
