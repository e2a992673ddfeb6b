// The network settings page's rules: what is shown and enabled per bus layout and encryption,
// the header and WlanSettings bytes to fields and back, and the physical-address parser.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "model/NetworkSettings.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using test::BytesEqual;

const int kPageControls[] = {7004, 7005, 7006, 7007, 7008, 7035, 7037, 7038, 7039,
                             7040, 7041, 7044, 7045, 7049, 7050, 7053, 7054, 7069,
                             7070, 7071, 7074, 7075, 7076, 7077, 7079, 7080, 7081,
                             7082, 7083, 7084, 7085, 7086, 7087, 7088, 7089, 7090};

// A new KNX record's header with default addresses; flag bytes as given.
std::vector<uint8_t> Header(uint8_t flagsA, uint8_t flagsB) {
    std::vector<uint8_t> h(62, 0);
    h[0] = 62;
    h[10] = h[11] = 0xFF;
    h[14] = flagsA;
    h[15] = flagsB;
    const uint8_t addresses[16] = {192, 168, 1, 223, 255, 255, 255, 0,
                                   192, 168, 1, 1,   224, 0,   23,  12};
    std::memcpy(h.data() + 16, addresses, sizeof addresses);
    return h;
}

std::array<uint8_t, 154> Wlan(uint8_t encryption) {
    std::array<uint8_t, 154> w{};
    w[0] = encryption;
    std::memcpy(&w[1], "HomeNet", 8);
    std::memcpy(&w[34], "key-one", 8);
    std::memcpy(&w[48], "key-two", 8);
    std::memcpy(&w[62], "key-three", 10);
    std::memcpy(&w[76], "key-four", 9);
    std::memcpy(&w[90], "a long pass phrase", 19);
    return w;
}

// The controls of the page for which `answer` is false, as one string.
template <typename Answer>
std::string Without(Answer answer) {
    std::string ids;
    for (int id : kPageControls) {
        if (!answer(id))
            ids += (ids.empty() ? "" : " ") + std::to_string(id);
    }
    return ids;
}

struct LayoutCase {
    const char* name;
    uint8_t flagsA, flagsB, encryption;
    int click;  // a radio clicked after loading, 0 for none
    const char* hidden;
    const char* disabled = "7037 7054";
};

const LayoutCase kLayouts[] = {
    {"knx", 0x00, 0x20, 0, 0,
     "7053 7054 7074 7075 7076 7079 7080 7081 7082 7083 7084 7085 7086 7087 7088 7089 7090"},
    {"knx, DHCP, master/slave", 0x04, 0x21, 0, 0,
     "7053 7054 7079 7080 7081 7082 7083 7084 7085 7086 7087 7088 7089 7090",
     "7005 7006 7007 7037 7054"},
    {"enocean with repeater", 0x00, 0x14, 0, 0,
     "7008 7035 7037 7049 7050 7074 7075 7076 7077 7079 7080 7081 7082 7083 7084 7085 7086 "
     "7087 7088 7089 7090",
     "7037"},
    {"network only", 0x02, 0x10, 1, 0, "7082"},
    {"network only, WPA2 chosen", 0x02, 0x10, 0, 7081, "7082 7084 7088 7089"},
    {"wlan unsecured", 0x02, 0x00, 0, 0, "7053 7054 7074 7075 7076 7082 7083 7084 7087 7088 7089"},
    {"wlan WEP, master/slave", 0x06, 0x00, 1, 0, "7053 7054 7082"},
    {"wlan WPA2", 0x02, 0x00, 2, 0, "7053 7054 7074 7075 7076 7082 7084 7088 7089"},
    {"wlan WPS", 0x02, 0x00, 3, 0,
     "7053 7054 7074 7075 7076 7082 7083 7084 7085 7086 7087 7088 7089"},
    {"wlan unknown 7", 0x02, 0x00, 7, 0, "7053 7054 7074 7075 7076 7082 7083 7084 7087 7088 7089"},
    {"wlan WEP then WPA2", 0x02, 0x00, 1, 7081, "7053 7054 7074 7075 7076 7082 7084 7088 7089"},
    {"wlan WEP then unsecured", 0x02, 0x00, 1, 7079,
     "7053 7054 7074 7075 7076 7082 7083 7084 7087 7088 7089"},
    {"wlan WPA2 then WEP", 0x02, 0x00, 2, 7080, "7053 7054 7074 7075 7076 7082"},
};

