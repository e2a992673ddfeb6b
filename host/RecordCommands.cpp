// delete-scene, preview and check-show: the commands that need no dialog.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/Codepage.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/SceneDeletion.h"
#include "engine/record/SceneRecord.h"
#include "host/Commands.h"
#include "host/DialogCall.h"
#include "host/FileReplacement.h"
#include "host/PluginLibrary.h"
#include "host/RecordFile.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

// The DMX frame the host streams: "DMXDAT", the output selection byte the plug-in fills in,
// then the 512 channel values.
inline constexpr size_t kFrameHeader = 7;
inline constexpr size_t kFrameSize = kFrameHeader + layout::kDmxChannels;

std::vector<uint8_t> BuildDmxFrame(const std::vector<int>& channelValues) {
    std::vector<uint8_t> frame = {'D', 'M', 'X', 'D', 'A', 'T', 0};
    frame.resize(kFrameSize, 0);
    for (size_t i = 0; i < channelValues.size(); ++i) {
        frame[kFrameHeader + i] = static_cast<uint8_t>(channelValues[i]);
    }
    return frame;
}

std::string PreviewOutputs(uint8_t flagsB) {
    switch (flagsB & layout::kPreviewMask) {
        case layout::kFlagPreview1:
            return "DMX-Out 1";
        case layout::kFlagPreview2:
            return "DMX-Out 2";
        case layout::kPreviewMask:
            return "DMX-Out 1 and DMX-Out 2";
        default:
            return {};
    }
}

void WriteBytesFile(const std::string& path, const std::vector<uint8_t>& bytes, std::ostream& out) {
    ReplaceFileAtomically(path, bytes);
    out << EscapeControls(path) << ": " << bytes.size() << " bytes written" << std::endl;
}

// The plug-in finds a scene's output on Scene Out 2 from the show's scene count, so a KNX
// record must hold exactly one scene more than the show after the deletion. Anything else
// (the deletion already applied, a record of another show) would remove the wrong outputs.
void CheckSceneCount(const std::string& path, ConstBytes record, size_t scenesAfter) {
    if (RecordBusMode(record) != BusMode::Knx)
        return;
    const size_t scenes = DeriveSceneCount(record);
    if (scenes == 0 || scenes == scenesAfter + 1)
        return;
    throw HostError(ExitCode::BadInput,
                    path + ": the record has " + std::to_string(scenes) +
                        " scenes, so the show after the deletion must have " +
                        std::to_string(scenes - 1) + ", not " + std::to_string(scenesAfter) +
                        " (was the scene deleted from it already?); nothing was written");
}

}  // namespace

const std::vector<std::string>& BusNames() {
    static const std::vector<std::string> names = {"knx", "knx-master-slave", "enocean", "wlan",
                                                   "wlan-master-slave"};
    return names;
}

int BusRadioId(const std::string& bus) {
    // The bus-type dialog's radio buttons, in the order of BusNames().
    static constexpr int kRadios[] = {ids::kBusKnx, ids::kBusKnxMasterSlave, ids::kBusEnOcean,
                                      ids::kBusWlan, ids::kBusWlanMasterSlave};
    const std::vector<std::string>& names = BusNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == bus)
            return kRadios[i];
    }
    return 0;
}

void PrintShowWarnings(const HostShow& show, std::ostream& err) {
    for (const std::string& warning : show.warnings) {
        err << "halvex-host: warning: " << EscapeControls(warning) << std::endl;
    }
}

