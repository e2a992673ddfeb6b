#include "engine/net/GatewayUpload.h"

#include <algorithm>
#include <mutex>

#include "engine/UiText.h"
#include "engine/net/AutoResetEvent.h"
#include "engine/net/GatewayProtocol.h"
#include "engine/record/RecordLayout.h"

namespace halvex {

namespace {

namespace p = protocol;

ConstBytes Keyword(std::string_view keyword) {
    return {reinterpret_cast<const uint8_t*>(keyword.data()), keyword.size()};
}

// Time the upload's sends may wait for the socket to become writable.
constexpr uint32_t kUploadSendTimeoutMs = 100;

}  // namespace

std::optional<std::vector<uint8_t>> BuildUploadImage(ConstBytes sceneList, ConstBytes record) {
    const auto mainLength = ReadU16(record, layout::kMainLength);
    if (!mainLength)
        return std::nullopt;
    const auto mainPart = Slice(record, 0, *mainLength);
    if (!mainPart || sceneList.size() + mainPart->size() > p::kMaxImageSize)
        return std::nullopt;
    std::vector<uint8_t> image;
    image.reserve(sceneList.size() + mainPart->size());
    ByteBuilder out(image);
    out.Bytes(sceneList);
    out.Bytes(*mainPart);
    return image;
}

std::vector<uint8_t> BuildUploadBlock(uint8_t number, uint8_t count, ConstBytes data) {
    // Written into a presized buffer: header fields at their offsets, then the data.
    std::vector<uint8_t> block(p::kBlockHeaderSize + data.size(), 0);
    WriteBytes(block, p::kBlockKeyword, Keyword(p::kUpload));
    WriteU8(block, p::kBlockNumber, number);
    WriteU8(block, p::kBlockCount, count);
    WriteU32(block, p::kBlockDataLength, static_cast<uint32_t>(data.size()));
    WriteBytes(block, p::kBlockHeaderSize, data);
    return block;
}

int UploadBlockCount(size_t imageSize) {
    return static_cast<int>(imageSize / p::kBlockDataSize) + 1;
}

std::string GatewayLineAddress(std::string_view line) {
    return std::string(line.substr(0, line.find(' ')));
}

bool IsUploadableFirmware(std::string_view line) {
    const size_t space = line.rfind(' ');
    const std::string_view last = space == std::string_view::npos ? line : line.substr(space + 1);
    return last.starts_with('2');
}

GatewayUploadTransport::GatewayUploadTransport(const GatewayAccess& gateway,
                                               std::function<void()> pump,
                                               std::chrono::milliseconds slice)
    : gateway_(gateway),
      pump_(std::move(pump)),
      slice_(std::max(slice, std::chrono::milliseconds(1))),
      ackEvent_(AutoResetEvent::CreateOrOpen(std::string(p::kUploadEventName))) {}

bool GatewayUploadTransport::Open(const std::string& address) {
    std::lock_guard lock(gateway_.lock);
    if (gateway_.link.IsOpen())
        gateway_.link.Close();
    // An acknowledgement left over from an earlier, abandoned exchange must not count for
    // this upload's first packet.
    ackEvent_->Reset();
    return gateway_.link.OpenConnected(address, std::string(p::kGatewayService), p::kFamily,
                                       p::kType);
}

void GatewayUploadTransport::Send(ConstBytes datagram) {
    std::lock_guard lock(gateway_.lock);
    gateway_.link.Send(datagram.data(), static_cast<uint32_t>(datagram.size()),
                       kUploadSendTimeoutMs);
}

bool GatewayUploadTransport::WaitAck(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (ackEvent_->Wait(std::clamp(left, std::chrono::milliseconds(0), slice_)))
            return true;
        if (Clock::now() >= deadline)
            return false;
        if (pump_)
            pump_();
    }
}

void GatewayUploadTransport::Close() {
    std::lock_guard lock(gateway_.lock);
    gateway_.link.Close();
}

std::string UploadProgressText(const UploadProgress& progress, uint8_t language) {
    const int blockCount = progress.packetCount - 2;
    std::string text = progress.step == UploadStep::Prepare
                           ? std::string(ExtraUiText(ExtraText::UploadPreparing, language))
                       : progress.step == UploadStep::Start
                           ? std::string(ExtraUiText(ExtraText::UploadStarting, language))
                           : FillText(ExtraUiText(ExtraText::UploadSendingBlock, language),
                                      {progress.block, blockCount});
    text += " (" +
            FillText(ExtraUiText(ExtraText::UploadPacket, language),
                     {progress.packet, progress.packetCount}) +
            ")";
    if (progress.attempt > 1)
        text +=
            ", " + FillText(ExtraUiText(ExtraText::UploadRetry, language), {progress.attempt - 1});
    return text;
}

UploadResult RunUpload(ConstBytes image, const std::string& address, UploadTransport& transport,
                       const std::function<void(const UploadProgress&)>& progress) {
    if (image.size() > p::kMaxImageSize)
        return UploadResult::TooLarge;
    if (!transport.Open(address)) {
        transport.Close();
        return UploadResult::OpenFailed;
    }
    const int blockCount = UploadBlockCount(image.size());
    const int packetCount = blockCount + 2;
    int packet = 0;

    // One packet: up to three sends, each followed by a wait for its acknowledgement.
    auto exchange = [&](ConstBytes datagram, UploadStep step, int block = 0) {
        ++packet;
        for (int attempt = 1; attempt <= p::kUploadAttempts; ++attempt) {
            if (progress)
                progress({packet, packetCount, attempt, step, block});
            transport.Send(datagram);
            if (transport.WaitAck(std::chrono::milliseconds(p::kUploadAckTimeoutMs)))
                return true;
        }
        return false;
    };

    bool ok = exchange(Keyword(p::kPrepare), UploadStep::Prepare);
    size_t position = 0;
    for (int number = 1; ok && number <= blockCount; ++number) {
        const size_t length = number < blockCount ? p::kBlockDataSize : image.size() - position;
        const auto block =
            BuildUploadBlock(static_cast<uint8_t>(number), static_cast<uint8_t>(blockCount),
                             image.subspan(position, length));
        ok = exchange(block, UploadStep::Block, number);
        position += length;
    }
    if (ok)
        ok = exchange(Keyword(p::kStart), UploadStep::Start);
    transport.Close();
    return ok ? UploadResult::Done : UploadResult::Failed;
}

}  // namespace halvex
