// Privilege and firmware variable access: a thin layer that passes the platform's
// last-error code on unchanged and assigns no status of its own.
#pragma once

#include <cstdint>

constexpr wchar_t kFirmwarePrivilegeName[] = L"SeSystemEnvironmentPrivilege";
constexpr wchar_t kNvramVariableName[] = L"nvram";
constexpr wchar_t kNvramVendorGuid[] = L"{74B00BD9-805A-4D61-B51F-43268123D113}";

struct NvramReadResult {
    std::uint32_t length;  // bytes stored; meaningful only when status is 0
    std::uint32_t status;  // the last-error code right after the read
};

// True once the named privilege is enabled in the process token.
bool EnablePrivilege(const wchar_t* privilegeName);

// Stores the length bytes, 0 included, as the variable's whole value. Returns the
// last-error code right after the write.
std::uint32_t WriteNvramVariable(const std::uint8_t* bytes, std::uint32_t length);

// Reads the variable into buffer, offering capacity bytes of room.
NvramReadResult ReadNvramVariable(std::uint8_t* buffer, std::uint32_t capacity);
