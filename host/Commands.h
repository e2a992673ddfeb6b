// The subcommands of halvex-host. Each returns the process exit code or throws HostError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/HostError.h"
#include "host/ShowFile.h"

namespace halvex::host {

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

// Bus type names on the command line and the objectNames of their radio buttons.
std::string BusRadioName(const std::string& bus);
const std::vector<std::string>& BusNames();

ExitCode RunConfigure(const CommonOptions& common, const ConfigureOptions& options);
ExitCode RunSearch(const CommonOptions& common, const GatewayOptions& options);
ExitCode RunUpload(const CommonOptions& common, const GatewayOptions& options);
ExitCode RunDeleteScene(const CommonOptions& common, const DeleteSceneOptions& options);
ExitCode RunInspect(const InspectOptions& options);
ExitCode RunPreview(const CommonOptions& common, const PreviewOptions& options);
ExitCode RunCheckShow(const CheckShowOptions& options);

// Prints the show file's warnings (cut names, unknown keys) to stderr.
void PrintShowWarnings(const HostShow& show);

}  // namespace halvex::host