TEST(NetworkSettings, ShownAndEnabledPerLayoutAndEncryption) {
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> record = Header(c.flagsA, c.flagsB);
        auto wlan = Wlan(c.encryption);
        NetworkSettings page;
        page.Load(record, wlan);
        if (c.click != 0) {
            page.Fields().encryption = static_cast<uint8_t>(c.click - 7079);
            page.Click(c.click, record, wlan);
        }
        EXPECT_EQ(Without([&](int id) { return page.Shown(id); }), c.hidden);
        EXPECT_EQ(Without([&](int id) { return page.Enabled(id); }), c.disabled);
    }
    NetworkSettings fresh;
    EXPECT_EQ(Without([&](int id) { return fresh.Shown(id); }), "7082") << "before loading";

    // Repeater and DHCP take effect as the fields change.
    std::vector<uint8_t> record = Header(0x00, 0x10);
    auto wlan = Wlan(0);
    NetworkSettings page;
    page.Load(record, wlan);
    page.Fields().repeater = true;
    page.Fields().dhcp = true;
    EXPECT_EQ(Without([&](int id) { return page.Enabled(id); }), "7005 7006 7007 7037");
}

TEST(NetworkSettings, TextsReplacedPerLayout) {
    std::vector<uint8_t> record = Header(0x00, 0x20);
    auto wlan = Wlan(0);
    NetworkSettings page;
    const auto texts = [&] {
        std::string out;
        for (int id : kPageControls) {
            if (const auto text = page.TextOf(id))
                out += std::to_string(id) + ":" + std::to_string(int(*text)) + " ";
        }
        return out;
    };
    EXPECT_EQ(texts(), "") << "before loading the built-in texts stay";
    page.Load(record, wlan);
    EXPECT_EQ(texts(), "7038:11 7040:10 7050:8 7069:7 7070:9 7071:12 7079:14 ");
    record[14] = 0x02;
    page.Load(record, wlan);
    EXPECT_EQ(texts(), "7038:11 7040:10 7069:7 7070:9 7071:12 7079:14 ") << "WLAN: no KNX label";
}

// The fields in one line: addresses, KNX address, system ID, [name], the flags DHCP, Pause,
// repeater, level 2, Out 1, Out 2, then encryption, [SSID] and the four [keys].
std::string Describe(const NetworkFields& f) {
    std::string s;
    for (const auto& a : {f.ipAddress, f.subnet, f.defaultGateway, f.multicast}) {
        for (size_t i = 0; i < 4; ++i)
            s += std::to_string(a[i]) + (i == 3 ? " " : ".");
    }
    s += f.knxAddress + " " + f.systemId + " [" + f.deviceName + "] ";
    for (bool on : {f.dhcp, f.pause, f.repeater, f.repeaterLevel2, f.slaveOut1, f.slaveOut2})
        s += on ? '1' : '0';
    s += " enc " + (f.encryption ? std::to_string(*f.encryption) : "-") + " [" + f.ssid + "]";
    for (const std::string& key : f.keys)
        s += " [" + key + "]";
    return s;
}

TEST(NetworkSettings, HeaderBytesToFieldsAndBack) {
    std::vector<uint8_t> record = Header(0x04 | 0x10 | 0x20 | 0x01, 0x20 | 0x40 | 0x02 | 0x01);
    const uint8_t ids[4] = {0x19, 0x11, 0x39, 0x30};  // 1.1.25, system ID 12345
    std::memcpy(record.data() + 10, ids, 4);
    std::memcpy(record.data() + 32, "Ger\xE4t 7", 8);
    auto wlan = Wlan(1);
    NetworkSettings page;
    page.Load(record, wlan);
    EXPECT_EQ(Describe(page.Fields()),
              "192.168.1.223 255.255.255.0 192.168.1.1 224.0.23.12 1.1.25 12345 [Ger\xC3\xA4t 7] "
              "110001 enc - [] [] [] [] []");  // WLAN fields are read for WLAN records only

    NetworkFields& edit = page.Fields();
    edit.ipAddress = {10, 0, 0, 100};
    edit.subnet = {255, 0, 0, 0};
    edit.defaultGateway = {10, 0, 0, 1};
    edit.multicast = {239, 1, 2, 3};
    edit.dhcp = edit.pause = edit.slaveOut2 = false;
    edit.slaveOut1 = edit.repeater = edit.repeaterLevel2 = true;
    page.Commit(record, wlan);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{0x04 | 0x08 | 0x20 | 0x01,
                                          0x20 | 0x40 | 0x04 | 0x08,  // high nibble kept
                                          10, 0, 0, 100, 255, 0, 0, 0, 10, 0, 0, 1, 239, 1, 2, 3}),
                    ConstBytes(record).subspan(14, 18));
    EXPECT_EQ(wlan, Wlan(1)) << "no WLAN settings for a KNX record";

    std::memset(record.data() + 32, 'x', 30);  // runs into bytes 53-61
    page.Load(record, wlan);
    EXPECT_EQ(page.Fields().deviceName, std::string(20, 'x'));
}

