#include "config_fixture.h"
#include "shell/config/passwd_block.h"
#include "shell/config/registry_strings.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using platform::registry::binary;
using platform::registry::hive;
using platform::registry::status;

namespace {

password_fill counting_fill()
{
    password_fill fill;
    for (std::size_t i = 0; i < fill.size(); ++i)
        fill[i] = static_cast<std::uint8_t>(i);
    return fill;
}

std::string decode(const binary& bytes)
{
    return decode_password_block(bytes);
}

}

TEST(PasswordBlock, LaysOutTheStoredTableByteForByte)
{
    EXPECT_EQ(encode_password_block("abc", 12, 0x5A, counting_fill()),
        (binary {0x00, 0x01, 0x02, 0x0C, 0x04, 0x05, 0x06, 0x5A, 0x03, 0x00, 0x00, 0x00, 0x3B, 0x38, 0x39}));
    EXPECT_EQ(decode(encode_password_block("abc", 12, 0x5A, counting_fill())), "abc");

    auto empty = encode_password_block("", 20, 0xFF, counting_fill());
    ASSERT_EQ(empty.size(), 20u);
    EXPECT_EQ(empty[3], 20);
    EXPECT_EQ(binary(empty.end() - 6, empty.end()), (binary {0x0E, 0xFF, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(decode(empty), "");

    EXPECT_THROW(encode_password_block("x", 9, 1, counting_fill()), std::invalid_argument);
    EXPECT_THROW(encode_password_block("x", 21, 1, counting_fill()), std::invalid_argument);
    EXPECT_THROW(encode_password_block("x", 12, 0, counting_fill()), std::invalid_argument);
}

TEST(PasswordBlock, LoginAndPasswordAreStoredAndReadBack)
{
    config_fixture f;
    const std::string key = f.key("Work");
    ASSERT_TRUE(write_login_and_password(f.store, key, "bob", "s3cret", f.random));
    EXPECT_EQ(f.stored("Work", "login"), platform::registry::value(binary {0x62, 0x6F, 0x62, 0x00}));
    ASSERT_TRUE(std::holds_alternative<binary>(f.stored("Work", "passwd").value()));
    std::string login;
    std::string password;
    ASSERT_TRUE(read_login_and_password(f.store, key, login, password));
    EXPECT_EQ(login, "bob");
    EXPECT_EQ(password, "s3cret");

    f.store.fail_next_writes(1);
    EXPECT_FALSE(write_login_and_password(f.store, key, "eve", "x", f.random));
}

TEST(PasswordBlock, RoundTripsEveryOffsetAndCutsLongPasswordsAtTheBlockEnd)
{
    std::vector<std::string> passwords;
    for (std::size_t length : {0, 1, 240, 241, 250, 260, 300})
        passwords.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    passwords.push_back("p\xC3\xA4ssw\xC3\xB6rt \xE2\x82\xAC"); // UTF-8
    platform::random::engine_random_source random;
    for (int offset = 10; offset <= 20; ++offset) {
        for (const auto& password : passwords) {
            password_fill fill;
            for (auto& byte : fill)
                byte = random.next_byte();
            auto block = encode_password_block(password, offset, 0x33, fill);
            auto kept = std::min<std::size_t>(password.size(), 260 - static_cast<std::size_t>(offset));
            EXPECT_EQ(block.size(), static_cast<std::size_t>(offset) + kept) << offset << " " << password.size();
            EXPECT_EQ(decode(block), password.substr(0, kept)) << offset << " " << password.size();
        }
    }
}

TEST(PasswordBlock, TwoStoresOfOnePasswordDifferAndBothReadBack)
{
    config_fixture f;
    std::string login;
    std::string password;
    ASSERT_TRUE(write_login_and_password(f.store, f.key("A"), "u", "same password", f.random));
    ASSERT_TRUE(write_login_and_password(f.store, f.key("B"), "u", "same password", f.random));
    EXPECT_NE(f.stored("A", "passwd"), f.stored("B", "passwd"));
    for (const char* name : {"A", "B"}) {
        ASSERT_TRUE(read_login_and_password(f.store, f.key(name), login, password));
        EXPECT_EQ(password, "same password");
    }
}

TEST(PasswordBlock, ReaderTakesOnlyWhatTheStoredBytesHold)
{
    // offset 10, key 0x01, then the length and the scrambled text "hey" ('i' 'd' 'x').
    auto block = [](std::uint32_t length, std::size_t scrambled) {
        binary bytes {0, 0, 0, 10, 0, 0x01, 0, 0, 0, 0};
        for (std::size_t i = 0; i < 4; ++i)
            bytes[6 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        const binary text {'i', 'd', 'x'};
        bytes.insert(bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(scrambled));
        return bytes;
    };
    struct reader_case {
        const char* what;
        binary stored;
        std::string password;
    };
    const reader_case cases[] = {
        {"shorter than 4 bytes", {1, 2, 3}, ""},
        {"offset not below the size", {0, 0, 0, 4}, ""},
        {"offset below 5", {0, 0, 0, 4, 0, 0, 0, 0, 'a'}, ""},
        {"offset at the end", block(3, 0), ""},
        {"length below the stored bytes", block(2, 3), "he"},
        {"length beyond the stored bytes", block(9, 3), "hey"},
        {"length 0xFFFFFFFF", block(0xFFFFFFFF, 2), "he"},
        {"whole", block(3, 3), "hey"},
    };
    for (const auto& c : cases) {
        config_fixture f;
        f.put("R", "login", binary {'u', 0});
        f.put("R", "passwd", c.stored);
        std::string login;
        std::string password = "stale";
        EXPECT_TRUE(read_login_and_password(f.store, f.key("R"), login, password)) << c.what;
        EXPECT_EQ(login, "u") << c.what;
        EXPECT_EQ(password, c.password) << c.what;
    }
}

TEST(PasswordBlock, ReaderFailsWithoutEitherValueOrWithAnOversizedBlock)
{
    struct failing_case {
        const char* what;
        bool login;
        std::optional<binary> passwd;
    };
    const failing_case cases[] = {
        {"no login", false, binary {0, 0, 0, 10, 0, 1, 0, 0, 0, 0}},
        {"no passwd", true, std::nullopt},
        {"passwd over 260 bytes", true, binary(261, 10)},
    };
    for (const auto& c : cases) {
        config_fixture f;
        ASSERT_EQ(f.store.create_key(hive::current_user, f.key("R")), status::ok);
        if (c.login)
            f.put("R", "login", binary {'u', 0});
        if (c.passwd)
            f.put("R", "passwd", *c.passwd);
        std::string login;
        std::string password;
        EXPECT_FALSE(read_login_and_password(f.store, f.key("R"), login, password)) << c.what;
        EXPECT_EQ(password, "") << c.what;
    }
}

TEST(RegistryStrings, ReadWholeWithTheReportedSize)
{
    config_fixture f;
    const std::string long_text(400, 'x');
    ASSERT_EQ(write_registry_string(f.store, f.key("S"), "Long", long_text), status::ok);
    f.put("S", "Number", std::uint32_t {7});
    auto read = read_registry_string(f.store, f.key("S"), "Long");
    EXPECT_EQ(read.code, status::ok);
    EXPECT_EQ(read.text, long_text); // not cut at 259 bytes
    EXPECT_EQ(read.size, 401u);
    EXPECT_EQ(read_registry_string(f.store, f.key("S"), "Number").code, status::wrong_type);
    EXPECT_EQ(read_registry_string(f.store, f.key("S"), "Number").text, "");
    EXPECT_EQ(read_registry_string(f.store, f.key("S"), "Missing").code, status::not_found);
    EXPECT_EQ(read_registry_string(f.store, f.key("Nowhere"), "Long").text, "");
}
