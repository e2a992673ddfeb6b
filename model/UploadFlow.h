// "Upload" as a sequence of stages that any front-end drives: it starts the flow with the
// selected gateway line, shows each message or question the flow asks for and reports what
// the user answered, locks its inputs while the flow sends, and searches again at the end.
//
//   Start -> Tell "invalid Firmware" -> Idle
//   Start -> [Tell "Invalid IP-Address" | Ask "Really change ..."] -> rebuild ->
//            [Send -> Tell "Upload done"/"Upload failed"] -> SearchAgain -> Idle
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/GatewayUpload.h"
#include "engine/record/Bytes.h"

namespace halvex {

struct UploadMessage {
    enum class Icon { None, Information, Warning };
    std::string caption;  // UTF-8
    std::string text;
    Icon icon = Icon::None;
};

// What the upload needs from the dialog around it.
struct UploadHooks {
    std::function<bool()> hostNameKnown;                    // the local host's name is readable
    std::function<void(const std::string&)> chooseGateway;  // becomes GatewayAddress
    std::function<void()> copySettings;  // the page's network settings into the working record
    std::function<bool()> rebuild;       // rebuilds the working record; false: it does not fit
    std::function<ConstBytes()> record;  // the working record as it is now
    std::function<ConstBytes()> sceneList;
    std::function<std::unique_ptr<UploadTransport>()> makeTransport;
};

// Hooks that take the local host name, GatewayAddress, the working record and the host's scene
// list from the module state, around what only the page knows: how its settings reach the
// record, how the dialog rebuilds it and the link the upload runs over.
UploadHooks ModuleUploadHooks(std::function<void()> copySettings, std::function<bool()> rebuild,
                              std::function<std::unique_ptr<UploadTransport>()> makeTransport);

enum class UploadStage {
    Idle,         // no upload under way
    Tell,         // show Message() with OK, then Continue()
    Ask,          // ask Message() with OK and Cancel, then Continue(answer)
    Send,         // lock the inputs and call Send()
    SearchAgain,  // search again, leave the list without a selection, then Continue()
};

// What a front-end does for the stages while Drive runs the flow.
struct UploadView {
    std::function<void()> refresh;  // show UploadEnabled() and InputsEnabled()
    // Shows the message with OK (and Cancel for a question); true when OK was pressed.
    std::function<bool(const UploadMessage&, bool question)> show;
    std::function<void(const std::string&)> progress;  // each packet's text; empty at the end
    std::function<void()> searchAgain;  // search again, leaving the list without a selection
};

class UploadFlow {
public:
    explicit UploadFlow(UploadHooks hooks) : hooks_(std::move(hooks)) {}

    // "Upload" pressed with the selected gateway line. False when nothing starts: no line,
    // no host name, or an upload already under way. Texts are in `language` (0 English,
    // 1 German).
    bool Start(std::optional<std::string_view> line, uint8_t language);
    // The front-end did what the stage asked; `ok` answers the question of Ask.
    void Continue(bool ok = true);
    // Sends the image to the gateway; `progress` hears the text of each packet before it goes.
    void Send(const std::function<void(const std::string&)>& progress);
    // Runs the flow through `view` from its current stage until it is idle again.
    void Drive(const UploadView& view);

    UploadStage Stage() const { return stage_; }
    const UploadMessage& Message() const { return message_; }
    // The "Upload" button: usable unless an upload is past its firmware check.
    bool UploadEnabled() const { return !running_; }
    // The page's other inputs: locked while the image is sent.
    bool InputsEnabled() const { return stage_ != UploadStage::Send; }

private:
    enum class After { Idle, Rebuild, SearchAgain };

    void Show(UploadStage stage, UploadMessage message, After after);
    void Rebuild(bool upload);

    UploadHooks hooks_;
    UploadStage stage_ = UploadStage::Idle;
    UploadMessage message_;
    After after_ = After::Idle;
    bool running_ = false;
    bool sending_ = false;
    uint8_t language_ = 0;
    std::string address_;
    std::vector<uint8_t> image_;
};

}  // namespace halvex