TEST(NetworkSettings, WlanBytesToFieldsAndBack) {
    std::vector<uint8_t> record = Header(0x02, 0x00);
    const std::pair<uint8_t, const char*> cases[] = {
        {1, "enc 1 [HomeNet] [key-one] [key-two] [key-three] [key-four]"},
        {2, "enc 2 [HomeNet] [a long pass phrase] [key-two] [key-three] [key-four]"},
        {3, "enc 3 [HomeNet] [key-one] [key-two] [key-three] [key-four]"},
        {7, "enc 0 [HomeNet] [key-one] [key-two] [key-three] [key-four]"}};  // unknown: 0
    for (auto [stored, fields] : cases) {
        auto wlan = Wlan(stored);
        NetworkSettings page;
        page.Load(record, wlan);
        const std::string shown = Describe(page.Fields());
        EXPECT_EQ(shown.substr(shown.find("enc")), fields);
        const uint8_t chosen = *page.Fields().encryption;
        EXPECT_EQ(wlan[0], chosen) << "an unknown encryption is stored as 0 at once";
        page.Commit(record, wlan);
        EXPECT_EQ(wlan, Wlan(chosen)) << "an unchanged page writes the same bytes back";
    }

    auto wlan = Wlan(0);
    NetworkSettings page;
    page.Load(record, wlan);
    NetworkFields& f = page.Fields();
    f.encryption = 1;
    f.keys = {"ABCDEFGHIJKLMNOPQRST", "2", "", "4"};
    f.ssid = "Caf\xC3\xA9";
    page.Commit(record, wlan);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{1, 'C', 'a', 'f', 0xE9, 0, 0}),
                    ConstBytes(wlan).first(7));
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K',
                                          'L', 'M', 0, '2', 0, 0}),
                    ConstBytes(wlan).subspan(34, 17));
    EXPECT_EQ(wlan[62] | wlan[76] << 8 | wlan[90] << 16, 0 | '4' << 8 | 'a' << 16)
        << "WEP writes keys 3 and 4, not the pass phrase";
    f.encryption = 2;
    f.keys[0] = "secret";
    page.Commit(record, wlan);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wlan[90])), "secret");
    EXPECT_EQ(wlan[34], 'A') << "WPA2 leaves the WEP keys alone";
}

struct FocusCase {
    int control;
    uint8_t encryption;
    const char* text;
    bool inWlan;  // where the bytes go: WlanSettings or the record
    size_t offset;
    std::vector<uint8_t> bytes;
};

TEST(NetworkSettings, EditLosingFocusWritesItsField) {
    const FocusCase cases[] = {
        {7035, 0, "2.3.4", false, 10, {0x04, 0x23}},
        {7035, 0, "1.1", false, 10, {0x34, 0x12}},    // unchanged
        {7037, 0, "70000", false, 12, {0x70, 0x11}},  // 70000 mod 65536
        {7041, 0, "\xC3\x84rger \xE2\x82\xAC", false, 32, {0xC4, 'r', 'g', 'e', 'r', ' ', 0x80, 0,
                                                           0,    0,   0,   0,   0,   0,   0,    0,
                                                           0,    0,   0,   0,   0,   0x77}},
        {7041, 0, "nnnnnnnnnnnnnnnnnnnnnnnnn", false, 50, {'n', 'n', 0, 0x77}},
        {7083,
         1,
         "ABCDEFGHIJKLMNOPQRST",
         true,
         34,
         {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 0, 'k'}},
        {7083, 2, "pw\xC3\xA4", true, 90, {'p', 'w', 0xE4, 0, 0}},
        {7084, 1, "2", true, 48, {'2', 0, 0}},
        {7088, 0, "3", true, 62, {'3', 0, 0}},
        {7089, 2, "4", true, 76, {'4', 0, 0}},
        {7086, 0, "Caf\xC3\xA9", true, 1, {'C', 'a', 'f', 0xE9, 0, 0, 0, 0}},
    };
    for (const FocusCase& c : cases) {
        SCOPED_TRACE(c.control);
        std::vector<uint8_t> record = Header(0x02, 0x00);
        record[10] = 0x34;  // 1.2.52
        record[11] = 0x12;
        std::memset(record.data() + 32, 0xAA, 21);
        record[53] = 0x77;
        auto wlan = Wlan(c.encryption);
        NetworkSettings page;
        page.Load(record, wlan);
        NetworkFields& f = page.Fields();
        f.knxAddress = f.systemId = f.deviceName = f.ssid = c.text;
        f.keys = {c.text, c.text, c.text, c.text};
        page.LostFocus(c.control, record, wlan);
        const ConstBytes target = c.inWlan ? ConstBytes(wlan) : ConstBytes(record);
        EXPECT_BYTES_EQ(c.bytes, target.subspan(c.offset, c.bytes.size()));
    }
}

