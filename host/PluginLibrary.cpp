#include "host/PluginLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <filesystem>

#include "host/HostError.h"
#include "host/OsFile.h"

namespace halvex::host {
namespace {

#ifdef _WIN32
void* Open(const std::string& path, std::string& error) {
    // The file name as the command line gave it, in the system's ANSI code page.
    const HMODULE module = LoadLibraryW(std::filesystem::path(path).c_str());
    if (module == nullptr)
        error = ErrorText(LastError());
    return reinterpret_cast<void*>(module);
}

void* Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void Close(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
void* Open(const std::string& path, std::string& error) {
    // RTLD_NOW: a library with unresolved symbols fails here, not in the middle of a call.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown error";
    }
    return handle;
}

void* Symbol(void* handle, const char* name) {
    dlerror();
    return dlsym(handle, name);
}

void Close(void* handle) {
    dlclose(handle);
}
#endif

template <typename Fn>
Fn Resolve(void* handle, const char* name, std::string& missing) {
    void* symbol = Symbol(handle, name);
    if (symbol == nullptr) {
        missing += missing.empty() ? name : std::string(", ") + name;
        return nullptr;
    }
    return reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::string PluginLibrary::DefaultPath() {
#ifdef _WIN32
    // halvex.dll beside halvex-host.exe, where a Windows program keeps its libraries.
    std::wstring self(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()))) ==
           self.size())
        self.resize(2 * self.size());
    self.resize(length);
    return (std::filesystem::path(self).parent_path() / "halvex.dll").string();
#else
    // An installed host finds the plug-in in the library folder beside its bin folder; run
    // from the build tree, where there is none, it uses the plug-in built with it.
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = (self.parent_path() / HALVEX_INSTALLED_LIBRARY).lexically_normal();
        if (std::filesystem::is_regular_file(installed, error))
            return installed.string();
    }
    return HALVEX_DEFAULT_LIBRARY;
#endif
}

PluginLibrary::PluginLibrary(const std::string& path) {
    std::string error;
    handle_ = Open(path, error);
    if (handle_ == nullptr)
        throw HostError(ExitCode::Library, "cannot load the plug-in " + path + ": " + error);
    std::string missing;
    openDialog_ = Resolve<OpenDialogFn>(handle_, "__OpenKNXDialog", missing);
    deleteScene_ = Resolve<DeleteSceneFn>(handle_, "__DeleteScene", missing);
    sendDmx_ = Resolve<SendDmxFn>(handle_, "__SendDMXData2UDP", missing);
    if (!missing.empty()) {
        Close(handle_);
        handle_ = nullptr;
        throw HostError(ExitCode::Library,
                        path + " is not a Halvex plug-in: it does not export " + missing);
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr)
        Close(handle_);
}

}  // namespace halvex::host
