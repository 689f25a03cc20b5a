#include "fake_platform.h"

#include <algorithm>
#include <cstring>

static FakePlatform fake;

FakePlatform& Fake() { return fake; }
void ResetFake() { fake = FakePlatform{}; }

std::size_t FakePlatform::Count(FakeCall call) const {
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [call](const FakeCallRecord& r) { return r.call == call; }));
}

bool FakePlatform::FirmwareTouched() const {
    return Count(FakeCall::SetFirmwareEnvironmentVariableW) + Count(FakeCall::GetFirmwareEnvironmentVariableW) > 0;
}

static FakeCallRecord Record(FakeCall call) {
    FakeCallRecord record;
    record.call = call;
    return record;
}

static BOOL Answer(const FakeAnswer& answer) {
    if (answer.lastError) {
        fake.lastError = *answer.lastError;
    }
    return answer.result;
}

namespace win32 {

HANDLE GetCurrentProcess() {
    fake.calls.push_back(Record(FakeCall::GetCurrentProcess));
    return FakeProcessHandle();
}

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token) {
    FakeCallRecord record = Record(FakeCall::OpenProcessToken);
    record.handle = process;
    record.number = desiredAccess;
    fake.calls.push_back(record);
    const BOOL result = Answer(fake.openToken);
    if (result) {
        *token = FakeTokenHandle();
        ++fake.openTokens;
    }
    return result;
}

BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid) {
    FakeCallRecord record = Record(FakeCall::LookupPrivilegeValueW);
    record.systemNameGiven = systemName != nullptr;
    record.name = name;
    fake.calls.push_back(record);
    const BOOL result = Answer(fake.lookup);
    if (result) {
        *luid = fake.privilegeLuid;
    }
    return result;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                           DWORD bufferLength, PTOKEN_PRIVILEGES previousState,
                           PDWORD returnLength) {
    FakeCallRecord record = Record(FakeCall::AdjustTokenPrivileges);
    record.handle = token;
    record.flag = disableAll;
    record.number = bufferLength;
    record.privileges = *newState;
    record.previousStateGiven = previousState != nullptr;
    record.returnLengthGiven = returnLength != nullptr;
    fake.calls.push_back(record);
    return Answer(fake.adjust);
}

BOOL CloseHandle(HANDLE object) {
    FakeCallRecord record = Record(FakeCall::CloseHandle);
    record.handle = object;
    fake.calls.push_back(record);
    if (object == FakeTokenHandle()) {
        --fake.openTokens;
    }
    return TRUE;
}

BOOL SetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID value, DWORD size) {
    FakeCallRecord record = Record(FakeCall::SetFirmwareEnvironmentVariableW);
    record.name = name;
    record.guid = guid;
    record.number = size;
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    record.bytes.assign(bytes, bytes + size);
    fake.calls.push_back(record);
    if (fake.writeLastError) {
        fake.lastError = *fake.writeLastError;
    }
    if (fake.writeRefused) {
        return FALSE;
    }
    fake.variableExists = size != 0;
    fake.variable = record.bytes;
    return TRUE;
}

DWORD GetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID buffer, DWORD size) {
    FakeCallRecord record = Record(FakeCall::GetFirmwareEnvironmentVariableW);
    record.name = name;
    record.guid = guid;
    record.number = size;
    record.buffer = buffer;
    fake.calls.push_back(record);
    if (fake.readLastError || fake.readCount) {
        if (fake.readLastError) {
            fake.lastError = *fake.readLastError;
        }
        // The count is handed back as scripted, even past the room offered; only what
        // fits is copied.
        const DWORD count = fake.readCount.value_or(0);
        const std::size_t copied = std::min<std::size_t>({count, fake.variable.size(), std::size_t{size}});
        if (copied != 0) {
            std::memcpy(buffer, fake.variable.data(), copied);
        }
        return count;
    }
    if (!fake.variableExists) {
        fake.lastError = ERROR_ENVVAR_NOT_FOUND;
        return 0;
    }
    if (fake.variable.size() > size) {
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    if (!fake.variable.empty()) {
        std::memcpy(buffer, fake.variable.data(), fake.variable.size());
    }
    return static_cast<DWORD>(fake.variable.size());
}

DWORD GetLastError() { return fake.lastError; }

void SetLastError(DWORD code) {
    FakeCallRecord record = Record(FakeCall::SetLastError);
    record.number = code;
    fake.calls.push_back(record);
    fake.lastError = code;
}

}  // namespace win32
