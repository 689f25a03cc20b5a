// The privilege and firmware variable algorithms against the fake platform.
#include <gtest/gtest.h>

#include <optional>

#include "fake_platform.h"
#include "nvram_access.h"

namespace {

struct PrivilegeCase {
    const char* name;
    FakeAnswer open;
    FakeAnswer lookup;
    FakeAnswer adjust;
    bool enabled;
    int closes;
};

class EnablePrivilegeTest : public ::testing::TestWithParam<PrivilegeCase> {
protected:
    void SetUp() override { ResetFake(); }
};

TEST_P(EnablePrivilegeTest, ClosesTheTokenExactlyOnceAfterItWasOpened) {
    const PrivilegeCase& c = GetParam();
    FakePlatform& fake = Fake();
    fake.openToken = c.open;
    fake.lookup = c.lookup;
    fake.adjust = c.adjust;

    EXPECT_EQ(EnablePrivilege(kFirmwarePrivilegeName), c.enabled);

    EXPECT_EQ(static_cast<int>(fake.Count(FakeCall::CloseHandle)), c.closes);
    EXPECT_EQ(fake.openTokens, 0);
    for (const FakeCallRecord& call : fake.calls) {
        if (call.call == FakeCall::CloseHandle) {
            EXPECT_EQ(call.handle, FakeTokenHandle());
        }
    }
    // Nothing but the privilege calls: no firmware access from here.
    EXPECT_FALSE(fake.FirmwareTouched());
}

const FakeAnswer kOk{TRUE, ERROR_SUCCESS};

INSTANTIATE_TEST_SUITE_P(
    Paths, EnablePrivilegeTest,
    ::testing::Values(PrivilegeCase{"Enabled", kOk, kOk, kOk, true, 1},
                      PrivilegeCase{"TokenCannotBeOpened", {FALSE, 5}, kOk, kOk, false, 0},
                      PrivilegeCase{"TokenFailsWithoutCode", {FALSE, std::nullopt}, kOk, kOk, false, 0},
                      PrivilegeCase{"LookupFails", kOk, {FALSE, 1313}, kOk, false, 1},
                      PrivilegeCase{"AdjustReturnsZero", kOk, kOk, {FALSE, 6}, false, 1},
                      PrivilegeCase{"AdjustReturnsZeroWithCodeZero", kOk, kOk, {FALSE, 0}, false, 1},
                      PrivilegeCase{"NotAllAssigned", kOk, kOk, {TRUE, 1300}, false, 1},
                      PrivilegeCase{"AnyCodeAfterSuccessIsFailure", kOk, kOk, {TRUE, 0xFFFFFFFF}, false, 1}),
    [](const ::testing::TestParamInfo<PrivilegeCase>& p) { return p.param.name; });

TEST(EnablePrivilegeCalls, PassTheDocumentedArguments) {
    ResetFake();
    ASSERT_TRUE(EnablePrivilege(kFirmwarePrivilegeName));
    const auto& calls = Fake().calls;
    ASSERT_EQ(calls.size(), 5u);

    EXPECT_EQ(calls[1].call, FakeCall::OpenProcessToken);
    EXPECT_EQ(calls[1].handle, FakeProcessHandle());
    EXPECT_EQ(calls[1].number, 0x28u);

    EXPECT_EQ(calls[2].call, FakeCall::LookupPrivilegeValueW);
    EXPECT_FALSE(calls[2].systemNameGiven);
    EXPECT_EQ(calls[2].name, L"SeSystemEnvironmentPrivilege");

    const FakeCallRecord& adjust = calls[3];
    EXPECT_EQ(adjust.call, FakeCall::AdjustTokenPrivileges);
    EXPECT_EQ(adjust.handle, FakeTokenHandle());
    EXPECT_EQ(adjust.flag, FALSE);
    EXPECT_EQ(adjust.number, 16u);
    EXPECT_EQ(adjust.privileges.PrivilegeCount, 1u);
    EXPECT_EQ(adjust.privileges.Privileges[0].Luid.LowPart, Fake().privilegeLuid.LowPart);
    EXPECT_EQ(adjust.privileges.Privileges[0].Luid.HighPart, Fake().privilegeLuid.HighPart);
    EXPECT_EQ(adjust.privileges.Privileges[0].Attributes, 2u);
    EXPECT_FALSE(adjust.previousStateGiven);
    EXPECT_FALSE(adjust.returnLengthGiven);

    // The close comes before the last-error code is judged.
    EXPECT_EQ(calls[4].call, FakeCall::CloseHandle);
}

class FirmwareCallTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFake(); }
    const std::uint8_t bytes[5] = {0x0D, 0x0A, 0x1A, 0x00, 0xFF};
};

