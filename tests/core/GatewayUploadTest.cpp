#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "gateway/GatewayUpload.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using std::chrono::milliseconds;

// Records every datagram with the time of a clock that only moves when a wait times out.
class FakeTransport : public UploadTransport {
public:
    struct Sent {
        std::vector<uint8_t> bytes;
        int64_t atMs;
    };

    // acks[i]: whether the i-th wait sees an acknowledgement; waits beyond the list see none.
    explicit FakeTransport(std::vector<bool> acks, bool opens = true)
        : acks_(std::move(acks)), opens_(opens) {}

    bool Open(const std::string& address) override {
        openedWith = address;
        return opens_;
    }
    void Send(ConstBytes datagram) override {
        sent.push_back({{datagram.begin(), datagram.end()}, nowMs});
    }
    bool WaitAck(milliseconds timeout) override {
        const bool ack = waits < acks_.size() && acks_[waits];
        ++waits;
        nowMs += ack ? 1 : timeout.count();
        return ack;
    }
    void Close() override { ++closes; }

    std::vector<Sent> sent;
    std::string openedWith;
    size_t waits = 0;
    int closes = 0;
    int64_t nowMs = 0;

private:
    std::vector<bool> acks_;
    bool opens_;
};

std::vector<uint8_t> Ascii(const char* text) {
    return {text, text + std::char_traits<char>::length(text)};
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

uint32_t BlockLength(const std::vector<uint8_t>& block) {
    return block[13] | (block[14] << 8) | (block[15] << 16) |
           (static_cast<uint32_t>(block[16]) << 24);
}

TEST(UploadBlock, HeaderFieldByField) {
    const std::vector<uint8_t> data = {0xAA, 0xBB, 0xCC};
    std::vector<uint8_t> expected = Ascii("DMX-UPLOAD");  // keyword, no terminator
    expected.push_back(0);                                // always zero
    expected.push_back(2);                                // block number
    expected.push_back(5);                                // block count
    test::PutU32(expected, 3);                            // data bytes in this block
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_BYTES_EQ(expected, BuildUploadBlock(2, 5, data));
}

TEST(UploadBlock, CountIsSizeOver1024PlusOne) {
    EXPECT_EQ(UploadBlockCount(0), 1);
    EXPECT_EQ(UploadBlockCount(1023), 1);
    EXPECT_EQ(UploadBlockCount(1024), 2);
    EXPECT_EQ(UploadBlockCount(65535), 64);
}

TEST(UploadImage, SceneListThenMainPart) {
    const std::vector<uint8_t> scenes = {1, 2, 3};
    std::vector<uint8_t> record = {6, 0, 9, 9, 9, 9, 0xEE, 0xEE};  // main part: 6 bytes
    const auto image = BuildUploadImage(scenes, record);
    ASSERT_TRUE(image);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{1, 2, 3, 6, 0, 9, 9, 9, 9}), *image);
}

TEST(UploadImage, RefusesDamagedRecordsAndOversizedImages) {
    EXPECT_FALSE(BuildUploadImage({}, std::vector<uint8_t>{0x10}));           // no length field
    EXPECT_FALSE(BuildUploadImage({}, std::vector<uint8_t>{0x10, 0, 1, 2}));  // claims 16 bytes
    std::vector<uint8_t> record(0xFFFF, 0);
    record[0] = 0xFF;
    record[1] = 0xFF;
    EXPECT_TRUE(BuildUploadImage({}, record));
    EXPECT_FALSE(BuildUploadImage(std::vector<uint8_t>{1}, record));  // 65536 bytes
}

TEST(GatewayLine, AddressAndFirmwareGeneration) {
    EXPECT_EQ(GatewayLineAddress("10.0.0.100 Stage    Version: 2.1"), "10.0.0.100");
    EXPECT_EQ(GatewayLineAddress("10.0.0.100"), "10.0.0.100");
    EXPECT_TRUE(IsUploadableFirmware("10.0.0.100 Stage    Version: 2.1"));
    EXPECT_TRUE(IsUploadableFirmware("10.0.0.100 2F"));  // only the last word counts
    EXPECT_FALSE(IsUploadableFirmware("10.0.0.100 Version:2.0"));
    EXPECT_FALSE(IsUploadableFirmware("10.0.0.100 Stage    Version: 1.9"));
    EXPECT_FALSE(IsUploadableFirmware("10.0.0.100 Stage"));
    EXPECT_FALSE(IsUploadableFirmware("10.0.0.100 Stage "));
    EXPECT_FALSE(IsUploadableFirmware(""));
}

class UploadSequence : public ::testing::Test {
protected:
    UploadResult Run(const std::vector<uint8_t>& image, FakeTransport& transport) {
        return RunUpload(image, "198.18.0.2", transport,
                         [this](const UploadProgress& p) { progress.push_back(p); });
    }
    std::vector<UploadProgress> progress;
};

