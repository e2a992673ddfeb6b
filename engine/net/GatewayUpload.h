// The upload of the scene list and the record to one gateway, packet by packet, each packet
// acknowledged by "DMX_UPLOAD_ACK".
//
// The sequence itself is plain code over an UploadTransport, so a test drives it with a fake
// transport whose clock it controls; GatewayUploadTransport is the real one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/GatewayAccess.h"
#include "engine/record/Bytes.h"

namespace halvex {

class AutoResetEvent;

// The image a gateway receives: the host's scene list followed by the record's main part
// (as many bytes as the record's u16 at offset 0). nullopt when the record is shorter than
// its main part claims or the image would reach 65536 bytes.
std::optional<std::vector<uint8_t>> BuildUploadImage(ConstBytes sceneList, ConstBytes record);

// One "DMX-UPLOAD" datagram: the 17-byte header and `data` behind it.
std::vector<uint8_t> BuildUploadBlock(uint8_t number, uint8_t count, ConstBytes data);

// Number of blocks for an image: size / 1024 + 1 (the last block may carry 0 bytes).
int UploadBlockCount(size_t imageSize);

// The dotted address at the start of a gateway list line (up to its first space).
std::string GatewayLineAddress(std::string_view line);
// True when the line's last space-separated word begins with "2": firmware generation 2.
bool IsUploadableFirmware(std::string_view line);

enum class UploadResult { Done, Failed, OpenFailed, TooLarge };

enum class UploadStep { Prepare, Block, Start };

struct UploadProgress {
    int packet;       // 1-based: prepare, the blocks, start
    int packetCount;  // block count + 2
    int attempt;      // 1 to 3
    UploadStep step;
    int block = 0;  // 1-based block number of a Block step
};

// The progress line shown to the user in `language` (0 English, 1 German), e.g.
// "Sending block 2 of 3 (packet 3 of 5), retry 1".
std::string UploadProgressText(const UploadProgress& progress, uint8_t language);

class UploadTransport {
public:
    virtual ~UploadTransport() = default;
    virtual bool Open(const std::string& address) = 0;
    virtual void Send(ConstBytes datagram) = 0;
    // True when an acknowledgement arrived within `timeout`.
    virtual bool WaitAck(std::chrono::milliseconds timeout) = 0;
    virtual void Close() = 0;
};

// Sends over the gateway link towards the gateway's port 4044, each link operation under its
// lock (never across a wait), and waits for "UploadEvent". While waiting it calls `pump` every
// `slice` so the dialog can repaint; acknowledgements never wait on the pump.
class GatewayUploadTransport : public UploadTransport {
public:
    explicit GatewayUploadTransport(
        const GatewayAccess& gateway, std::function<void()> pump = {},
        std::chrono::milliseconds slice = std::chrono::milliseconds(20));
    bool Open(const std::string& address) override;
    void Send(ConstBytes datagram) override;
    bool WaitAck(std::chrono::milliseconds timeout) override;
    void Close() override;

private:
    GatewayAccess gateway_;
    std::function<void()> pump_;
    std::chrono::milliseconds slice_;
    std::shared_ptr<AutoResetEvent> ackEvent_;
};

// Prepare, every block, start: each packet sent up to 3 times, each send waiting 2000 ms for
// its acknowledgement; the first packet that stays unacknowledged ends the upload as Failed.
// TooLarge (65536 bytes or more) opens nothing; OpenFailed closes the transport again.
// `progress` (may be empty) hears of every send before it happens.
UploadResult RunUpload(ConstBytes image, const std::string& address, UploadTransport& transport,
                       const std::function<void(const UploadProgress&)>& progress);

}  // namespace halvex
