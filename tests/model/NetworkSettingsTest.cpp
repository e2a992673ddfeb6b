// The network settings page's rules: what is shown and enabled per bus layout and encryption,
// the header and WlanSettings bytes to fields and back, and the physical-address parser.
#include <cstring>

#include "model/NetworkSettings.h"
#include "support/ByteDiff.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

const int kPageControls[] = {7004, 7005, 7006, 7007, 7008, 7035, 7037, 7038, 7039,
                             7040, 7041, 7044, 7045, 7049, 7050, 7053, 7054, 7069,
                             7070, 7071, 7074, 7075, 7076, 7077, 7079, 7080, 7081,
                             7082, 7083, 7084, 7085, 7086, 7087, 7088, 7089, 7090};

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

// A page loaded on a record with flag bytes `flagsA`, `flagsB` and WlanSettings `Wlan(encryption)`.
struct Loaded {
    Loaded(uint8_t flagsA, uint8_t flagsB, uint8_t encryption)
        : record(Header(flagsA, flagsB)), wlan(Wlan(encryption)) {
        page.Load(record, wlan);
    }
    void Click(int control) { page.Click(control, record, wlan); }
    std::vector<uint8_t> record;
    std::array<uint8_t, 154> wlan;
    NetworkSettings page;
    NetworkFields& f = page.Fields();
};

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
    std::string hidden;
    const char* disabled = "7037 7054";
};

// Repeater, slave outputs, and the WLAN box with the key fields of each encryption.
const std::string kRepeater = "7053 7054 ", kSlaves = "7074 7075 7076 ";
const std::string kWlan = "7079 7080 7081 7082 7083 7084 7085 7086 7087 7088 7089 7090";
const std::string kNoKeys = "7082 7083 7084 7087 7088 7089", kKey1 = "7082 7084 7088 7089";

const LayoutCase kLayouts[] = {
    {"knx", 0x00, 0x20, 0, 0, kRepeater + kSlaves + kWlan},
    {"knx, DHCP, master/slave", 0x04, 0x21, 0, 0, kRepeater + kWlan, "7005 7006 7007 7037 7054"},
    {"enocean with repeater", 0x00, 0x14, 0, 0,
     "7008 7035 7037 7049 7050 " + kSlaves + "7077 " + kWlan, "7037"},
    {"network only", 0x02, 0x10, 1, 0, "7082"},
    {"network only, WPA2 chosen", 0x02, 0x10, 0, 7081, kKey1},
    {"wlan unsecured", 0x02, 0x00, 0, 0, kRepeater + kSlaves + kNoKeys},
    {"wlan WEP, master/slave", 0x06, 0x00, 1, 0, kRepeater + "7082"},
    {"wlan WPA2", 0x02, 0x00, 2, 0, kRepeater + kSlaves + kKey1},
    {"wlan WPS", 0x02, 0x00, 3, 0, kRepeater + kSlaves + "7082 7083 7084 7085 7086 7087 7088 7089"},
    {"wlan WEP then WPA2", 0x02, 0x00, 1, 7081, kRepeater + kSlaves + kKey1},
    {"wlan WEP then unsecured", 0x02, 0x00, 1, 7079, kRepeater + kSlaves + kNoKeys},
    {"wlan WPA2 then WEP", 0x02, 0x00, 2, 7080, kRepeater + kSlaves + "7082"},
};

TEST(NetworkSettings, ShownAndEnabledPerLayoutAndEncryption) {
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.name);
        Loaded p(c.flagsA, c.flagsB, c.encryption);
        if (c.click != 0) {
            p.f.encryption = static_cast<uint8_t>(c.click - 7079);
            p.Click(c.click);
        }
        EXPECT_EQ(Without([&](int id) { return p.page.Shown(id); }), c.hidden);
        EXPECT_EQ(Without([&](int id) { return p.page.Enabled(id); }), c.disabled);
    }
    NetworkSettings fresh;
    EXPECT_EQ(Without([&](int id) { return fresh.Shown(id); }), "7082") << "before loading";

    // Repeater and DHCP take effect as the fields change.
    Loaded p(0x00, 0x10, 0);
    p.f.repeater = p.f.dhcp = true;
    EXPECT_EQ(Without([&](int id) { return p.page.Enabled(id); }), "7005 7006 7007 7037");
}

// The controls that show a text of their own, with its number.
std::string Texts(const NetworkSettings& page) {
    std::string out;
    for (int id : kPageControls) {
        if (const auto text = page.TextOf(id))
            out += std::to_string(id) + ":" + std::to_string(int(*text)) + " ";
    }
    return out;
}

