// Texts shown to people: the two languages, the Windows-1252 code page and escaping.
#include <gtest/gtest.h>

#include "engine/Codepage.h"
#include "engine/ModuleState.h"
#include "engine/UiText.h"

namespace halvex {
namespace {

TEST(UiText, GermanAfterLoadEnglishForHostLanguagesAboveOne) {
    ResetModuleState();
    EXPECT_EQ(UiText(Text::Search), "Suchen");
    for (const auto& [host, language] : {std::pair{0, 0}, {1, 1}, {2, 0}, {7, 0}, {255, 0}})
        EXPECT_EQ(LanguageFromHost(static_cast<uint8_t>(host)), language) << host;
    Module().UiLanguage = LanguageFromHost(7);
    EXPECT_EQ(UiText(Text::Attention), "Attention");
    ResetModuleState();
    EXPECT_EQ(UiText(Text::GroupAddressesHeading, 0), "Grp.-Addresses");
    EXPECT_EQ(UiText(Text::GroupAddressesHeading, 1), "Grp.-Adressen");
    for (Text same : {Text::DimmerOut1, Text::DimmerOut2, Text::Name, Text::Information})
        EXPECT_EQ(UiText(same, 0), UiText(same, 1));
}

TEST(Codepage, Windows1252AndUtf8) {
    const std::string cp1252 = "Gr\xFC\xDF \x80";
    EXPECT_EQ(Cp1252ToUtf8(cp1252), "Grüß €");
    EXPECT_EQ(Utf8ToCp1252("Grüß €"), cp1252);
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Cp1252ToUtf8("\x81\x9F\xA0"), "\xEF\xBF\xBD\xC5\xB8\xC2\xA0");
    EXPECT_TRUE(IsValidUtf8("Küche"));
    // Windows-1252, overlong "/", surrogate, truncated.
    for (const char* bad : {"Gr\xFC\xDF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(DecodeUtf8OrCp1252("Gr\xFC\xDF"), "Grüß");
    EXPECT_EQ(DecodeUtf8OrCp1252("Grüß"), "Grüß");
}

TEST(Codepage, EscapeControlsLeavesNoLineBreakOrTerminalCode) {
    const std::pair<std::string, std::string> cases[] = {
        {"Küche € 1/0/12", "Küche € 1/0/12"},
        {"a\nGateway: 6.6.6.6", "a\\nGateway: 6.6.6.6"},
        {"\r\t", "\\r\\t"},
        {"\x1B[2J\x07", "\\x1B[2J\\x07"},
        {std::string("\0\x7F", 2), "\\x00\\x7F"},
        {"\xC2\x9B"
         "2J",
         "\\u009B2J"},               // C1 control sequence introducer
        {"\xFF\xC3", "\\xFF\\xC3"},  // not UTF-8
        {"a\\n", "a\\\\n"},          // a backslash cannot fake an escape
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeControls(text), escaped) << text;
}

}  // namespace
}  // namespace halvex
