// The plug-in as the host sees it: halvex.dll loaded with LoadLibrary, or libhalvex.so with
// dlopen, and its three exports looked up by name.
#pragma once

#include <string>

#include "halvex/plugin.h"

namespace halvex::host {

class PluginLibrary {
public:
    using OpenDialogFn = decltype(&__OpenKNXDialog);
    using DeleteSceneFn = decltype(&__DeleteScene);
    using SendDmxFn = decltype(&__SendDMXData2UDP);

    // The library loaded when the command line names none: the one built with the host
    // (Linux), halvex.dll beside the program (Windows).
    static std::string DefaultPath();

    // Loads the library and resolves all three exports. Throws HostError (Library) naming the
    // file and every missing export.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    OpenDialogFn OpenDialog() const { return openDialog_; }
    DeleteSceneFn DeleteScene() const { return deleteScene_; }
    SendDmxFn SendDmx() const { return sendDmx_; }

private:
    void* handle_ = nullptr;
    OpenDialogFn openDialog_ = nullptr;
    DeleteSceneFn deleteScene_ = nullptr;
    SendDmxFn sendDmx_ = nullptr;
};

}  // namespace halvex::host
