// A scripted stand-in for the Win32 calls the platform code makes: it records each
// call with its arguments, answers with the result and last-error code a test set,
// and holds the firmware variable store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32_api.h"

enum class FakeCall {
    GetCurrentProcess,
    OpenProcessToken,
    LookupPrivilegeValueW,
    AdjustTokenPrivileges,
    CloseHandle,
    SetFirmwareEnvironmentVariableW,
    GetFirmwareEnvironmentVariableW,
    SetLastError,
};

struct FakeCallRecord {
    FakeCall call = FakeCall::GetCurrentProcess;
    HANDLE handle = nullptr;     // process, token or closed handle
    DWORD number = 0;            // access mask, buffer length, size or code set
    BOOL flag = FALSE;           // disable-all
    std::wstring name;           // privilege or variable name
    std::wstring guid;           // namespace string
    bool systemNameGiven = false;
    bool previousStateGiven = false;
    bool returnLengthGiven = false;
    TOKEN_PRIVILEGES privileges = {};
    std::vector<std::uint8_t> bytes;  // what a write handed over
    const void* buffer = nullptr;     // the read's buffer
};

// One call's scripted answer. An empty lastError leaves the thread's code as it was.
struct FakeAnswer {
    BOOL result = TRUE;
    std::optional<DWORD> lastError = ERROR_SUCCESS;
};

struct FakePlatform {
    FakeAnswer openToken;
    FakeAnswer lookup;
    FakeAnswer adjust;
    LUID privilegeLuid = {0x16, 0};

    // The store: the write keeps what it is handed (a zero-length write deletes the
    // variable); the read answers from it, unless a test scripts the read.
    bool variableExists = false;
    std::vector<std::uint8_t> variable;
    std::optional<DWORD> writeLastError = ERROR_SUCCESS;
    bool writeRefused = false;  // keep the store as it was, e.g. with a failure code
    std::optional<DWORD> readLastError;  // overrides the store's own answer
    std::optional<DWORD> readCount;

    DWORD lastError = 0;
    int openTokens = 0;
    std::vector<FakeCallRecord> calls;

    std::size_t Count(FakeCall call) const;
    bool FirmwareTouched() const;
};

// The one fake the linked-in Win32 calls answer from; reset before each test.
FakePlatform& Fake();
void ResetFake();

// Reserved handle values the fake hands out.
inline HANDLE FakeProcessHandle() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }
inline HANDLE FakeTokenHandle() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x7a)); }