TEST_F(FirmwareCallTest, WritePassesNameNamespaceBytesAndLength) {
    EXPECT_EQ(WriteNvramVariable(bytes, sizeof bytes), 0u);
    const auto& calls = Fake().calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].call, FakeCall::SetLastError);
    EXPECT_EQ(calls[0].number, 0u);
    EXPECT_EQ(calls[1].call, FakeCall::SetFirmwareEnvironmentVariableW);
    EXPECT_EQ(calls[1].name, L"nvram");
    EXPECT_EQ(calls[1].guid, L"{74B00BD9-805A-4D61-B51F-43268123D113}");
    EXPECT_EQ(calls[1].number, 5u);
    EXPECT_EQ(calls[1].bytes, std::vector<std::uint8_t>(bytes, bytes + 5));
}

TEST_F(FirmwareCallTest, ZeroLengthWriteIsStillMade) {
    EXPECT_EQ(WriteNvramVariable(bytes, 0), 0u);
    ASSERT_EQ(Fake().Count(FakeCall::SetFirmwareEnvironmentVariableW), 1u);
    EXPECT_EQ(Fake().calls.back().number, 0u);
}

// A platform that leaves the code alone on success must not be mistaken for a failure
// because of a code an earlier step left behind.
TEST_F(FirmwareCallTest, StaleLastErrorDoesNotFailAnAcceptedWrite) {
    Fake().lastError = 183;
    Fake().writeLastError = std::nullopt;
    EXPECT_EQ(WriteNvramVariable(bytes, sizeof bytes), 0u);
}

TEST_F(FirmwareCallTest, StaleLastErrorDoesNotFailASuccessfulRead) {
    Fake().variableExists = true;
    Fake().variable = {1, 2, 3};
    Fake().lastError = 183;
    std::uint8_t buffer[4096] = {};

    const NvramReadResult read = ReadNvramVariable(buffer, sizeof buffer);

    EXPECT_EQ(read.status, 0u);
    EXPECT_EQ(read.length, 3u);
    const auto& calls = Fake().calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].call, FakeCall::SetLastError);
    EXPECT_EQ(calls[1].name, L"nvram");
    EXPECT_EQ(calls[1].guid, L"{74B00BD9-805A-4D61-B51F-43268123D113}");
    EXPECT_EQ(calls[1].buffer, buffer);
    EXPECT_EQ(calls[1].number, 4096u);
}

TEST_F(FirmwareCallTest, ReadHandsBackCountAndCodeUnjudged) {
    Fake().variable = {1, 2, 3};
    Fake().readCount = 3;
    Fake().readLastError = 0xE0000001;
    std::uint8_t buffer[4096] = {};

    const NvramReadResult read = ReadNvramVariable(buffer, sizeof buffer);

    EXPECT_EQ(read.status, 0xE0000001u);
    EXPECT_EQ(read.length, 3u);
}

TEST_F(FirmwareCallTest, WriteFailureCodePassesThrough) {
    Fake().writeLastError = 87;
    Fake().writeRefused = true;
    EXPECT_EQ(WriteNvramVariable(bytes, sizeof bytes), 87u);
}

}  // namespace
