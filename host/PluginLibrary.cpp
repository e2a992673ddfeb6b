#include "host/PluginLibrary.h"

#include <dlfcn.h>

#include "host/HostError.h"

namespace halvex::host {
namespace {

template <typename Fn>
Fn Resolve(void* handle, const char* name, std::string& missing) {
    dlerror();
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        missing += missing.empty() ? name : std::string(", ") + name;
        return nullptr;
    }
    return reinterpret_cast<Fn>(symbol);
}

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    // RTLD_NOW: a library with unresolved symbols fails here, not in the middle of a call.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = dlerror();
        throw HostError(ExitCode::Library, "cannot load the plug-in " + path + ": " +
                                               (error != nullptr ? error : "unknown error"));
    }
    std::string missing;
    openDialog_ = Resolve<OpenDialogFn>(handle_, "__OpenKNXDialog", missing);
    deleteScene_ = Resolve<DeleteSceneFn>(handle_, "__DeleteScene", missing);
    sendDmx_ = Resolve<SendDmxFn>(handle_, "__SendDMXData2UDP", missing);
    if (!missing.empty()) {
        dlclose(handle_);
        handle_ = nullptr;
        throw HostError(ExitCode::Library,
                        path + " is not a Halvex plug-in: it does not export " + missing);
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr)
        dlclose(handle_);
}

}  // namespace halvex::host
