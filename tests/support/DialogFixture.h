// Opens the main dialog on a record the way the plug-in does, without the C boundary.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qt/CKnxDlg.h"
#include "support/ModalAnswerer.h"
#include "support/ModelFixture.h"
#include "support/RecordBuilder.h"

namespace halvex::test {

class DialogFixture : public ::testing::Test {
protected:
    void TearDown() override;

    // Sets up the module state for `record` and runs the dialog's initialisation.
    void Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes = {},
              const std::vector<Device>& devices = {}, uint8_t language = 0);
    CDragTreeCtrl* Catalogue() const;
    // The tree control of output page `slot` (0-5).
    CDragTreeCtrl* PageTree(int slot) const;

    bool listenFailed = false;  // tell the dialog the listening socket did not open
    std::unique_ptr<CKnxDlg> dlg;
    std::vector<uint8_t> sceneList;
};

}  // namespace halvex::test
