#include <gtest/gtest.h>

#include <string>

#include "catalogue/GroupAddress.h"

namespace halvex {
namespace {

struct ThreeLevelCase {
    int main, middle, group;
    int value;  // expected 16-bit value, -1 when the parts must be refused
};

TEST(GroupAddress, ThreeLevelPartsAtTheEdges) {
    const ThreeLevelCase cases[] = {
        {0, 0, 0, 0x0000},    {31, 7, 255, 0xFFFF}, {1, 0, 12, 0x080C}, {1, 2, 3, 0x0A03},
        {16, 4, 128, 0x8480}, {32, 0, 0, -1},       {0, 8, 0, -1},      {0, 0, 256, -1},
        {-1, 0, 0, -1},       {0, -1, 0, -1},       {0, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.main) + "/" + std::to_string(c.middle) + "/" +
                     std::to_string(c.group));
        const auto address = GroupAddress::FromParts3(c.main, c.middle, c.group);
        if (c.value < 0) {
            EXPECT_FALSE(address.has_value());
            continue;
        }
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(address->Value(), c.value);
        EXPECT_EQ(address->Main(), c.main);
        EXPECT_EQ(address->Middle(), c.middle);
        EXPECT_EQ(address->Group3(), c.group);
        EXPECT_EQ(address->MiddleIndex(), c.main * 8 + c.middle);
    }
}

TEST(GroupAddress, TwoLevelPartsAtTheEdges) {
    const struct {
        int main, group, value;
    } cases[] = {
        {0, 0, 0x0000}, {31, 2047, 0xFFFF}, {1, 12, 0x080C}, {3, 200, 0x18C8},
        {32, 0, -1},    {0, 2048, -1},      {-1, 5, -1},     {5, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.main) + "/" + std::to_string(c.group));
        const auto address = GroupAddress::FromParts2(c.main, c.group);
        if (c.value < 0) {
            EXPECT_FALSE(address.has_value());
            continue;
        }
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(address->Value(), c.value);
        EXPECT_EQ(address->Main(), c.main);
        EXPECT_EQ(address->Group2(), c.group);
    }
}

TEST(GroupAddress, ParseAcceptsBothLayoutsWithinRange) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"0/0/0", 0x0000},   {"31/7/255", 0xFFFF}, {"1/0/12", 0x080C}, {"01/002/0003", 0x0A03},
        {"31/2047", 0xFFFF}, {"1/12", 0x080C},     {"3/200", 0x18C8},  {"0/0", 0x0000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = GroupAddress::Parse(c.text);
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(address->Value(), c.value);
    }
}

TEST(GroupAddress, ParseRefusesMalformedOrOutOfRangeText) {
    for (const char* text : {"",
                             "1",
                             "/",
                             "//",
                             "1/",
                             "/1",
                             "1//3",
                             "32/0/0",
                             "0/8/0",
                             "0/0/256",
                             "32/0",
                             "0/2048",
                             "1/2/3/4",
                             " 1/2/3",
                             "1/2/3 ",
                             "+1/2/3",
                             "-1/2/3",
                             "1/2/a",
                             "1.2.3",
                             "1/2/0x3",
                             "99999999999999999999/0/0",
                             "0/0/99999999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(GroupAddress::Parse(text).has_value());
    }
}

TEST(GroupAddress, FormatSplitsTheSameValueByLayout) {
    EXPECT_EQ(GroupAddress(0x0A03).Format(true), "1/2/3");
    EXPECT_EQ(GroupAddress(0x0A03).Format(false), "1/515");
    EXPECT_EQ(GroupAddress(0xFFFF).Format(true), "31/7/255");
    EXPECT_EQ(GroupAddress(0xFFFF).Format(false), "31/2047");
    EXPECT_EQ(GroupAddress().Format(true), "0/0/0");
    EXPECT_EQ(GroupAddress::Parse("01/02/003")->Format(true), "1/2/3");
}

TEST(GroupAddress, ComparesByValue) {
    EXPECT_EQ(GroupAddress::Parse("1/2/3"), GroupAddress::Parse("1/515"));
    EXPECT_LT(*GroupAddress::Parse("1/7/255"), *GroupAddress::Parse("2/0/0"));
    EXPECT_NE(GroupAddress(1), GroupAddress(2));
}

}  // namespace
}  // namespace halvex
