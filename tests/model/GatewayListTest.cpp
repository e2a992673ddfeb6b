#include <gtest/gtest.h>

#include "model/GatewayList.h"

namespace halvex {
namespace {

TEST(GatewayList, SortedIgnoringCaseWithoutDuplicatesAndTheSelectedAddress) {
    GatewayList list;
    const std::pair<const char*, std::optional<size_t>> adds[] = {
        {"192.168.1.30 Beta", 0},
        {"192.168.1.20 alpha", 0},
        {"192.168.1.20 ALPHA", std::nullopt},  // differs only in case
        {"192.168.1.20 alpha", std::nullopt},
        {"192.168.1.25 Gamma    Version: 2.0", 1},
        {"192.168.1.20 alpha2", 1},
        {"10.0.0.7", 0}};
    for (auto [line, row] : adds)
        EXPECT_EQ(list.Add(line), row) << line;
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{
                                "10.0.0.7", "192.168.1.20 alpha", "192.168.1.20 alpha2",
                                "192.168.1.25 Gamma    Version: 2.0", "192.168.1.30 Beta"}));
    EXPECT_EQ(list.AddressOf(3), "192.168.1.25");
    EXPECT_EQ(list.AddressOf(0), "10.0.0.7");
    EXPECT_EQ(list.AddressOf(std::nullopt), "");
    EXPECT_EQ(list.AddressOf(5), "");
    list.Clear();
    EXPECT_EQ(list.Add("192.168.1.20 ALPHA"), 0u);
}

}  // namespace
}  // namespace halvex
