// The Win32 calls the platform code makes, answered on Linux: the privilege from the
// process's capabilities, the firmware variable through efivarfs. Codes are Windows'
// own for the same situations, so one script can judge both executables.
#include <errno.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "efivarfs_testing.h"
#include "win32_api.h"

namespace {

constexpr char kEfiFolder[] = "/sys/firmware/efi";
constexpr char kEfivarsFolder[] = "/sys/firmware/efi/efivars";
constexpr long kEfivarfsMagic = 0xde5e81e4;

// Attributes for a stored variable: NON_VOLATILE | BOOTSERVICE_ACCESS | RUNTIME_ACCESS.
constexpr std::uint32_t kStoredAttributes = 7;
constexpr std::size_t kAttributeSize = 4;
// Values up to the tool's image capacity, so the buffers can be fixed and on the stack.
constexpr DWORD kLargestValue = 4096;
constexpr LUID kSystemEnvironmentLuid = {22, 0};

const char* efivarsFolder = kEfivarsFolder;
bool checkFileSystem = true;
DWORD lastError = ERROR_SUCCESS;

BOOL Fail(DWORD code) {
    lastError = code;
    return FALSE;
}

bool FirmwareServicesPresent() {
    if (!checkFileSystem) {
        return true;
    }
    struct stat folder {};
    if (stat(kEfiFolder, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        return false;
    }
    struct statfs fs {};
    return statfs(efivarsFolder, &fs) == 0 && static_cast<long>(fs.f_type) == kEfivarfsMagic;
}

bool AppendAscii(char* out, std::size_t capacity, std::size_t& used, const wchar_t* text, bool lowerCase) {
    for (; *text != L'\0'; ++text) {
        wchar_t c = *text;
        if (c < 0x20 || c > 0x7E || c == L'/' || used + 1 >= capacity) {
            return false;
        }
        if (lowerCase && c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        out[used++] = static_cast<char>(c);
    }
    out[used] = '\0';
    return true;
}

bool IsGuidText(const wchar_t* guid) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (std::wcslen(guid) != 38 || guid[0] != L'{' || guid[37] != L'}') {
        return false;
    }
    for (int i = 1; i < 37; ++i) {
        const wchar_t c = guid[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (dash ? c != L'-' : !hex) {
            return false;
        }
    }
    return true;
}

// <folder>/<name>-<guid in lower case, without braces>
bool VariablePath(LPCWSTR name, LPCWSTR guid, char* path, std::size_t capacity) {
    if (name == nullptr || guid == nullptr || name[0] == L'\0' || !IsGuidText(guid)) {
        return false;
    }
    std::size_t used = std::strlen(efivarsFolder);
    if (used + 2 >= capacity) {
        return false;
    }
    std::memcpy(path, efivarsFolder, used);
    path[used++] = '/';
    path[used] = '\0';
    wchar_t bare[37];
    std::wmemcpy(bare, guid + 1, 36);
    bare[36] = L'\0';
    return AppendAscii(path, capacity, used, name, false) && AppendAscii(path, capacity, used, L"-", false) &&
           AppendAscii(path, capacity, used, bare, true);
}

bool HasCapability(const __user_cap_data_struct (&caps)[2], int capability) {
    return (caps[capability / 32].effective & (1u << (capability % 32))) != 0;
}

// The flags of an open variable file, or an errno; ENOTTY (no flag support) reads as none.
int ReadFlags(int fd, int& flags) {
    flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 || errno == ENOTTY) {
        return 0;
    }
    return errno;
}

// One write() of attributes and data together: efivarfs hands each write to the
// firmware as one whole SetVariable, so a split write would store a corrupt variable.
int WriteWhole(int fd, const void* value, DWORD size) {
    unsigned char record[kAttributeSize + kLargestValue];
    std::memcpy(record, &kStoredAttributes, kAttributeSize);
    if (size != 0) {
        std::memcpy(record + kAttributeSize, value, size);
    }
    const std::size_t total = kAttributeSize + size;
    const ssize_t written = write(fd, record, total);
    if (written < 0) {
        return errno;
    }
    return static_cast<std::size_t>(written) == total ? 0 : EIO;
}

int WriteExisting(const char* path, PVOID value, DWORD size) {
    const int flagsFd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (flagsFd < 0) {
        return errno;
    }
    int flags = 0;
    int error = ReadFlags(flagsFd, flags);
    const bool immutable = error == 0 && (flags & FS_IMMUTABLE_FL) != 0;
    if (immutable) {
        int writable = flags & ~FS_IMMUTABLE_FL;
        error = ioctl(flagsFd, FS_IOC_SETFLAGS, &writable) == 0 ? 0 : errno;
    }
    if (error == 0) {
        const int fd = open(path, O_WRONLY | O_CLOEXEC);
        error = fd < 0 ? errno : WriteWhole(fd, value, size);
        if (fd >= 0) {
            close(fd);
        }
    }
    if (immutable) {
        // Fails harmlessly when the write deleted the variable.
        ioctl(flagsFd, FS_IOC_SETFLAGS, &flags);
    }
    close(flagsFd);
    return error;
}

int CreateNew(const char* path, PVOID value, DWORD size) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    const int error = WriteWhole(fd, value, size);
    close(fd);
    if (error != 0) {
        // efivarfs keeps a created entry even when the firmware refused the variable.
        unlink(path);
    }
    return error;
}

}  // namespace

