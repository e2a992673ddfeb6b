// Runs halvex-host for its tests: in process through RunCommandLine, or as the real executable.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/CommandLine.h"

namespace halvex::test {

struct HostRun {
    int exitCode = -1;  // -1: ended by a signal
    std::string out, err;
};

inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    const std::string text = ReadFileText(path);
    return {text.begin(), text.end()};
}

inline void WriteFileText(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFileText(path, std::string(bytes.begin(), bytes.end()));
}

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "halvex-host-XXXXXX";
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return path_ / name; }
    auto FileCount() const { return std::distance(std::filesystem::directory_iterator(path_), {}); }

private:
    std::filesystem::path path_;
};

// halvex-host's command line run in this process, with `env` ("NAME=value", or "NAME=" to
// remove it) set for the run.
inline HostRun RunHost(const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {}) {
    std::vector<std::pair<std::string, std::optional<std::string>>> old;
    for (const std::string& setting : env) {
        const std::string name = setting.substr(0, setting.find('='));
        const std::string value = setting.substr(name.size() + 1);
        const char* was = std::getenv(name.c_str());
        old.emplace_back(name, was != nullptr ? std::optional<std::string>(was) : std::nullopt);
        value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<const char*> argv = {"halvex-host"};
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    std::ostringstream out, err;
    const int code = host::RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    for (const auto& [name, value] : old)
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    return {code, out.str(), err.str()};
}

// The halvex-host executable with `env` ("NAME=value ...") set, at most 60 seconds.
inline HostRun RunExecutable(const std::vector<std::string>& args, const std::string& env = {}) {
    const TempDir dir;
    std::string command = "timeout -s KILL 60 env " + env + " " HALVEX_HOST;
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    const int status = std::system((command + " >" + dir / "out" + " 2>" + dir / "err").c_str());
    const int code = WIFEXITED(status) && WEXITSTATUS(status) < 128 ? WEXITSTATUS(status) : -1;
    return {code, ReadFileText(dir / "out"), ReadFileText(dir / "err")};
}

// The stand-in plug-in built beside halvex-host.
inline std::string FakePlugin() {
    return std::filesystem::path(HALVEX_HOST).parent_path() / "libhalvex_host_fake_plugin.so";
}

}  // namespace halvex::test
