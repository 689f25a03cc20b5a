#include "nvram_access.h"

// Either the system's own declarations or ours, chosen by the build's include path.
#include "win32_api.h"

static_assert(sizeof(TOKEN_PRIVILEGES) == 16, "one privilege entry is 16 bytes");

bool EnablePrivilege(const wchar_t* privilegeName) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }

    LUID luid = {};
    if (!LookupPrivilegeValueW(nullptr, privilegeName, &luid)) {
        CloseHandle(token);
        return false;
    }

    TOKEN_PRIVILEGES record = {};
    record.PrivilegeCount = 1;
    record.Privileges[0].Luid = luid;
    record.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const BOOL adjusted = AdjustTokenPrivileges(token, FALSE, &record, sizeof record, nullptr, nullptr);
    CloseHandle(token);

    // A nonzero result alone is not enough: a token that lacks the privilege still
    // "succeeds" and reports ERROR_NOT_ALL_ASSIGNED.
    if (!adjusted) {
        return false;
    }
    return GetLastError() == ERROR_SUCCESS;
}

std::uint32_t WriteNvramVariable(const std::uint8_t* bytes, std::uint32_t length) {
    // Cleared first, so that a code left by an earlier step cannot turn a write the
    // platform accepted (without clearing the code itself) into a failure.
    SetLastError(ERROR_SUCCESS);
    SetFirmwareEnvironmentVariableW(kNvramVariableName, kNvramVendorGuid,
                                    const_cast<std::uint8_t*>(bytes), length);
    return GetLastError();
}

NvramReadResult ReadNvramVariable(std::uint8_t* buffer, std::uint32_t capacity) {
    SetLastError(ERROR_SUCCESS);
    const DWORD stored = GetFirmwareEnvironmentVariableW(kNvramVariableName, kNvramVendorGuid,
                                                          buffer, capacity);
    const DWORD status = GetLastError();
    return NvramReadResult{stored, status};
}
