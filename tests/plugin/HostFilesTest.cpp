// The host's files in process: the show file turned into the scene list and device table the
// plug-in reads, and record files replaced whole, through a temporary file beside them.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/ShowFile.h"
#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"

namespace halvex::test {
namespace {

using host::ExitCode;
using host::HostError;

std::string List(size_t count, const std::string& item) {
    std::string json = "[" + item;
    for (size_t i = 1; i < count; ++i)
        json += "," + item;
    return json + "]";
}

// Names are Windows-1252; exactly 15 and 20 characters fit without a NUL, one more is cut.
TEST(HostShowFileTest, CheckShowWritesTheBytesThePlugInReads) {
    const TempDir dir;
    WriteFileText(dir / "show.json",
                  R"({"scenes": ["Morning", "ABCDEFGHIJKLMNOP", "Küche €"], "comment": 1,
                      "devices": [{"name": "ABCDEFGHIJKLMNOPQRSTU", "kind": 40},
                                  {"name": "Snow ☃", "kind": 255}]})");
    const HostRun run = RunHost({"check-show", dir / "show.json", "--scene-list", dir / "list",
                                 "--device-table", dir / "table"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err,
              "halvex-host: warning: unknown key \"comment\" is ignored\nhalvex-host: warning: "
              "scene 1 \"ABCDEFGHIJKLMNOP\" is cut to 15 characters: \"ABCDEFGHIJKLMNO\"\n"
              "halvex-host: warning: device 0 \"ABCDEFGHIJKLMNOPQRSTU\" is cut to 20 characters: "
              "\"ABCDEFGHIJKLMNOPQRST\"\nhalvex-host: warning: device 1 \"Snow ☃\" has "
              "characters that Windows-1252 lacks; they become '?'\n");
    EXPECT_EQ(run.out, dir / "show.json: 3 scenes, 2 devices\n" + dir / "list" +
                           ": 75 bytes written\n" + dir / "table" + ": 12288 bytes written\n");
    const std::vector<uint8_t> sceneList = {
        'H', 'X', 'S', 'L', 75, 0, 3,  // host's tag, total size 75, scene count
        // scene 0 at 7: length 20, number 0, name ends at 27
        20, 0, 0, 27, 0, 'M', 'o', 'r', 'n', 'i', 'n', 'g', 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 1, 47, 0,
        'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 20, 0, 2, 67, 0,
        'K', 0xFC, 'c', 'h', 'e', ' ', 0x80, 0, 0, 0, 0, 0, 0, 0, 0,
        // one 7-byte host record: 3 scenes, 2 devices, 3 zero bytes
        1, 3, 0, 2, 0, 0, 0, 0};
    EXPECT_BYTES_EQ(sceneList, ReadFileBytes(dir / "list"));
    std::vector<uint8_t> table(12288, 0);
    std::ranges::copy(std::string("ABCDEFGHIJKLMNOPQRST\x28"), table.begin());
    std::ranges::copy(std::string("Snow ?"), table.begin() + 24);
    table[24 + 20] = 255;
    EXPECT_BYTES_EQ(table, ReadFileBytes(dir / "table"));

    // The largest show.
    const host::HostShow largest =
        host::ParseShow("{\"scenes\": " + List(254, "\"S\"") +
                            ", \"devices\": " + List(512, R"({"name": "D", "kind": 20})") + "}",
                        "show.json");
    const std::vector<uint8_t> list = host::BuildSceneList(largest);
    ASSERT_EQ(list.size(), 7u + 254 * 20 + 8);
    EXPECT_EQ(list[4] | (list[5] << 8), 5095);
    EXPECT_EQ(list[6], 254);
    EXPECT_EQ(list[7 + 253 * 20 + 3] | (list[7 + 253 * 20 + 4] << 8), 7 + 254 * 20);
    EXPECT_EQ(host::BuildDeviceTable(largest)[511 * 24 + 20], 20);
}

TEST(HostShowFileTest, BadShowFilesAreRefusedWithTheReason) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {R"({"scenes": ["Morning"])", "not valid JSON"},
        {"{\"scenes\": [\"\xC3\x28\"]}", "not valid JSON"},
        {"[]", "a show file is a JSON object"},
        {R"({"scenes": null})", "\"scenes\" must be an array"},
        {"{\"scenes\": " + List(255, "\"S\"") + "}", "255 scenes; a show has at most 254"},
        {R"({"scenes": [1]})", "scene 0 must be a string"},
        {R"({"scenes": ["a\u0000b"]})", "scene 0 contains a NUL character"},
        {R"({"devices": {"name": "A", "kind": 0}})", "\"devices\" must be an array"},
        {"{\"devices\": " + List(513, R"({"name": "D", "kind": 0})") + "}",
         "513 devices; a show has at most 512"},
        {R"({"devices": ["Dimmer"]})", "device 0 must be an object"},
        {R"({"devices": [{"kind": 0}]})", "device 0 has no \"name\""},
        {R"({"devices": [{"name": "A"}]})", "device 0 has no \"kind\""},
        {R"({"devices": [{"name": 5, "kind": 0}]})", "device 0 name must be a string"},
        {R"({"devices": [{"name": "A", "kind": 256}]})",
         "device 0: \"kind\" must be an integer from 0 to 255, not 256"},
        {R"({"devices": [{"name": "A", "kind": -1}]})", "from 0 to 255, not -1"},
        {R"({"devices": [{"name": "A", "kind": 2.5}]})", "must be an integer from 0 to 255"},
        {R"({"devices": [{"name": "A", "kind": "20"}]})", "must be an integer from 0 to 255"},
        {R"({"devices": [{"name": "A", "kind": null}]})", "from 0 to 255, not null"},
        {R"({"devices": [{"name": "A", "kind": [[1]]}]})", "from 0 to 255, not an array"},
        {R"({"devices": [{"name": "A", "kind": 1e400}]})", "not valid JSON at devices[0].kind"},
        // Nesting that would overflow the stack wherever it is walked recursively.
        {R"({"devices": [{"name": "A", "kind": )" + std::string(100000, '[') +
             std::string(100000, ']') + "}]}",
         "values nested deeper than 32 levels at devices[0].kind"},
    };
    for (const auto& [json, message] : rows) {
        try {
            host::ParseShow(json, "show.json");
            ADD_FAILURE() << "accepted: " << json.substr(0, 80);
        } catch (const HostError& e) {
            EXPECT_EQ(e.Code(), ExitCode::BadInput);
            EXPECT_TRUE(std::string(e.what()).starts_with("show.json: ")) << e.what();
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

// Expects `replace` to fail with exit code 7 and a message that contains `message`.
template <typename Fn>
void ExpectWriteFailure(Fn replace, const std::string& message) {
    try {
        replace();
        ADD_FAILURE() << "no failure: " << message;
    } catch (const HostError& e) {
        EXPECT_EQ(e.Code(), ExitCode::WriteFailed);
        EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
}

struct stat Stat(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info;
}

// Links, mode and owner stay (the owner when run as root, as CI does, on another user's file);
// a read-only file is refused.
TEST(FileReplacementTest, LinksModeAndOwnerStayAndReadOnlyFilesAreRefused) {
    const TempDir dir;
    const std::string file = dir / "a.rec";
    WriteFileBytes(file, {1, 2, 3});
    ::chmod(file.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
    std::filesystem::create_symlink(file, dir / "link.rec");
    host::ReplaceFileAtomically(dir / "link.rec", std::vector<uint8_t>{4, 5});
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.rec"));
    EXPECT_EQ(ReadFileBytes(file), std::vector<uint8_t>({4, 5}));
    EXPECT_EQ(Stat(file).st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(std::make_pair(Stat(file).st_uid, Stat(file).st_gid),
                  std::make_pair(65534u, 65534u));
    }
    ::chmod(file.c_str(), 0444);
    ExpectWriteFailure([&] { host::ReplaceFileAtomically(file, std::vector<uint8_t>{6}); },
                       "a.rec: is read-only; not replaced");
    EXPECT_EQ(ReadFileBytes(file), std::vector<uint8_t>({4, 5}));
}

// The new file is never readable by more users than the old one, not even while it is written,
// and a set that cannot be written whole (a full disk) changes no file.
TEST(FileReplacementTest, TemporariesHaveTheOldModeAndAFailedSetChangesNothing) {
    const TempDir dir;
    WriteFileBytes(dir / "a.rec", {1, 2, 3});
    WriteFileBytes(dir / "b.rec", {4});
    ::chmod((dir / "a.rec").c_str(), 0600);
    const mode_t umask = ::umask(0);
    {
        host::FileReplacement replacement;
        replacement.Stage(dir / "a.rec", std::vector<uint8_t>(100, 7));
        EXPECT_EQ(dir.FileCount(), 3);
        for (const auto& entry : std::filesystem::directory_iterator(dir / "."))
            if (entry.path().filename() != "b.rec") {
                EXPECT_EQ(Stat(entry.path()).st_mode & 07777, 0600u) << entry.path();
            }
    }
    ::umask(umask);
    EXPECT_EQ(dir.FileCount(), 2) << "not committed: removed";

    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limited{4096, old.rlim_max};
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of the signal
    ::setrlimit(RLIMIT_FSIZE, &limited);
    ExpectWriteFailure(
        [&] {
            host::FileReplacement replacement;
            replacement.Stage(dir / "a.rec", std::vector<uint8_t>(200, 1));
            replacement.Stage(dir / "b.rec", std::vector<uint8_t>(8000, 2));
            replacement.Commit();
        },
        "b.rec: cannot write the new contents: File too large; the old file is unchanged, and "
        "so is every other file");
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadFileBytes(dir / "a.rec"), std::vector<uint8_t>({1, 2, 3}));
    EXPECT_EQ(ReadFileBytes(dir / "b.rec"), std::vector<uint8_t>({4}));
    EXPECT_EQ(dir.FileCount(), 2) << "no temporary file is left behind";
}

}  // namespace
}  // namespace halvex::test