TEST(NetworkSettings, TextsReplacedPerLayout) {
    EXPECT_EQ(Texts(NetworkSettings()), "") << "before loading the built-in texts stay";
    EXPECT_EQ(Texts(Loaded(0x00, 0x20, 0).page),
              "7038:11 7040:10 7050:8 7069:7 7070:9 7071:12 7079:14 ");
    EXPECT_EQ(Texts(Loaded(0x02, 0x00, 0).page), "7038:11 7040:10 7069:7 7070:9 7071:12 7079:14 ")
        << "WLAN: no KNX label";
}

TEST(NetworkSettings, HeaderBytesToFieldsAndBack) {
    Loaded p(0x04 | 0x10 | 0x20 | 0x01, 0x20 | 0x40 | 0x02 | 0x01, 1);
    std::memcpy(p.record.data() + 10, "\x19\x11\x39\x30", 4);  // 1.1.25, system ID 12345
    std::memcpy(p.record.data() + 32, "Ger\xE4t 7", 8);
    p.page.Load(p.record, p.wlan);
    EXPECT_EQ(DescribeFields(p.f),
              "192.168.1.223 255.255.255.0 192.168.1.1 224.0.23.12 1.1.25 12345 [Ger\xC3\xA4t 7] "
              "110001 enc - [] [] [] [] []");  // WLAN fields are read for WLAN records only

    p.f.ipAddress = {10, 0, 0, 100};
    p.f.subnet = {255, 0, 0, 0};
    p.f.defaultGateway = {10, 0, 0, 1};
    p.f.multicast = {239, 1, 2, 3};
    p.f.dhcp = p.f.pause = p.f.slaveOut2 = false;
    p.f.slaveOut1 = p.f.repeater = p.f.repeaterLevel2 = true;
    p.page.Commit(p.record, p.wlan);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{0x04 | 0x08 | 0x20 | 0x01,
                                          0x20 | 0x40 | 0x04 | 0x08,  // high nibble kept
                                          10, 0, 0, 100, 255, 0, 0, 0, 10, 0, 0, 1, 239, 1, 2, 3}),
                    ConstBytes(p.record).subspan(14, 18));
    EXPECT_EQ(p.wlan, Wlan(1)) << "no WLAN settings for a KNX record";

    std::memset(p.record.data() + 32, 'x', 30);  // runs into bytes 53-61
    p.page.Load(p.record, p.wlan);
    EXPECT_EQ(p.f.deviceName, std::string(20, 'x'));
}

