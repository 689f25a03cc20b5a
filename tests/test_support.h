// Helpers shared by the test suites: a throwaway working folder and data files in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "run_tool.h"

// Creates a fresh folder, makes it the current working directory, and on destruction
// goes back and removes it.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// n bytes that differ from their neighbours and include 0x0D, 0x0A, 0x1A and 0x00.
std::vector<std::uint8_t> PatternBytes(std::size_t n);

// Writes bytes as the data file in the current working directory.
void WriteDataFile(const std::vector<std::uint8_t>& bytes);

// Runs the tool in-process with these arguments after the program's name.
inline std::uint32_t RunToolWith(std::vector<std::wstring> args) {
    std::wstring program = L"wlan-nvram";
    std::vector<wchar_t*> argv = {program.data()};
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return RunTool(static_cast<int>(argv.size() - 1), argv.data());
}
