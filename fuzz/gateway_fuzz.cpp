// Feeds arbitrary datagram payloads to ParseGatewayMessage with a sink attached and an EnOcean
// record open, and to the helpers the dialog's sink calls.
//
// Guarantees checked: no read past the payload (sanitizers; the payload is copied into a buffer
// of exactly its length), list lines are UTF-8 and non-empty for every search response, a
// transmitter table never takes more than 1000 rows or a row twice.
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "engine/Codepage.h"
#include "engine/net/GatewayParser.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace halvex;

class CheckingSink : public GatewayEventSink {
public:
    void OnSearchResponse(const std::string& line) override {
        fuzz::Check(!line.empty() && IsValidUtf8(line));
    }
    void OnTransmitterReport(const Telegram& telegram) override {
        fuzz::Check(IsValidUtf8(TransmitterReportText(telegram)));
        fuzz::Check(IsValidUtf8(TransmitterItemLabel(telegram)));
        const uint16_t before = count;
        const auto row = AddTelegram(std::span<uint8_t, layout::kRowSize * layout::kMaxRows>(table),
                                     count, telegram);
        fuzz::Check(row ? (*row == before && count == before + 1) : count == before);
        fuzz::Check(count <= layout::kMaxRows);
        // The same telegram again is never taken twice.
        fuzz::Check(!AddTelegram(std::span<uint8_t, layout::kRowSize * layout::kMaxRows>(table),
                                 count, telegram) ||
                    !row);
    }
    std::vector<uint8_t> table = std::vector<uint8_t>(layout::kRowSize * layout::kMaxRows, 0);
    uint16_t count = 0;
};

CheckingSink& Sink() {
    static CheckingSink sink;
    return sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (Sink().count >= layout::kMaxRows - 1)
        Sink().count = 0;

    const auto payload = std::make_unique<uint8_t[]>(size);
    if (size > 0)
        std::memcpy(payload.get(), data, size);
    const ConstBytes bytes(payload.get(), size);
    ParseGatewayMessage(payload.get(), static_cast<uint32_t>(size), PeerAddress{}, &Sink(), true);

    const std::string line = SearchResponseLine(bytes);
    fuzz::Check(IsValidUtf8(line));
    if (const auto telegram = TransmitterReportTelegram(bytes))
        fuzz::Check(IsValidUtf8(TransmitterReportText(*telegram)));
    return 0;
}
