// One call of __OpenKNXDialog made the way a host makes it, and the user interface the
// plug-in runs its dialogs in.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "host/PluginLibrary.h"
#include "host/RecordFile.h"
#include "host/ShowFile.h"

namespace halvex::host {

// What the host's user-interface thread holds while the plug-in shows dialogs: the Qt
// application on Linux, OLE on Windows (the dialog's drag and drop needs it).
class UiSession {
public:
    virtual ~UiSession() = default;
};

// Starts the user interface. `automated`: nobody looks, so Linux uses the offscreen platform
// unless QT_QPA_PLATFORM is set. Without `automated` and without a display, throws HostError
// (Usage) instead of letting Qt abort. Here and in PrepareForCallsWithoutDialog, Qt's
// platform notices that tell the user nothing (a feature the platform lacks, the runtime
// folder it falls back to) are kept off the terminal; every other message still shows.
std::unique_ptr<UiSession> StartUi(bool automated);

// For commands that show nothing: should the plug-in create a user interface of its own, it
// gets one without a display (Linux: the offscreen platform) instead of aborting.
void PrepareForCallsWithoutDialog();

struct DialogOutcome {
    bool accepted = false;        // the plug-in replaced the record (OK)
    std::vector<uint8_t> record;  // the new record's bytes when accepted
};

// Calls __OpenKNXDialog with the show's scene list and device table and a malloc copy of
// `record` (nullptr for a new scene object), and takes back the record the plug-in stores in
// the host's record variable.
DialogOutcome CallOpenDialog(const PluginLibrary& library, const HostShow& show,
                             const std::optional<StoredRecord>& record, uint8_t language);

}  // namespace halvex::host