TEST(NetworkSettings, ClicksAndCloseWriteAtOnce) {
    std::vector<uint8_t> record = Header(0x06, 0x00);
    auto wlan = Wlan(1);
    NetworkSettings page;
    page.Load(record, wlan);
    page.Fields().slaveOut1 = true;
    page.Click(7074, record, wlan);
    page.Fields().slaveOut2 = true;
    page.Click(7044, record, wlan);  // not a slave output: nothing written
    EXPECT_EQ(record[14], 0x06 | 0x08);
    page.Fields().encryption = 2;
    page.Click(7080, record, wlan);  // WEP clicked but not chosen
    EXPECT_EQ(wlan[0], 1);
    page.Click(7081, record, wlan);
    EXPECT_EQ(wlan[0], 2);

    page.Fields().knxAddress = "2.3.4";
    page.Fields().keys[0] = "k1";
    page.Close(record, wlan);  // every edit as if it lost the focus
    EXPECT_BYTES_EQ((std::vector<uint8_t>{0x04, 0x23}), ConstBytes(record).subspan(10, 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wlan[90])), "k1");
}

TEST(NetworkSettings, NothingWrittenBeforeLoadingOrOutsideAShortRecord) {
    std::vector<uint8_t> record = Header(0x06, 0x00);
    const std::vector<uint8_t> before = record;
    auto wlan = Wlan(1);
    NetworkSettings page;
    page.Fields().slaveOut1 = true;
    page.Click(7074, record, wlan);
    page.LostFocus(7041, record, wlan);
    page.Close(record, wlan);
    page.Commit(record, wlan);
    EXPECT_EQ(record, before);
    EXPECT_EQ(wlan, Wlan(1));

    // A record of 20 bytes: within it the page reads and writes, beyond it nothing.
    std::vector<uint8_t> shortRecord(20, 0);
    shortRecord[15] = 0x20;
    page.Load(shortRecord, wlan);
    page.Fields().knxAddress = "1.1.1";
    page.Fields().deviceName = "name";
    page.Close(shortRecord, wlan);
    page.Commit(shortRecord, wlan);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{1, 0x11}), ConstBytes(shortRecord).subspan(10, 2));
    page.Load({}, wlan);
    page.Close({}, wlan);
    page.Commit({}, wlan);
}

TEST(NetworkSettings, PhysicalAddressTexts) {
    const std::pair<const char*, uint16_t> cases[] = {
        {"1.1.25", 0x1119}, {"15.15.255", 0xFFFF}, {"17.3.300", 0x132C},  // each part masked
        {"1.1", 0x1234},    {"", 0x1234},          {"1-1-1", 0x1234},     // one dot or none
        {"a.b.c", 0x0000},  {"2.x.7", 0x2007},     {"3.4.5.6", 0x3406},   // around first, last dot
        {" 4.5.6", 0x4506}, {"-1.0.0", 0xF000},    {"99999999999.1.1", 0xF101},  // wraps
        {"+7..9", 0x7009},  {"1.1.\t25x", 0x1119}};
    for (auto [text, stored] : cases)
        EXPECT_EQ(ParsePhysicalAddress(text, 0x1234), stored) << '"' << text << '"';
    EXPECT_EQ(FormatPhysicalAddress(0xFFFF), "15.15.255");
    EXPECT_EQ(FormatPhysicalAddress(0x0000), "0.0.0");
    EXPECT_EQ(LeadingNumber("  -12x"), -12);
    EXPECT_EQ(LeadingNumber("- 1"), 0);
    EXPECT_EQ(LeadingNumber("4294967297"), 1) << "wraps instead of overflowing";
}

}  // namespace
}  // namespace halvex