ExitCode RunDeleteScene(const CommonOptions& common, const DeleteSceneOptions& options,
                        Console console) {
    const HostShow show = LoadShowFile(options.show);
    PrintShowWarnings(show, console.err);
    // The show after the deletion had one scene more before it; the plug-in keeps that number
    // in a u8, so at most 253 scenes may remain.
    if (show.scenes.size() >= kMaxScenes) {
        throw HostError(ExitCode::BadInput, options.show +
                                                ": a show after a deletion has at most " +
                                                std::to_string(kMaxScenes - 1) + " scenes");
    }
    if (static_cast<size_t>(options.index) > show.scenes.size()) {
        throw HostError(ExitCode::Usage,
                        "scene " + std::to_string(options.index) + " cannot have been deleted: " +
                            options.show + " has " + std::to_string(show.scenes.size()) +
                            " scenes after the deletion, so the index is at most " +
                            std::to_string(show.scenes.size()));
    }
    // Every record is read and checked before the first is touched; a record named twice
    // would lose a second scene. The plug-in reports no refusal, so its own safety check runs
    // here first: a record it would leave unchanged would still refer to the deleted scene.
    const std::vector<uint8_t> sceneList = BuildSceneList(show);
    const auto index = static_cast<uint8_t>(options.index);
    std::vector<StoredRecord> records;
    std::vector<fs::path> seen;
    for (const std::string& path : options.records) {
        std::error_code ec;
        for (const fs::path& other : seen) {
            if (fs::equivalent(path, other, ec)) {
                throw HostError(ExitCode::Usage, path + ": record file named twice");
            }
        }
        records.push_back(ReadRecordFile(path));
        seen.emplace_back(path);
        const ConstBytes record =
            ConstBytes(records.back().bytes).first(records.back().declaredSize);
        CheckSceneCount(path, record, show.scenes.size());
        if (const std::string refusal = SceneDeletionRefusal(record, index, sceneList[6]);
            !refusal.empty()) {
            throw HostError(ExitCode::BadInput, path + ": scene " + std::to_string(index) +
                                                    " cannot be deleted from this record safely (" +
                                                    refusal + "); no file was written");
        }
    }

    PrepareForCallsWithoutDialog();
    const PluginLibrary library(common.library);
    std::vector<std::vector<uint8_t>> results;
    for (size_t i = 0; i < records.size(); ++i) {
        const std::vector<uint8_t>& bytes = records[i].bytes;
        RecordBlock block = MallocCopy(bytes);
        uint8_t* slot = block.get();
        library.DeleteScene()(index, sceneList.data(), &slot);
        if (slot != block.get()) {
            (void)block.release();  // ownership unclear now: leaking beats a double free
            throw HostError(ExitCode::Library, options.records[i] +
                                                   ": the plug-in replaced the record instead of "
                                                   "editing it in place; no file was written");
        }
        const ConstBytes edited(block.get(), bytes.size());
        const std::string damage = RecordDamage(edited);
        if (!damage.empty()) {
            throw HostError(ExitCode::Library, options.records[i] +
                                                   ": the plug-in left a damaged record (" +
                                                   damage + "); no file was written");
        }
        const size_t size = *DeclaredRecordSize(edited);
        results.emplace_back(edited.begin(), edited.begin() + static_cast<ptrdiff_t>(size));
    }

    // Only changed records are written, all of them or none.
    FileReplacement replacement;
    std::vector<std::string> reports;
    for (size_t i = 0; i < records.size(); ++i) {
        const std::vector<uint8_t>& before = records[i].bytes;
        const std::vector<uint8_t>& after = results[i];
        const bool changed = after.size() != records[i].declaredSize ||
                             !std::equal(after.begin(), after.end(), before.begin());
        std::string report = options.records[i] + ": ";
        if (!changed) {
            report += "unchanged, file not rewritten (" + std::to_string(before.size()) + " bytes)";
        } else {
            replacement.Stage(options.records[i], after);
            report += "scene " + std::to_string(index) + " deleted (" +
                      std::to_string(after.size()) + " bytes";
            if (const size_t dropped = before.size() - records[i].declaredSize; dropped > 0) {
                report += "; the " + std::to_string(dropped) +
                          " bytes behind the record's end were dropped";
            }
            report += ")";
        }
        reports.push_back(std::move(report));
    }
    replacement.Commit();
    for (const std::string& report : reports)
        console.out << EscapeControls(report) << std::endl;
    return ExitCode::Ok;
}

ExitCode RunPreview(const CommonOptions& common, const PreviewOptions& options, Console console) {
    if (options.channelValues.size() > layout::kDmxChannels) {
        throw HostError(ExitCode::Usage,
                        "--channel-values: " + std::to_string(options.channelValues.size()) +
                            " values for 512 channels");
    }
    const StoredRecord record = ReadRecordFile(options.record);
    const std::string outputs = PreviewOutputs(record.bytes[layout::kFlagsB]);
    if (outputs.empty()) {
        console.err << "halvex-host: note: " << EscapeControls(options.record)
                    << " has no preview output switched on (DMX-Out 1/2); the plug-in sends nothing"
                    << std::endl;
    }
    PrepareForCallsWithoutDialog();
    const PluginLibrary library(common.library);
    const RecordBlock block = MallocCopy(record.bytes);
    std::vector<uint8_t> frame = BuildDmxFrame(options.channelValues);
    const auto interval = std::chrono::milliseconds(options.intervalMs);
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < options.frames; ++i) {
        if (i > 0)
            std::this_thread::sleep_until(next);
        next += interval;
        library.SendDmx()(frame.data(), block.get(), static_cast<uint16_t>(frame.size()));
    }
    console.out << "passed " << options.frames << " frames of " << frame.size()
                << " bytes to the plug-in"
                << (outputs.empty() ? std::string() : " (preview on " + outputs + ")") << std::endl;
    return ExitCode::Ok;
}

ExitCode RunCheckShow(const CheckShowOptions& options, Console console) {
    const HostShow show = LoadShowFile(options.show);
    PrintShowWarnings(show, console.err);
    console.out << EscapeControls(options.show) << ": " << show.scenes.size() << " scenes, "
                << show.devices.size() << " devices" << std::endl;
    if (!options.sceneListOut.empty())
        WriteBytesFile(options.sceneListOut, BuildSceneList(show), console.out);
    if (!options.deviceTableOut.empty()) {
        WriteBytesFile(options.deviceTableOut, BuildDeviceTable(show), console.out);
    }
    return ExitCode::Ok;
}

}  // namespace halvex::host
