// Record files are only ever replaced whole: through a temporary file beside them and a rename.
// The stand-in plug-in marks what it received in bytes 54 and 55 of each record.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "host/FileReplacement.h"
#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"

namespace halvex::test {
namespace {

constexpr int kWriteFailed = 7;

// A record with a `size`-byte main part and a recognisable pattern behind the header.
std::vector<uint8_t> Record(size_t size) {
    std::vector<uint8_t> record(size, 0);
    record[0] = static_cast<uint8_t>(size);
    record[1] = static_cast<uint8_t>(size >> 8);
    record[15] = 0x20;
    for (size_t i = 62; i < size; ++i)
        record[i] = static_cast<uint8_t>(i * 7);
    return record;
}

class HostRecordFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json", R"({"scenes": ["Morning", "Evening"]})");
    }
    HostRun DeleteScene(const std::vector<std::string>& records,
                        const HostRunOptions& options = {}) {
        std::vector<std::string> args = {"--library", FakePlugin(), "delete-scene", "1"};
        args.insert(args.end(), records.begin(), records.end());
        args.insert(args.end(), {"--show", (dir_ / "show.json").string()});
        return RunHost(args, options);
    }

    TempDir dir_;
};

TEST_F(HostRecordFileTest, DeleteSceneHandsEachRecordToThePlugInAndWritesItBack) {
    const std::vector<uint8_t> first = Record(8000);
    std::vector<uint8_t> second = Record(100);
    second[14] = 0x01;  // trailing block of 10 bytes behind the main part
    second.insert(second.end(), {10, 0, 0, 0, 1, 2, 3, 4, 5, 6});
    WriteFileBytes(dir_ / "a.rec", first);
    WriteFileBytes(dir_ / "b.rec", second);

    const HostRun run = DeleteScene({(dir_ / "a.rec").string(), (dir_ / "b.rec").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<uint8_t> expected = first;
    expected[54] = 1;  // scene index
    expected[55] = 2;  // scene count of the show after the deletion
    EXPECT_BYTES_EQ(expected, ReadFileBytes(dir_ / "a.rec"));
    expected = second;
    expected[54] = 1;
    expected[55] = 2;
    EXPECT_BYTES_EQ(expected, ReadFileBytes(dir_ / "b.rec"));
    EXPECT_NE(run.out.find("a.rec: scene 1 deleted (8000 bytes)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("b.rec: scene 1 deleted (110 bytes)"), std::string::npos) << run.out;
}

TEST_F(HostRecordFileTest, FailedWriteLeavesEveryOldFileByteIdentical) {
    // The first record fits the file size limit, the second does not (a full disk): every
    // new record is written beside its file before the first rename, so neither changes.
    const std::vector<uint8_t> small = Record(200), large = Record(8000);
    WriteFileBytes(dir_ / "a.rec", small);
    WriteFileBytes(dir_ / "b.rec", large);
    HostRunOptions limited;
    limited.fileSizeLimit = 4096;
    const HostRun run =
        DeleteScene({(dir_ / "a.rec").string(), (dir_ / "b.rec").string()}, limited);
    EXPECT_EQ(run.exitCode, kWriteFailed) << run.err;
    EXPECT_NE(run.err.find("b.rec: cannot write the new contents"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the old file is unchanged, and so is every other file"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "a.rec"), small);
    EXPECT_EQ(ReadFileBytes(dir_ / "b.rec"), large);
    EXPECT_EQ(dir_.Files().size(), 3u) << "no temporary file is left behind";
}

TEST_F(HostRecordFileTest, OneDamagedRecordStopsTheWholeDeletion) {
    const std::vector<uint8_t> good = Record(200);
    std::vector<uint8_t> damaged = Record(200);
    damaged[0] = 0xFF;  // main part beyond the file
    WriteFileBytes(dir_ / "a.rec", good);
    WriteFileBytes(dir_ / "b.rec", damaged);
    const HostRun run = DeleteScene({(dir_ / "a.rec").string(), (dir_ / "b.rec").string()});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "a.rec"), good) << "the scene must go from all or none";
    EXPECT_EQ(ReadFileBytes(dir_ / "b.rec"), damaged);
}

TEST_F(HostRecordFileTest, ReplacementKeepsLinksAndPermissions) {
    std::filesystem::create_directory(dir_ / "store");
    WriteFileBytes(dir_ / "store" / "a.rec", Record(100));
    ::chmod((dir_ / "store" / "a.rec").c_str(), 0640);
    std::filesystem::create_symlink(dir_ / "store" / "a.rec", dir_ / "link.rec");

    const HostRun run = DeleteScene({(dir_ / "link.rec").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.rec"));
    EXPECT_EQ(ReadFileBytes(dir_ / "store" / "a.rec")[54], 1);
    struct stat info {};
    ASSERT_EQ(::stat((dir_ / "store" / "a.rec").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(HostRecordFileTest, ReplacementKeepsOwnerAndRefusesReadOnlyFiles) {
    const std::vector<uint8_t> old = Record(100);
    const std::string path = (dir_ / "a.rec").string();
    WriteFileBytes(path, old);
    ::chmod(path.c_str(), 0444);
    HostRun run = DeleteScene({path});
    EXPECT_EQ(run.exitCode, kWriteFailed) << run.err;
    EXPECT_NE(run.err.find("a.rec: is read-only; not replaced"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(path), old);

    // Run as root (as CI does) on another user's record: owner and group stay.
    ::chmod(path.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    run = DeleteScene({path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(std::make_pair(info.st_uid, info.st_gid), std::make_pair(65534u, 65534u));
    }
}

// The new file is never readable by more users than the old one, not even while it is written.
TEST(FileReplacementTest, TemporaryHasTheOldModeBeforeItHoldsAByte) {
    TempDir dir;
    WriteFileBytes(dir / "a.rec", {1, 2, 3});
    ::chmod((dir / "a.rec").c_str(), 0600);
    const mode_t umask = ::umask(0);
    {
        host::FileReplacement replacement;
        replacement.Stage(dir / "a.rec", std::vector<uint8_t>(100, 7));
        for (const std::string& name : dir.Files()) {
            struct stat info {};
            ASSERT_EQ(::stat((dir / name).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
        }
        EXPECT_EQ(dir.Files().size(), 2u);
    }
    ::umask(umask);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"a.rec"}) << "not committed: removed";
    EXPECT_EQ(ReadFileBytes(dir / "a.rec"), std::vector<uint8_t>({1, 2, 3}));
}

TEST_F(HostRecordFileTest, UnwritableDestinationIsReported) {
    const HostRun run = RunHost({"check-show", (dir_ / "show.json").string(), "--scene-list",
                                 (dir_ / "missing-dir" / "list").string()});
    EXPECT_EQ(run.exitCode, kWriteFailed);
    EXPECT_NE(run.err.find("cannot create a temporary file beside it"), std::string::npos)
        << run.err;
}

TEST_F(HostRecordFileTest, PreviewStreamsHostFramesThroughThePlugIn) {
    std::vector<uint8_t> record = Record(62);
    record[15] = 0x60;  // DMX-Out 1 preview on, three-level addresses
    WriteFileBytes(dir_ / "a.rec", record);
    HostRunOptions logged;
    logged.env = {{"HALVEX_FAKE_LOG", (dir_ / "frames.log").string()}};
    const HostRun run =
        RunHost({"--library", FakePlugin(), "preview", (dir_ / "a.rec").string(), "--frames", "3",
                 "--interval-ms", "1", "--channel-values", "255,128"},
                logged);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Header "DMXDAT", length 519, byte 6 as the plug-in set it, channels 1, 2 and 512.
    EXPECT_EQ(ReadFileText(dir_ / "frames.log"),
              "DMXDAT 519 64 255 128 0\nDMXDAT 519 64 255 128 0\nDMXDAT 519 64 255 128 0\n");
    EXPECT_NE(run.out.find("(preview on DMX-Out 1)"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace halvex::test