TEST_F(UploadSequence, HundredBytesGoAsOneBlock) {
    const auto image = Pattern(100);
    FakeTransport transport({true, true, true});
    EXPECT_EQ(Run(image, transport), UploadResult::Done);
    EXPECT_EQ(transport.openedWith, "198.18.0.2");
    ASSERT_EQ(transport.sent.size(), 3u);
    EXPECT_BYTES_EQ(Ascii("DMX-PREPAR"), transport.sent[0].bytes);
    const auto& block = transport.sent[1].bytes;
    ASSERT_EQ(block.size(), 117u);
    EXPECT_EQ(block[11], 1);
    EXPECT_EQ(block[12], 1);
    EXPECT_EQ(BlockLength(block), 100u);
    EXPECT_BYTES_EQ(image, std::vector<uint8_t>(block.begin() + 17, block.end()));
    EXPECT_BYTES_EQ(Ascii("DMX-START"), transport.sent[2].bytes);
    EXPECT_EQ(transport.closes, 1);
}

TEST_F(UploadSequence, ExactMultipleOf1024EndsWithAnEmptyBlock) {
    const auto image = Pattern(2048);
    FakeTransport transport(std::vector<bool>(5, true));
    EXPECT_EQ(Run(image, transport), UploadResult::Done);
    ASSERT_EQ(transport.sent.size(), 5u);
    const uint32_t lengths[] = {1024, 1024, 0};
    for (size_t i = 0; i < 3; ++i) {
        const auto& block = transport.sent[1 + i].bytes;
        EXPECT_EQ(block[11], i + 1);
        EXPECT_EQ(block[12], 3);
        EXPECT_EQ(BlockLength(block), lengths[i]);
        ASSERT_EQ(block.size(), 17 + lengths[i]);
        EXPECT_BYTES_EQ(
            std::vector<uint8_t>(image.begin() + static_cast<long>(1024 * i),
                                 image.begin() + static_cast<long>(1024 * i + lengths[i])),
            std::vector<uint8_t>(block.begin() + 17, block.end()));
    }
    ASSERT_EQ(progress.size(), 5u);
    EXPECT_EQ(progress[2].packet, 3);
    EXPECT_EQ(progress[2].packetCount, 5);
    EXPECT_EQ(progress[2].step, UploadStep::Block);
    EXPECT_EQ(progress[2].block, 2);
    EXPECT_EQ(progress[4].step, UploadStep::Start);
}

TEST(UploadProgressText, PeopleWordsInBothLanguages) {
    const struct {
        UploadProgress progress;
        const char* english;
        const char* german;
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

TEST_F(UploadSequence, NoAckAfterPrepareSendsBlockOneThreeTimesAndNoStart) {
    FakeTransport transport({true});
    EXPECT_EQ(Run(Pattern(1500), transport), UploadResult::Failed);
    ASSERT_EQ(transport.sent.size(), 4u);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(transport.sent[i].bytes[11], 1) << "send " << i;
        EXPECT_EQ(transport.sent[i].bytes.size(), 17u + 1024u);
    }
    EXPECT_EQ(transport.sent[2].atMs - transport.sent[1].atMs, 2000);
    EXPECT_EQ(transport.sent[3].atMs - transport.sent[2].atMs, 2000);
    EXPECT_EQ(progress.back().attempt, 3);
    EXPECT_EQ(transport.closes, 1);
}

TEST_F(UploadSequence, RetriedPacketSucceedsOnItsThirdSend) {
    FakeTransport transport({false, false, true, true, true});
    EXPECT_EQ(Run(Pattern(10), transport), UploadResult::Done);
    ASSERT_EQ(transport.sent.size(), 5u);
    EXPECT_BYTES_EQ(Ascii("DMX-PREPAR"), transport.sent[2].bytes);
}

TEST_F(UploadSequence, UnacknowledgedStartFails) {
    FakeTransport transport({true, true});
    EXPECT_EQ(Run(Pattern(10), transport), UploadResult::Failed);
    EXPECT_EQ(transport.sent.size(), 5u);  // prepare, block, start three times
}

TEST_F(UploadSequence, ImageOf65536BytesOpensNothing) {
    FakeTransport transport({});
    EXPECT_EQ(Run(Pattern(65536), transport), UploadResult::TooLarge);
    EXPECT_TRUE(transport.openedWith.empty());
    EXPECT_EQ(transport.closes, 0);
}

TEST_F(UploadSequence, LargestImageTakesSixtyFourBlocks) {
    FakeTransport transport(std::vector<bool>(66, true));
    EXPECT_EQ(Run(Pattern(65535), transport), UploadResult::Done);
    ASSERT_EQ(transport.sent.size(), 66u);
    EXPECT_EQ(transport.sent[64].bytes[11], 64);
    EXPECT_EQ(BlockLength(transport.sent[64].bytes), 65535u - 63u * 1024u);
}

TEST_F(UploadSequence, FailedOpenSendsNothingAndCloses) {
    FakeTransport transport({}, false);
    EXPECT_EQ(Run(Pattern(10), transport), UploadResult::OpenFailed);
    EXPECT_TRUE(transport.sent.empty());
    EXPECT_EQ(transport.closes, 1);
}

}  // namespace
}  // namespace halvex
