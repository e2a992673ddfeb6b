// The group dialogs' rules: numbers, ranges, when a bad number is reported, the values handed
// back and the object types of the choices.
#include <gtest/gtest.h>

#include <limits>

#include "engine/ModuleState.h"
#include "model/GroupEntry.h"

namespace halvex {
namespace {

TEST(GroupEntry, ParsesDecimalNumbersOnly) {
    EXPECT_EQ(ParseGroupNumber("99999999999999999999999"), std::numeric_limits<uint32_t>::max());
    const std::pair<const char*, uint32_t> good[] = {
        {"0", 0u}, {" 017 ", 17u}, {"\t5\r\n", 5u}, {"4294967295", 4294967295u}};
    for (auto [text, number] : good)
        EXPECT_EQ(ParseGroupNumber(text), number) << text;
    // Only ASCII digits: not the fullwidth 4 either.
    for (const char* bad : {"", "  ", "-1", "+1", "1e3", "0x1F", "3 1", "\xEF\xBC\x94"})
        EXPECT_EQ(ParseGroupNumber(bad), std::nullopt) << bad;
}

TEST(GroupEntry, ABadNumberIsReportedOnceUntilTheFieldIsGoodAgain) {
    ResetModuleState();
    GroupNumberField field(31);
    const struct {
        const char* typed;
        bool report;
        uint32_t entered;
    } steps[] = {{"3", false, 3}, {"32", true, 32},  {"320", false, 320},
                 {"", false, 0},  {"33", true, 33},  {"3", false, 3},
                 {"1x", true, 0}, {"31", false, 31}, {"32", true, 32}};
    for (const auto& step : steps) {
        EXPECT_EQ(field.Changed(step.typed), step.report) << step.typed;
        EXPECT_EQ(Module().EnteredNumber, step.entered) << step.typed;
    }
    EXPECT_EQ(field.Accepted("31"), 31u);
    EXPECT_EQ(field.Accepted("32"), std::nullopt);
    EXPECT_EQ(field.Accepted(""), std::nullopt);
    field.Reset();
    EXPECT_TRUE(field.Changed("40"));
}

TEST(GroupEntry, EnteredValuesTextsAndObjectTypes) {
    Module().EnteredNumber = 99;
    Module().EnteredName = "old";
    OpenGroupEntry();
    EXPECT_EQ(Module().EnteredNumber, 0u);
    EXPECT_EQ(Module().EnteredName, "");
    GroupNameChanged("Küche");
    EXPECT_EQ(Module().EnteredName, "Küche");
    AcceptGroupEntry(2047, "Valve");
    EXPECT_EQ(Module().EnteredNumber, 2047u);
    EXPECT_EQ(Module().EnteredName, "Valve");

    Module().UiLanguage = 0;
    EXPECT_EQ(BadGroupNumberText(31), "Please enter a number from 0 to 31.");
    Module().UiLanguage = 1;
    EXPECT_EQ(BadGroupNumberText(2047), "Bitte eine Zahl von 0 bis 2047 eingeben.");

    const uint8_t expected[] = {0, 7, 9, 10, 3};
    for (int choice = 0; choice < kObjectTypeChoices; ++choice)
        EXPECT_EQ(ObjectTypeOfChoice(choice), expected[choice]) << choice;
    EXPECT_EQ(ObjectTypeOfChoice(-1), 0);
    EXPECT_EQ(ObjectTypeOfChoice(5), 0);
    ResetModuleState();
}

}  // namespace
}  // namespace halvex
