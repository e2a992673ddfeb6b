// The upload to a gateway: image, blocks, and the packet sequence with its retries, driven over
// a fake transport whose clock moves only when a wait times out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "engine/net/GatewayUpload.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using std::chrono::milliseconds;

class FakeTransport : public UploadTransport {
public:
    // acks[i] == 'y': the i-th wait sees an acknowledgement; waits beyond the list see none.
    FakeTransport(std::string acks, bool opens) : acks_(std::move(acks)), opens_(opens) {}
    bool Open(const std::string& address) override {
        openedWith = address;
        return opens_;
    }
    void Send(ConstBytes datagram) override {
        sent.push_back({datagram.begin(), datagram.end()});
        sentAtMs.push_back(nowMs);
    }
    bool WaitAck(milliseconds timeout) override {
        const bool ack = waits < acks_.size() && acks_[waits] == 'y';
        ++waits;
        nowMs += ack ? 1 : timeout.count();
        return ack;
    }
    void Close() override { ++closes; }

    std::vector<std::vector<uint8_t>> sent;
    std::vector<int64_t> sentAtMs;
    std::string openedWith;
    size_t waits = 0;
    int closes = 0;
    int64_t nowMs = 0;

private:
    std::string acks_;
    bool opens_;
};

std::vector<uint8_t> Ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

