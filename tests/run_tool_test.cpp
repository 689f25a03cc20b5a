// The whole run against the fake platform: every exit status, and which firmware
// calls each outcome makes.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data_image.h"
#include "fake_platform.h"
#include "nvram_access.h"
#include "run_tool.h"
#include "status.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithByteChanged(Bytes bytes, std::size_t at) {
    bytes.at(at) ^= 0x01;
    return bytes;
}

Bytes WithByteAppended(Bytes bytes) {
    bytes.push_back(0x00);
    return bytes;
}

const Bytes kImage = PatternBytes(300);
const Bytes kFullImage = PatternBytes(kDataImageCapacity);

enum class Firmware { None, Write, Read };

struct RunCase {
    const char* name;
    std::vector<std::wstring> args;
    std::optional<Bytes> dataFile;  // empty: no data file in the working folder
    std::optional<Bytes> variable;  // empty: the variable does not exist
    std::function<void(FakePlatform&)> script;
    std::uint32_t status;
    Firmware firmware;
};

void NoScript(FakePlatform&) {}

const std::vector<RunCase>& RunCases() {
    static const std::vector<RunCase> cases = {
        // Write mode.
        {"WriteStoresTheImage", {}, kImage, std::nullopt, NoScript, 0, Firmware::Write},
        {"WriteStoresAFullImage", {}, kFullImage, kImage, NoScript, 0, Firmware::Write},
        {"WriteOfAnEmptyImageIsStillMade", {}, Bytes{}, kImage, NoScript, 0, Firmware::Write},
        {"WriteFailurePassesThrough", {}, kImage, std::nullopt,
         [](FakePlatform& f) { f.writeLastError = 1450; f.writeRefused = true; }, 1450, Firmware::Write},
        {"WriteFailureKeepsAll32Bits", {}, kImage, std::nullopt,
         [](FakePlatform& f) { f.writeLastError = 0xC0DE1234; f.writeRefused = true; }, 0xC0DE1234, Firmware::Write},
        {"WriteResultIsNotConsulted", {}, kImage, std::nullopt,
         [](FakePlatform& f) { f.writeRefused = true; }, 0, Firmware::Write},

        // Verify mode.
        {"VerifyEqual", {L"/Verify"}, kImage, kImage, NoScript, 0, Firmware::Read},
        {"VerifyEqualFullImage", {L"-VERIFY"}, kFullImage, kFullImage, NoScript, 0, Firmware::Read},
        {"VerifyLowerCase", {L"/verify"}, kImage, kImage, NoScript, 0, Firmware::Read},
        {"VerifyLongerVariable", {L"/Verify"}, kImage, WithByteAppended(kImage), NoScript, 13, Firmware::Read},
        {"VerifyShorterVariable", {L"/Verify"}, kImage, Bytes(kImage.begin(), kImage.end() - 1), NoScript, 13,
         Firmware::Read},
        {"VerifyFirstByteDiffers", {L"/Verify"}, kImage, WithByteChanged(kImage, 0), NoScript, 13, Firmware::Read},
        {"VerifyLastByteDiffers", {L"/Verify"}, kFullImage, WithByteChanged(kFullImage, kDataImageCapacity - 1),
         NoScript, 13, Firmware::Read},
        {"VerifyAbsentVariable", {L"/Verify"}, kImage, std::nullopt, NoScript, 203, Firmware::Read},
        {"VerifyVariableLargerThanCapacity", {L"/Verify"}, kFullImage, WithByteAppended(kFullImage), NoScript, 122,
         Firmware::Read},
        {"VerifyReadErrorWinsOverContent", {L"/Verify"}, kImage, kImage,
         [](FakePlatform& f) { f.readLastError = 5; f.readCount = 300; }, 5, Firmware::Read},
        {"VerifyEmptyImageEmptyVariable", {L"/Verify"}, Bytes{}, std::nullopt,
         [](FakePlatform& f) { f.readLastError = 0; f.readCount = 0; }, 0, Firmware::Read},
        {"VerifyEmptyImageAbsentVariable", {L"/Verify"}, Bytes{}, std::nullopt, NoScript, 203, Firmware::Read},
        {"VerifyEmptyImageNonEmptyVariable", {L"/Verify"}, Bytes{}, kImage, NoScript, 13, Firmware::Read},

        // A refused command line, once the privilege and the data file are in order.
        {"TwoArguments", {L"/Verify", L"/Verify"}, kImage, kImage, NoScript, 1, Firmware::None},
        {"ThreeArguments", {L"a", L"b", L"c"}, kImage, kImage, NoScript, 1, Firmware::None},
        {"NotTheSwitch", {L"Verify"}, kImage, kImage, NoScript, 1, Firmware::None},
        {"EmptyArgument", {L""}, kImage, kImage, NoScript, 1, Firmware::None},

        // Privilege and data file come before the command line.
        {"NoDataFileWrite", {}, std::nullopt, kImage, NoScript, 110, Firmware::None},
        {"NoDataFileVerify", {L"/Verify"}, std::nullopt, kImage, NoScript, 110, Firmware::None},
        {"NoDataFileBadCommandLine", {L"x", L"y"}, std::nullopt, kImage, NoScript, 110, Firmware::None},
        {"DataFileTooLongWrite", {}, WithByteAppended(kFullImage), std::nullopt, NoScript, 122, Firmware::None},
        {"DataFileTooLongVerify", {L"-verify"}, WithByteAppended(kFullImage), std::nullopt, NoScript, 122,
         Firmware::None},
        {"NoTokenWrite", {}, kImage, std::nullopt, [](FakePlatform& f) { f.openToken = {FALSE, 5}; }, 1314,
         Firmware::None},
        {"NoTokenVerify", {L"/Verify"}, kImage, kImage, [](FakePlatform& f) { f.openToken = {FALSE, 5}; }, 1314,
         Firmware::None},
        {"UnknownPrivilege", {}, kImage, std::nullopt, [](FakePlatform& f) { f.lookup = {FALSE, 1313}; }, 1314,
         Firmware::None},
        {"AdjustFails", {}, kImage, std::nullopt, [](FakePlatform& f) { f.adjust = {FALSE, 87}; }, 1314,
         Firmware::None},
        {"PrivilegeNotAssigned", {L"/Verify"}, kImage, kImage, [](FakePlatform& f) { f.adjust = {TRUE, 1300}; },
         1314, Firmware::None},
        {"NoPrivilegeAndNoDataFile", {}, std::nullopt, std::nullopt,
         [](FakePlatform& f) { f.adjust = {TRUE, 1300}; }, 1314, Firmware::None},
        {"NoPrivilegeAndBadCommandLine", {L"a", L"b"}, kImage, std::nullopt,
         [](FakePlatform& f) { f.adjust = {TRUE, 1300}; }, 1314, Firmware::None},
    };
    return cases;
}

