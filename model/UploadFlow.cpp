#include "model/UploadFlow.h"

#include <array>

#include "engine/ModuleState.h"
#include "engine/UiText.h"
#include "engine/net/CSocketLink.h"
#include "engine/record/RecordLayout.h"
#include "model/DialogCall.h"
#include "model/GatewayList.h"
#include "model/NetworkSettings.h"

namespace halvex {
namespace {

// The new address in the record's header against the gateway's current dotted address,
// octet by octet; each octet is the text between two dots, a missing one counts as 0.
bool SameAddress(ConstBytes record, std::string_view current) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t dot = current.find('.', start);
        parts.push_back(current.substr(start, dot - start));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    for (size_t i = 0; i < 4; ++i) {
        const int32_t octet = i < parts.size() ? LeadingNumber(parts[i]) : 0;
        if (octet != ReadU8(record, layout::kIpAddress + i).value_or(0))
            return false;
    }
    return true;
}

}  // namespace

UploadHooks ModuleUploadHooks(std::function<void()> copySettings, std::function<bool()> rebuild,
                              std::function<std::unique_ptr<UploadTransport>()> makeTransport) {
    return {
        .hostNameKnown =
            [] {
                std::array<char, 260> hostName{};
                return LocalHostName(hostName.data(), static_cast<uint32_t>(hostName.size()));
            },
        .chooseGateway = ChooseGateway,
        .copySettings = std::move(copySettings),
        .rebuild = std::move(rebuild),
        .record = [] { return ConstBytes(WorkingRecordBytes()); },
        .sceneList =
            [] {
                const ModuleState& m = Module();
                return m.SceneList != nullptr ? ConstBytes(m.SceneList, m.SceneListSize)
                                              : ConstBytes();
            },
        .makeTransport = std::move(makeTransport),
    };
}

bool UploadFlow::Start(std::optional<std::string_view> line, uint8_t language) {
    if (stage_ != UploadStage::Idle || !line || (hooks_.hostNameKnown && !hooks_.hostNameKnown()))
        return false;
    language_ = language;
    const auto attention = [language](Text text, UploadMessage::Icon icon) {
        return UploadMessage{std::string(UiText(Text::Attention, language)),
                             std::string(UiText(text, language)), icon};
    };
    if (!IsUploadableFirmware(*line)) {
        Show(UploadStage::Tell, attention(Text::InvalidFirmware, UploadMessage::Icon::None),
             After::Idle);
        return true;
    }
    address_ = GatewayLineAddress(*line);
    if (hooks_.chooseGateway)
        hooks_.chooseGateway(address_);
    running_ = true;
    if (hooks_.copySettings)
        hooks_.copySettings();
    const ConstBytes record = hooks_.record ? hooks_.record() : ConstBytes();
    if (ReadU8(record, layout::kIpAddress + 3).value_or(0) == 255) {
        Show(UploadStage::Tell, attention(Text::InvalidIpAddress, UploadMessage::Icon::None),
             After::Rebuild);
    } else if (SameAddress(record, address_)) {
        Rebuild(true);
    } else {
        Show(UploadStage::Ask, attention(Text::ReallyChangeAddress, UploadMessage::Icon::Warning),
             After::Rebuild);
    }
    return true;
}

void UploadFlow::Continue(bool ok) {
    const UploadStage answered = stage_;
    if (answered == UploadStage::Idle || answered == UploadStage::Send)
        return;
    switch (after_) {
        case After::Idle:
            stage_ = UploadStage::Idle;
            running_ = false;
            break;
        case After::Rebuild:
            Rebuild(answered == UploadStage::Ask && ok);
            break;
        case After::SearchAgain:
            stage_ = UploadStage::SearchAgain;
            after_ = After::Idle;
            break;
    }
}

void UploadFlow::Show(UploadStage stage, UploadMessage message, After after) {
    stage_ = stage;
    message_ = std::move(message);
    after_ = after;
}

void UploadFlow::Rebuild(bool upload) {
    // The record is rebuilt whatever was decided, so it keeps the settings just copied.
    const bool fits = hooks_.rebuild ? hooks_.rebuild() : true;
    if (upload && fits) {
        // Read after the rebuild, which may have moved the record.
        auto image = BuildUploadImage(hooks_.sceneList ? hooks_.sceneList() : ConstBytes(),
                                      hooks_.record ? hooks_.record() : ConstBytes());
        if (image) {
            image_ = std::move(*image);
            stage_ = UploadStage::Send;
            return;
        }
    }
    stage_ = UploadStage::SearchAgain;
    after_ = After::Idle;
}

void UploadFlow::Send(const std::function<void(const std::string&)>& progress) {
    // A Send from inside the running one (the waits let the front-end run) sends nothing.
    if (stage_ != UploadStage::Send || sending_)
        return;
    sending_ = true;
    std::unique_ptr<UploadTransport> transport =
        hooks_.makeTransport ? hooks_.makeTransport() : nullptr;
    UploadResult result = UploadResult::OpenFailed;
    if (transport) {
        result = RunUpload(image_, address_, *transport, [&](const UploadProgress& step) {
            if (progress)
                progress(UploadProgressText(step, language_));
        });
        transport.reset();
    }
    sending_ = false;
    image_.clear();
    const std::string caption(UiText(Text::Information, language_));
    if (result == UploadResult::Done) {
        Show(UploadStage::Tell, {caption, "Upload done", UploadMessage::Icon::Information},
             After::SearchAgain);
    } else if (result == UploadResult::Failed) {
        Show(UploadStage::Tell, {caption, "Upload failed", UploadMessage::Icon::Warning},
             After::SearchAgain);
    } else {
        stage_ = UploadStage::SearchAgain;
        after_ = After::Idle;
    }
}

void UploadFlow::Drive(const UploadView& view) {
    for (;;) {
        if (view.refresh)
            view.refresh();
        switch (stage_) {
            case UploadStage::Idle:
                return;
            case UploadStage::Tell:
                view.show(message_, false);
                Continue();
                break;
            case UploadStage::Ask:
                Continue(view.show(message_, true));
                break;
            case UploadStage::Send:
                Send(view.progress);
                view.progress({});
                break;
            case UploadStage::SearchAgain:
                view.searchAgain();
                Continue();
                break;
        }
    }
}

}  // namespace halvex
