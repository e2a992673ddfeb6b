// The subcommands of halvex-host. Each writes its report to the given console and returns the
// process exit code or throws HostError.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "host/HostError.h"
#include "host/ShowFile.h"

namespace halvex::host {

// Where a command writes: `out` for its results, `err` for warnings and failures.
struct Console {
    std::ostream& out;
    std::ostream& err;
};

struct CommonOptions {
    std::string library;  // path of libhalvex.so
};

// Options of the commands that open the plug-in's dialog.
struct DialogOptions {
    std::string show;
    std::string language = "en";  // "en" or "de"
    std::string bus;              // bus type answered for a new record; empty keeps the default
    int timeoutSeconds = 60;      // automation only
};

struct ConfigureOptions {
    std::string record;
    DialogOptions dialog;
    bool accept = false;
    std::string importEsf;
    std::vector<std::string> assign;  // PAGE:OUTPUT:ENTRY, dropped in this order
    std::string screenshots;          // folder for a picture of every page
    int waitSeconds = 0;              // time the dialog stays open before OK
};

struct DeleteSceneOptions {
    int index = 0;
    std::vector<std::string> records;
    std::string show;
};

struct InspectOptions {
    std::string record;
    bool json = false;
};

struct PreviewOptions {
    std::string record;
    int frames = 0;
    int intervalMs = 25;
    std::vector<int> channelValues;
};

struct GatewayOptions {
    std::string record;  // upload only
    DialogOptions dialog;
    int seconds = 3;
    std::string to;
    bool changeAddress = false;
};

struct CheckShowOptions {
    std::string show;
    std::string sceneListOut;
    std::string deviceTableOut;
};

// Bus type names on the command line and the control IDs of their radio buttons (0 for none).
int BusRadioId(const std::string& bus);
const std::vector<std::string>& BusNames();

ExitCode RunConfigure(const CommonOptions& common, const ConfigureOptions& options,
                      Console console);
ExitCode RunSearch(const CommonOptions& common, const GatewayOptions& options, Console console);
ExitCode RunUpload(const CommonOptions& common, const GatewayOptions& options, Console console);
ExitCode RunDeleteScene(const CommonOptions& common, const DeleteSceneOptions& options,
                        Console console);
ExitCode RunInspect(const InspectOptions& options, Console console);
ExitCode RunPreview(const CommonOptions& common, const PreviewOptions& options, Console console);
ExitCode RunCheckShow(const CheckShowOptions& options, Console console);

// Prints the show file's warnings (cut names, unknown keys) to `err`.
void PrintShowWarnings(const HostShow& show, std::ostream& err);

}  // namespace halvex::host
