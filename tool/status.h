// Exit statuses the tool assigns itself. They are Windows system error codes; every
// other status passes through from the platform.
#pragma once

#include <cstdint>

constexpr std::uint32_t kStatusSuccess = 0;               // ERROR_SUCCESS
constexpr std::uint32_t kStatusInvalidFunction = 1;       // ERROR_INVALID_FUNCTION
constexpr std::uint32_t kStatusInvalidData = 13;          // ERROR_INVALID_DATA
constexpr std::uint32_t kStatusReadFault = 30;            // ERROR_READ_FAULT
constexpr std::uint32_t kStatusOpenFailed = 110;          // ERROR_OPEN_FAILED
constexpr std::uint32_t kStatusInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
constexpr std::uint32_t kStatusPrivilegeNotHeld = 1314;   // ERROR_PRIVILEGE_NOT_HELD
