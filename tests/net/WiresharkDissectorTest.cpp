// The Wireshark dissector in tools/wireshark/halvex.lua decodes tests/data/halvex.pcapng, a
// capture of a transmitter report, a search, an upload of two blocks, a preview frame and
// malformed datagrams, recorded in the test bed by tests/data/make-capture.sh. Only tshark is
// needed: no network, no root.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kSource = HALVEX_SOURCE_DIR;

// Fields read from every datagram; a row names each present one by its last part.
const std::vector<std::string> kFields = {
    "halvex.response.address",   "halvex.response.name",    "halvex.response.mac",
    "halvex.response.version",   "halvex.block.number",     "halvex.block.count",
    "halvex.block.length",       "halvex.block.last",       "halvex.transmitter.org",
    "halvex.transmitter.status", "halvex.transmitter.data", "halvex.transmitter.id",
    "halvex.dmx.outputs",        "halvex.dmx.out1",         "halvex.dmx.out2",
    "halvex.dmx.length"};

// Datagram by datagram: message, fields, [expert message].
const std::string kResponses[] = {
    "Search response address=198.18.0.2 name=Stage version=Version: 2.1",
    "Search response address=198.18.0.3 mac=00:0a:1b:2c:3d:4e version=Version: 1.7",
    "Search response address=198.18.0.4 name=Foyer"};
const std::string kAck = "Upload acknowledgement";
const std::vector<std::string> kExpected = {
    "Transmitter report org=0x05 status=0x30 data=0x10000000 id=0x3b0a0201", "Search request",
    kResponses[0], kResponses[1], kResponses[2], "Prepare upload", kAck,
    "Upload block number=1 count=2 length=1024 last=0", kAck,
    "Upload block number=2 count=2 length=53 last=1", kAck, "Start", kAck, "Search request",
    kResponses[0], kResponses[1], kResponses[2], "DMX frame outputs=0x40 out1=1 out2=0 length=519",
    // Sent by hand, with the simulator's answer to the oversized block.
    "Unknown", "Upload block [Message shorter than its fixed fields]",
    "Upload block number=1 count=1 length=100 last=1 "
    "[Data length field disagrees with the bytes carried]",
    "Upload block number=3 count=2 length=4 last=0 [Block number outside 1..count]",
    "Upload block number=1 count=2 length=1100 last=0 [Block carries more than 1024 data bytes]",
    kAck, "Search response [Message shorter than its fixed fields]",
    "DMX frame length=5 [Message shorter than its fixed fields]",
    "DMX frame outputs=0x00 out1=0 out2=0 length=10 "
    "[Frame names no preview output (the plug-in never sends such a frame)]"};

std::vector<std::string> Decode() {
    std::string command = "tshark -r " + kSource +
                          "/tests/data/halvex.pcapng -X lua_script:" + kSource +
                          "/tools/wireshark/halvex.lua -T fields -E occurrence=f" +
                          " -e halvex.message -e _ws.expert.message";
    for (const std::string& field : kFields)
        command += " -e " + field;
    std::vector<std::string> rows;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    char line[4096];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream columns(std::string(line).substr(0, std::string(line).find('\n')));
        std::string row, expert, value;
        std::getline(columns, row, '\t');
        std::getline(columns, expert, '\t');
        for (const std::string& field : kFields) {
            if (std::getline(columns, value, '\t') && !value.empty())
                row += " " + field.substr(field.rfind('.') + 1) + "=" + value;
        }
        rows.push_back(expert.empty() ? row : row + " [" + expert + "]");
    }
    if (pipe != nullptr)
        ::pclose(pipe);
    return rows;
}

TEST(WiresharkDissector, DecodesTheCommittedCapture) {
    if (std::system("tshark --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh installs it)";
    EXPECT_EQ(Decode(), kExpected);
}

}  // namespace
