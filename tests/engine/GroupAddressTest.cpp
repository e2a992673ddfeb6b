#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/import/GroupAddress.h"

namespace halvex {
namespace {

TEST(GroupAddress, PartsAtTheEdges) {
    const struct {
        int main, middle, group;  // middle -1: two-level
        int value;                // -1: refused
    } cases[] = {
        {0, 0, 0, 0x0000},    {31, 7, 255, 0xFFFF}, {1, 0, 12, 0x080C}, {16, 4, 128, 0x8480},
        {32, 0, 0, -1},       {0, 8, 0, -1},        {0, 0, 256, -1},    {-1, 0, 0, -1},
        {0, -2, 0, -1},       {0, 0, -1, -1},       {0, -1, 0, 0x0000}, {31, -1, 2047, 0xFFFF},
        {3, -1, 200, 0x18C8}, {32, -1, 0, -1},      {0, -1, 2048, -1},  {5, -1, -1, -1},
    };
    for (const auto& c : cases) {
        const bool three = c.middle != -1;
        SCOPED_TRACE(std::to_string(c.main) + "/" + std::to_string(c.middle) + "/" +
                     std::to_string(c.group));
        const auto address = three ? GroupAddress::FromParts3(c.main, c.middle, c.group)
                                   : GroupAddress::FromParts2(c.main, c.group);
        ASSERT_EQ(address.has_value(), c.value >= 0);
        if (!address)
            continue;
        EXPECT_EQ(address->Value(), c.value);
        EXPECT_EQ(address->Main(), c.main);
        EXPECT_EQ(three ? address->Group3() : address->Group2(), c.group);
        if (three) {
            EXPECT_EQ(address->MiddleIndex(), c.main * 8 + c.middle);
        }
    }
}

TEST(GroupAddress, ParseBothLayoutsWithinRange) {
    const struct {
        const char* text;
        int value;
    } accepted[] = {{"0/0/0", 0x0000},   {"31/7/255", 0xFFFF}, {"01/002/0003", 0x0A03},
                    {"31/2047", 0xFFFF}, {"1/12", 0x080C},     {"0/0", 0x0000}};
    for (const auto& c : accepted) {
        const auto address = GroupAddress::Parse(c.text);
        ASSERT_TRUE(address.has_value()) << c.text;
        EXPECT_EQ(address->Value(), c.value) << c.text;
    }
    // Missing or surplus parts, out of range, blanks, signs, other notations, overflow.
    std::vector<std::string> refused = {"",       "1",       "/",      "//",      "1/",
                                        "/1",     "1//3",    "32/0/0", "0/8/0",   "32/0",
                                        "0/2048", "1/2/3/4", " 1/2/3", "1/2/3 ",  "+1/2/3",
                                        "-1/2/3", "1/2/a",   "1.2.3",  "1/2/0x3", "0/0/256"};
    refused.insert(refused.end(), {"9999999999999/0/0", "0/0/9999999999999"});
    for (const std::string& text : refused)
        EXPECT_FALSE(GroupAddress::Parse(text).has_value()) << text;
}

TEST(GroupAddress, FormatAndCompare) {
    EXPECT_EQ(GroupAddress(0x0A03).Format(true), "1/2/3");
    EXPECT_EQ(GroupAddress(0x0A03).Format(false), "1/515");
    EXPECT_EQ(GroupAddress(0xFFFF).Format(true), "31/7/255");
    EXPECT_EQ(GroupAddress(0xFFFF).Format(false), "31/2047");
    EXPECT_EQ(GroupAddress::Parse("01/02/003")->Format(true), "1/2/3");
    EXPECT_EQ(GroupAddress::Parse("1/2/3"), GroupAddress::Parse("1/515"));
    EXPECT_LT(*GroupAddress::Parse("1/7/255"), *GroupAddress::Parse("2/0/0"));
}

}  // namespace
}  // namespace halvex
