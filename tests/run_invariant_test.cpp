// A sweep over every combination of privilege outcome, data file, command line,
// variable state and platform fault: the variable is written only in write mode, after
// the privilege was enabled and the image fully loaded, once, with exactly the loaded
// bytes; on every other path it is never written, and the run ends as the rules say.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data_image.h"
#include "fake_platform.h"
#include "run_tool.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Privilege { Enabled, NoToken, UnknownName, AdjustFails, NotAssigned };
enum class DataFile { Missing, Folder, Empty, OneByte, Some, Full, TooLong };
enum class Variable { Absent, Equal, OneByteDiffers, Longer };
enum class Fault { None, WriteRefused, ReadFails, CodesLeftAlone };

const Privilege kPrivileges[] = {Privilege::Enabled, Privilege::NoToken, Privilege::UnknownName,
                                 Privilege::AdjustFails, Privilege::NotAssigned};
const DataFile kDataFiles[] = {DataFile::Missing, DataFile::Folder, DataFile::Empty, DataFile::OneByte,
                               DataFile::Some,    DataFile::Full,   DataFile::TooLong};
const std::vector<std::vector<std::wstring>> kCommandLines = {
    {}, {L"/Verify"}, {L"-vERIFY"}, {L"Verify"}, {L"/Verify", L"x"}, {L""}, {L"-Verify:"}};
const Variable kVariables[] = {Variable::Absent, Variable::Equal, Variable::OneByteDiffers, Variable::Longer};
const Fault kFaults[] = {Fault::None, Fault::WriteRefused, Fault::ReadFails, Fault::CodesLeftAlone};

std::optional<Bytes> DataBytes(DataFile data) {
    switch (data) {
    case DataFile::Empty: return Bytes{};
    case DataFile::OneByte: return Bytes{0x1A};
    case DataFile::Some: return PatternBytes(300);
    case DataFile::Full: return PatternBytes(4096);
    case DataFile::TooLong: return PatternBytes(4097);
    default: return std::nullopt;
    }
}

bool IsSwitch(const std::vector<std::wstring>& args) {
    return args.size() == 1 && (args[0] == L"/Verify" || args[0] == L"-vERIFY");
}

TEST(RunInvariant, NoWriteOutsideAFullyPreparedWriteModeAndEveryStatusAsTheRulesSay) {
    ScopedWorkDir dir;
    int combinations = 0;
    for (Privilege privilege : kPrivileges) {
        for (DataFile data : kDataFiles) {
            for (const auto& args : kCommandLines) {
                for (Variable variable : kVariables) {
                    for (Fault fault : kFaults) {
                        ++combinations;
                        std::filesystem::remove_all(kDataFileName);
                        const std::optional<Bytes> file = DataBytes(data);
                        if (file) {
                            WriteDataFile(*file);
                        } else if (data == DataFile::Folder) {
                            std::filesystem::create_directory(kDataFileName);
                        }

                        ResetFake();
                        FakePlatform& fake = Fake();
                        switch (privilege) {
                        case Privilege::NoToken: fake.openToken = {FALSE, 5}; break;
                        case Privilege::UnknownName: fake.lookup = {FALSE, 1313}; break;
                        case Privilege::AdjustFails: fake.adjust = {FALSE, 87}; break;
                        case Privilege::NotAssigned: fake.adjust = {TRUE, 1300}; break;
                        case Privilege::Enabled: break;
                        }
                        const Bytes base = file.value_or(PatternBytes(10));
                        fake.variableExists = variable != Variable::Absent;
                        fake.variable = base;
                        if (variable == Variable::OneByteDiffers && !base.empty()) {
                            fake.variable[base.size() / 2] ^= 0x40;
                        } else if (variable == Variable::Longer || variable == Variable::OneByteDiffers) {
                            fake.variable.push_back(0x00);
                        }
                        switch (fault) {
                        case Fault::WriteRefused: fake.writeLastError = 87; fake.writeRefused = true; break;
                        case Fault::ReadFails: fake.readLastError = 31; fake.readCount = 0; break;
                        case Fault::CodesLeftAlone:
                            fake.writeLastError = std::nullopt;
                            fake.lastError = 1004;
                            break;
                        case Fault::None: break;
                        }
                        const bool existedBefore = fake.variableExists;
                        const Bytes before = fake.variable;

                        const std::uint32_t status = RunToolWith(args);

                        // The rules, from first to last step.
                        const bool loaded = file && file->size() <= 4096;
                        const bool prepared = privilege == Privilege::Enabled && loaded;
                        const bool writeMode = prepared && args.empty();
                        const bool verifyMode = prepared && IsSwitch(args);
                        std::uint32_t expected = 0;
                        if (privilege != Privilege::Enabled) {
                            expected = 1314;
                        } else if (!file) {
                            expected = 110;
                        } else if (!loaded) {
                            expected = 122;
                        } else if (writeMode) {
                            expected = fault == Fault::WriteRefused ? 87 : 0;
                        } else if (!verifyMode) {
                            expected = 1;
                        } else if (fault == Fault::ReadFails) {
                            expected = 31;
                        } else if (variable == Variable::Absent) {
                            expected = 203;
                        } else if (before.size() > 4096) {
                            expected = 122;
                        } else {
                            expected = variable == Variable::Equal ? 0 : 13;
                        }

                        SCOPED_TRACE("privilege " + std::to_string(static_cast<int>(privilege)) + ", data " +
                                     std::to_string(static_cast<int>(data)) + ", arguments " +
                                     std::to_string(args.size()) + ", variable " +
                                     std::to_string(static_cast<int>(variable)) + ", fault " +
                                     std::to_string(static_cast<int>(fault)));
                        ASSERT_EQ(status, expected);
                        const std::size_t writes = fake.Count(FakeCall::SetFirmwareEnvironmentVariableW);
                        const std::size_t reads = fake.Count(FakeCall::GetFirmwareEnvironmentVariableW);
                        ASSERT_EQ(writes, writeMode ? 1u : 0u);
                        ASSERT_EQ(reads, verifyMode ? 1u : 0u);
                        ASSERT_EQ(fake.openTokens, 0);
                        if (writeMode) {
                            for (const FakeCallRecord& call : fake.calls) {
                                if (call.call == FakeCall::SetFirmwareEnvironmentVariableW) {
                                    ASSERT_EQ(call.bytes, *file);
                                }
                            }
                        } else {
                            ASSERT_EQ(fake.variableExists, existedBefore);
                            ASSERT_EQ(fake.variable, before);
                        }
                    }
                }
            }
        }
    }
    RecordProperty("combinations", combinations);
    EXPECT_EQ(combinations, 5 * 7 * 7 * 4 * 4);
}

}  // namespace
