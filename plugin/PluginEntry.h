// What the three exports do, behind the C boundary.
//
// One __OpenKNXDialog call runs the same sequence on every platform: take the host's scene list,
// device table and language, ask for the bus type of a new record, open the listening link, make
// the working record, run the main dialog, hand the record over on OK, stop the listening link.
// The dialogs themselves come from the platform's front-end through DialogFrontEnd.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace halvex {

// A warning the main dialog shows above itself once it is up (UTF-8 texts, OK button).
struct StartWarning {
    std::string caption;
    std::string text;
};

// The dialogs of one call, as a front-end shows them. The front-end object lives for the whole
// call, so the main dialog may outlive RunMainDialog until the listening link has stopped.
class DialogFrontEnd {
public:
    virtual ~DialogFrontEnd() = default;
    // The bus-type question for a new record, with "KNX" preselected: the choice (0-4, -1 for
    // none), or nothing when the user cancelled.
    virtual std::optional<int> AskBusType() = 0;
    // Runs the main dialog on the working record; true when it ended with OK. `listenFailed`:
    // the listening link could not be opened and the dialog says so.
    virtual bool RunMainDialog(bool listenFailed, const std::optional<StartWarning>& warning) = 0;
};

// The platform's front-end, or null when it cannot show dialogs on this thread (no display).
std::unique_ptr<DialogFrontEnd> MakeDialogFrontEnd();

// One dialog call through `frontEnd`.
void RunDialogCall(DialogFrontEnd& frontEnd, const uint8_t* sceneList, uint8_t* record,
                   uint8_t** recordSlot, uint8_t language, const uint32_t* deviceTable,
                   uint16_t deviceCount);

void OpenKnxDialog(const uint8_t* sceneList, uint8_t* record, uint8_t** recordSlot,
                   uint8_t language, const uint32_t* deviceTable, uint16_t deviceCount);
void DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList, uint8_t** recordSlot);

}  // namespace halvex