class RunToolTest : public ::testing::TestWithParam<RunCase> {
protected:
    ScopedWorkDir dir;
    void SetUp() override { ResetFake(); }
};

TEST_P(RunToolTest, EndsWithItsStatusAndOnlyTheCallsItsModeNeeds) {
    const RunCase& c = GetParam();
    if (c.dataFile) {
        WriteDataFile(*c.dataFile);
    }
    FakePlatform& fake = Fake();
    fake.variableExists = c.variable.has_value();
    fake.variable = c.variable.value_or(Bytes{});
    c.script(fake);
    const bool existedBefore = fake.variableExists;
    const Bytes before = fake.variable;

    EXPECT_EQ(RunToolWith(c.args), c.status);

    const std::size_t writes = fake.Count(FakeCall::SetFirmwareEnvironmentVariableW);
    const std::size_t reads = fake.Count(FakeCall::GetFirmwareEnvironmentVariableW);
    EXPECT_EQ(writes, c.firmware == Firmware::Write ? 1u : 0u);
    EXPECT_EQ(reads, c.firmware == Firmware::Read ? 1u : 0u);
    EXPECT_EQ(fake.openTokens, 0) << "the token was left open";

    for (const FakeCallRecord& call : fake.calls) {
        if (call.call == FakeCall::SetFirmwareEnvironmentVariableW) {
            EXPECT_EQ(call.bytes, *c.dataFile) << "the write must carry exactly the loaded bytes";
        }
        if (call.call == FakeCall::GetFirmwareEnvironmentVariableW) {
            EXPECT_EQ(call.number, kDataImageCapacity) << "a read always offers the full capacity";
        }
    }
    if (c.firmware != Firmware::Write) {
        EXPECT_EQ(fake.variableExists, existedBefore);
        EXPECT_EQ(fake.variable, before);
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, RunToolTest, ::testing::ValuesIn(RunCases()),
                         [](const ::testing::TestParamInfo<RunCase>& p) { return p.param.name; });

TEST(RunToolOrder, PrivilegeThenLoadThenTheOneFirmwareCall) {
    ScopedWorkDir dir;
    ResetFake();
    WriteDataFile(kImage);

    ASSERT_EQ(RunToolWith({}), 0u);

    std::vector<FakeCall> order;
    for (const FakeCallRecord& call : Fake().calls) {
        order.push_back(call.call);
    }
    const std::vector<FakeCall> expected = {
        FakeCall::GetCurrentProcess,
        FakeCall::OpenProcessToken,
        FakeCall::LookupPrivilegeValueW,
        FakeCall::AdjustTokenPrivileges,
        FakeCall::CloseHandle,
        FakeCall::SetLastError,
        FakeCall::SetFirmwareEnvironmentVariableW,
    };
    EXPECT_EQ(order, expected);
    EXPECT_EQ(Fake().calls[2].name, kFirmwarePrivilegeName);
}

TEST(RunToolOrder, WriteThenVerifyRoundTrip) {
    ScopedWorkDir dir;
    ResetFake();
    WriteDataFile(kFullImage);

    ASSERT_EQ(RunToolWith({}), 0u);
    EXPECT_EQ(RunToolWith({L"-Verify"}), 0u);

    WriteDataFile(WithByteChanged(kFullImage, 2048));
    EXPECT_EQ(RunToolWith({L"/VERIFY"}), 13u);
}

}  // namespace
