// For tests only. The executable never calls these.
#pragma once

#include <cstdint>

// Points the efivarfs layer at a plain folder standing in for /sys/firmware/efi/efivars,
// without the file system check.
void UseEfivarfsFolderForTesting(const char* folder);

// The Windows code the layer reports for an errno from efivarfs.
std::uint32_t EfivarfsStatusFromErrno(int error);
