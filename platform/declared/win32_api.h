// Building away from Windows: our own declarations of the Win32 types, constants and
// calls the platform code makes. Whatever is linked in answers them: the efivarfs
// layer in the Linux executable, the scripted fake in the tests. They live in a
// namespace of their own so a Windows test build can link them beside kernel32.
#pragma once

#include <cstdint>

namespace win32 {

using BOOL = int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WCHAR = wchar_t;
using LPCWSTR = const WCHAR*;
using PVOID = void*;
using HANDLE = void*;
using PHANDLE = HANDLE*;
using PDWORD = DWORD*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_NO_SYSTEM_RESOURCES = 1450;

constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
using PLUID = LUID*;

struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};

struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
using PTOKEN_PRIVILEGES = TOKEN_PRIVILEGES*;

HANDLE GetCurrentProcess();
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);
BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                           DWORD bufferLength, PTOKEN_PRIVILEGES previousState,
                           PDWORD returnLength);
BOOL CloseHandle(HANDLE object);
BOOL SetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID value, DWORD size);
DWORD GetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID buffer, DWORD size);
DWORD GetLastError();
void SetLastError(DWORD code);

}  // namespace win32

// The platform code is written against the bare Win32 names.
using namespace win32;