TEST(NetworkSettings, WlanBytesToFieldsAndBack) {
    const std::pair<uint8_t, const char*> cases[] = {
        {1, "enc 1 [HomeNet] [key-one] [key-two] [key-three] [key-four]"},
        {2, "enc 2 [HomeNet] [a long pass phrase] [key-two] [key-three] [key-four]"},
        {3, "enc 3 [HomeNet] [key-one] [key-two] [key-three] [key-four]"},
        {7, "enc 0 [HomeNet] [key-one] [key-two] [key-three] [key-four]"}};  // unknown: 0
    for (auto [stored, fields] : cases) {
        Loaded p(0x02, 0x00, stored);
        const std::string shown = DescribeFields(p.f);
        EXPECT_EQ(shown.substr(shown.find("enc")), fields);
        EXPECT_EQ(p.wlan[0], *p.f.encryption) << "an unknown encryption is stored as 0 at once";
        p.page.Commit(p.record, p.wlan);
        EXPECT_EQ(p.wlan, Wlan(*p.f.encryption)) << "an unchanged page writes the same bytes back";
    }

    Loaded p(0x02, 0x00, 0);
    p.f.encryption = 1;
    p.f.keys = {"1", "2", "", "4"};
    p.f.ssid = "Caf\xC3\xA9";
    p.page.Commit(p.record, p.wlan);
    EXPECT_BYTES_EQ(LiteralBytes("\x01"
                                 "Caf\xE9\0"),
                    ConstBytes(p.wlan).first(6));
    EXPECT_EQ((std::vector<uint8_t>{p.wlan[34], p.wlan[48], p.wlan[62], p.wlan[76], p.wlan[90]}),
              (std::vector<uint8_t>{'1', '2', 0, '4', 'a'}))
        << "WEP writes the four keys, not the pass phrase";
    p.f.encryption = 2;
    p.f.keys[0] = "secret";
    p.page.Commit(p.record, p.wlan);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p.wlan[90])), "secret");
    EXPECT_EQ(p.wlan[34], '1') << "WPA2 leaves the WEP keys alone";
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
        {7035, 0, "2.3.4", false, 10, LiteralBytes("\x04\x23")},
        {7035, 0, "1.1", false, 10, LiteralBytes("\x34\x12")},    // unchanged
        {7037, 0, "70000", false, 12, LiteralBytes("\x70\x11")},  // 70000 mod 65536
        {7041, 0, "\xC3\x84rger \xE2\x82\xAC", false, 32,
         LiteralBytes("\xC4rger \x80\0\0\0\0\0\0\0\0\0\0\0\0\0\0w")},
        {7041, 0, "nnnnnnnnnnnnnnnnnnnnnnnnn", false, 50, LiteralBytes("nn\0w")},
        {7083, 1, "ABCDEFGHIJKLMNOPQRST", true, 34, LiteralBytes("ABCDEFGHIJKLM\0k")},
        {7083, 2, "pw\xC3\xA4", true, 90, LiteralBytes("pw\xE4\0\0")},
        {7084, 1, "2", true, 48, LiteralBytes("2\0\0")},
        {7088, 0, "3", true, 62, LiteralBytes("3\0\0")},
        {7089, 2, "4", true, 76, LiteralBytes("4\0\0")},
        {7086, 0, "Caf\xC3\xA9", true, 1, LiteralBytes("Caf\xE9\0\0\0\0")},
    };
    for (const FocusCase& c : cases) {
        SCOPED_TRACE(c.control);
        Loaded p(0x02, 0x00, c.encryption);
        p.record[10] = 0x34, p.record[11] = 0x12;  // 1.2.52
        std::memset(p.record.data() + 32, 0xAA, 21);
        p.record[53] = 0x77;
        p.f.knxAddress = p.f.systemId = p.f.deviceName = p.f.ssid = c.text;
        p.f.keys = {c.text, c.text, c.text, c.text};
        p.page.LostFocus(c.control, p.record, p.wlan);
        const ConstBytes target = c.inWlan ? ConstBytes(p.wlan) : ConstBytes(p.record);
        EXPECT_BYTES_EQ(c.bytes, target.subspan(c.offset, c.bytes.size()));
    }
}

TEST(NetworkSettings, ClicksAndCloseWriteAtOnce) {
    Loaded p(0x06, 0x00, 1);
    p.f.slaveOut1 = p.f.slaveOut2 = true;
    p.Click(7074);
    p.Click(7044);  // not a slave output: nothing written
    EXPECT_EQ(p.record[14], 0x06 | 0x08);
    p.f.encryption = 2;
    p.Click(7080);  // WEP clicked but not chosen
    EXPECT_EQ(p.wlan[0], 1);
    p.Click(7081);
    EXPECT_EQ(p.wlan[0], 2);

    p.f.knxAddress = "2.3.4";
    p.f.keys[0] = "k1";
    p.page.Close(p.record, p.wlan);  // every edit as if it lost the focus
    EXPECT_BYTES_EQ(LiteralBytes("\x04\x23"), ConstBytes(p.record).subspan(10, 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p.wlan[90])), "k1");
}

TEST(NetworkSettings, NothingWrittenBeforeLoadingOrOutsideAShortRecord) {
    std::vector<uint8_t> record = Header(0x06, 0x00);
    auto wlan = Wlan(1);
    NetworkSettings page;
    page.Fields().slaveOut1 = true;
    page.Click(7074, record, wlan);
    page.LostFocus(7041, record, wlan);
    page.Close(record, wlan);
    page.Commit(record, wlan);
    EXPECT_EQ(record, Header(0x06, 0x00));
    EXPECT_EQ(wlan, Wlan(1));

    // A record of 20 bytes: within it the page reads and writes, beyond it nothing.
    std::vector<uint8_t> shortRecord(20, 0);
    shortRecord[15] = 0x20;
    page.Load(shortRecord, wlan);
    page.Fields().knxAddress = "1.1.1";
    page.Fields().deviceName = "name";
    page.Close(shortRecord, wlan);
    page.Commit(shortRecord, wlan);
    EXPECT_BYTES_EQ(LiteralBytes("\x01\x11"), ConstBytes(shortRecord).subspan(10, 2));
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
    EXPECT_EQ(LeadingNumber("\r -12x"), -12);
    EXPECT_EQ(LeadingNumber("- 1"), 0);
    EXPECT_EQ(LeadingNumber("4294967297"), 1) << "wraps instead of overflowing";
}

}  // namespace
}  // namespace halvex::test