// Keyword without terminator, a zero, block number, block count, u32 data length, the data.
std::vector<uint8_t> Block(uint8_t number, uint8_t count, ConstBytes data) {
    std::vector<uint8_t> block = Ascii(std::string_view("DMX-UPLOAD\0", 11));
    block.push_back(number);
    block.push_back(count);
    test::PutU32(block, static_cast<uint32_t>(data.size()));
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

TEST(UploadBlock, HeaderCountAndImage) {
    const std::vector<uint8_t> data = {0xAA, 0xBB, 0xCC};
    EXPECT_BYTES_EQ(Block(2, 5, data), BuildUploadBlock(2, 5, data));
    for (const auto& [size, count] : {std::pair{0, 1}, {1023, 1}, {1024, 2}, {65535, 64}})
        EXPECT_EQ(UploadBlockCount(size), count) << size;
    // The image: scene list, then the record's main part only.
    const std::vector<uint8_t> record = {6, 0, 9, 9, 9, 9, 0xEE, 0xEE};
    EXPECT_EQ(BuildUploadImage(std::vector<uint8_t>{1, 2, 3}, record),
              (std::vector<uint8_t>{1, 2, 3, 6, 0, 9, 9, 9, 9}));
    EXPECT_FALSE(BuildUploadImage({}, std::vector<uint8_t>{0x10}));           // no length field
    EXPECT_FALSE(BuildUploadImage({}, std::vector<uint8_t>{0x10, 0, 1, 2}));  // claims 16 bytes
    std::vector<uint8_t> largest(0xFFFF, 0xFF);
    EXPECT_TRUE(BuildUploadImage({}, largest));
    EXPECT_FALSE(BuildUploadImage(std::vector<uint8_t>{1}, largest));  // 65536 bytes
}

TEST(GatewayLine, AddressAndFirmwareGeneration) {
    EXPECT_EQ(GatewayLineAddress("10.0.0.100 Stage    Version: 2.1"), "10.0.0.100");
    EXPECT_EQ(GatewayLineAddress("10.0.0.100"), "10.0.0.100");
    // Only the last word counts, and it must begin with "2".
    for (const char* line : {"10.0.0.100 Stage    Version: 2.1", "10.0.0.100 2F"})
        EXPECT_TRUE(IsUploadableFirmware(line)) << line;
    for (const char* line : {"10.0.0.100 Version:2.0", "10.0.0.100 Stage    Version: 1.9",
                             "10.0.0.100 Stage", "10.0.0.100 Stage ", ""})
        EXPECT_FALSE(IsUploadableFirmware(line)) << line;
}

TEST(UploadProgressText, PeopleWordsInBothLanguages) {
    const struct {
        UploadProgress progress;
        const char *english, *german;
    } rows[] = {
        {{1, 5, 1, UploadStep::Prepare},
         "Preparing the gateway (packet 1 of 5)",
         "Gateway wird vorbereitet (Paket 1 von 5)"},
        {{3, 5, 2, UploadStep::Block, 2},
         "Sending block 2 of 3 (packet 3 of 5), retry 1",
         "Sende Block 2 von 3 (Paket 3 von 5), Wiederholung 1"},
        {{5, 5, 3, UploadStep::Start},
         "Starting the gateway (packet 5 of 5), retry 2",
         "Gateway wird gestartet (Paket 5 von 5), Wiederholung 2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UploadProgressText(row.progress, 0), row.english);
        EXPECT_EQ(UploadProgressText(row.progress, 1), row.german);
    }
}

TEST(UploadSequence, PacketsRetriesAndResults) {
    // Sends: 0 prepare, n block n, -1 start. A packet goes up to three times, 2000 ms apart.
    std::vector<int> largest(66);  // prepare, 64 blocks, start
    std::iota(largest.begin(), largest.end() - 1, 0);
    largest.back() = -1;
    const struct {
        const char* name;
        size_t size;
        std::string acks;
        bool opens;
        UploadResult result;
        std::vector<int> sends;
    } cases[] = {
        {"one block", 100, "yyy", true, UploadResult::Done, {0, 1, -1}},
        {"empty last block", 2048, "yyyyy", true, UploadResult::Done, {0, 1, 2, 3, -1}},
        {"block unacknowledged", 1500, "y", true, UploadResult::Failed, {0, 1, 1, 1}},
        {"third send acknowledged", 10, "nnyyy", true, UploadResult::Done, {0, 0, 0, 1, -1}},
        {"start unacknowledged", 10, "yy", true, UploadResult::Failed, {0, 1, -1, -1, -1}},
        {"65536 bytes", 65536, "", true, UploadResult::TooLarge, {}},
        {"open fails", 10, "", false, UploadResult::OpenFailed, {}},
        {"largest image", 65535, std::string(66, 'y'), true, UploadResult::Done, largest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> image(c.size);
        for (size_t i = 0; i < c.size; ++i)
            image[i] = static_cast<uint8_t>(i * 7 + 3);
        FakeTransport transport(c.acks, c.opens);
        std::vector<UploadProgress> progress;
        EXPECT_EQ(RunUpload(image, "198.18.0.2", transport,
                            [&](const UploadProgress& p) { progress.push_back(p); }),
                  c.result);
        const bool tooLarge = c.result == UploadResult::TooLarge;
        EXPECT_EQ(transport.openedWith, tooLarge ? "" : "198.18.0.2");
        EXPECT_EQ(transport.closes, tooLarge ? 0 : 1);
        ASSERT_EQ(transport.sent.size(), c.sends.size());
        ASSERT_EQ(progress.size(), c.sends.size());
        const int blocks = static_cast<int>(c.size / 1024 + 1);
        for (size_t k = 0; k < c.sends.size(); ++k) {
            const int n = c.sends[k];
            const size_t from = n > 0 ? 1024 * static_cast<size_t>(n - 1) : 0;
            const auto expected =
                n == 0 ? Ascii("DMX-PREPAR")
                : n == -1
                    ? Ascii("DMX-START")
                    : Block(static_cast<uint8_t>(n), static_cast<uint8_t>(blocks),
                            ConstBytes(image).subspan(from, std::min<size_t>(1024, c.size - from)));
            EXPECT_BYTES_EQ(expected, transport.sent[k]) << k;
            const bool repeat = k > 0 && c.sends[k - 1] == n;
            const int attempt = repeat ? progress[k - 1].attempt + 1 : 1;
            EXPECT_TRUE(!repeat || transport.sentAtMs[k] - transport.sentAtMs[k - 1] == 2000);
            const UploadStep step = n == 0  ? UploadStep::Prepare
                                    : n < 0 ? UploadStep::Start
                                            : UploadStep::Block;
            const int packet = n < 0 ? blocks + 2 : n + 1;
            EXPECT_EQ(progress[k].packet, packet) << k;
            EXPECT_EQ(progress[k].packetCount, blocks + 2) << k;
            EXPECT_EQ(progress[k].attempt, attempt) << k;
            EXPECT_EQ(progress[k].step, step) << k;
            EXPECT_EQ(progress[k].block, step == UploadStep::Block ? n : 0) << k;
        }
    }
}

}  // namespace
}  // namespace halvex