std::uint32_t EfivarfsStatusFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_ENVVAR_NOT_FOUND;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOSPC:
        return ERROR_NO_SYSTEM_RESOURCES;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    default:
        return ERROR_GEN_FAILURE;
    }
}

void UseEfivarfsFolderForTesting(const char* folder) {
    efivarsFolder = folder;
    checkFileSystem = false;
}

namespace win32 {

HANDLE GetCurrentProcess() {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

BOOL OpenProcessToken(HANDLE process, DWORD, PHANDLE token) {
    // The process's credentials are the token; nothing needs opening.
    *token = process;
    lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid) {
    if (systemName != nullptr || std::wcscmp(name, L"SeSystemEnvironmentPrivilege") != 0) {
        return Fail(ERROR_NO_SUCH_PRIVILEGE);
    }
    *luid = kSystemEnvironmentLuid;
    lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
    if (newState->PrivilegeCount != 1 || newState->Privileges[0].Luid.LowPart != kSystemEnvironmentLuid.LowPart ||
        newState->Privileges[0].Luid.HighPart != kSystemEnvironmentLuid.HighPart) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // An efivarfs write needs the variable files' owner (or CAP_DAC_OVERRIDE) and
    // CAP_LINUX_IMMUTABLE to lift the flag efivarfs sets on vendor variables. Like
    // Windows for a token without the privilege: success, with ERROR_NOT_ALL_ASSIGNED.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    const bool known = syscall(SYS_capget, &header, caps) == 0;
    const bool mayWrite = known && (geteuid() == 0 || HasCapability(caps, CAP_DAC_OVERRIDE)) &&
                          HasCapability(caps, CAP_LINUX_IMMUTABLE);
    lastError = mayWrite ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED;
    return TRUE;
}

BOOL CloseHandle(HANDLE) {
    return TRUE;
}

BOOL SetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID value, DWORD size) {
    if (!FirmwareServicesPresent()) {
        return Fail(ERROR_INVALID_FUNCTION);
    }
    char path[512];
    if (!VariablePath(name, guid, path, sizeof path) || size > kLargestValue || (size != 0 && value == nullptr)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    int error = WriteExisting(path, value, size);
    if (error == ENOENT) {
        // Deleting a variable that does not exist is Windows' "not found" too.
        error = size == 0 ? ENOENT : CreateNew(path, value, size);
    }
    if (error != 0) {
        return Fail(EfivarfsStatusFromErrno(error));
    }
    lastError = ERROR_SUCCESS;
    return TRUE;
}

DWORD GetFirmwareEnvironmentVariableW(LPCWSTR name, LPCWSTR guid, PVOID buffer, DWORD size) {
    if (!FirmwareServicesPresent()) {
        Fail(ERROR_INVALID_FUNCTION);
        return 0;
    }
    char path[512];
    if (!VariablePath(name, guid, path, sizeof path) || size > kLargestValue || buffer == nullptr) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(EfivarfsStatusFromErrno(errno));
        return 0;
    }
    // One read into room for more than the caller offers, so a larger variable is
    // reported as such and never truncated into something that looks complete.
    unsigned char record[kAttributeSize + kLargestValue + 1];
    const ssize_t got = read(fd, record, kAttributeSize + size + 1);
    const int readError = errno;
    close(fd);
    if (got < 0) {
        Fail(EfivarfsStatusFromErrno(readError));
        return 0;
    }
    const auto length = static_cast<std::size_t>(got);
    if (length == 0) {
        // An entry created but never stored: the firmware holds no such variable.
        Fail(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (length < kAttributeSize) {
        Fail(ERROR_GEN_FAILURE);
        return 0;
    }
    const std::size_t stored = length - kAttributeSize;
    if (stored > size) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, record + kAttributeSize, stored);
    lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(stored);
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

}  // namespace win32
