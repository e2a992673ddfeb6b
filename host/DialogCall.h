// One call of __OpenKNXDialog made the way a host makes it, and the Qt application the plug-in
// runs its dialogs in.
#pragma once

#include <QApplication>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "host/PluginLibrary.h"
#include "host/RecordFile.h"
#include "host/ShowFile.h"

namespace halvex::host {

// Creates the host's QApplication, which the plug-in then uses for its dialogs. `offscreen`
// selects the offscreen platform unless QT_QPA_PLATFORM is set. Without offscreen and without
// a display, throws HostError (Usage) instead of letting Qt abort.
std::unique_ptr<QApplication> CreateApplication(bool offscreen);

// For commands that show nothing: should the plug-in create a Qt application of its own,
// it gets the offscreen platform when there is no display, instead of aborting.
void PreferOffscreenWithoutDisplay();

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
