// The data image the tool writes to the firmware variable or compares with it.
#pragma once

#include <cstdint>

#include "status.h"

constexpr std::uint32_t kDataImageCapacity = 4096;

// The relative name is resolved against the current working directory only.
constexpr char kDataFileName[] = "bcm943241ipaagb_p100.bin";

struct DataImage {
    std::uint8_t bytes[kDataImageCapacity];
    std::uint32_t length;  // 0 to kDataImageCapacity; only the first length bytes count
};

// Loads the data file into image. Returns 0, or 110 (cannot open), 122 (longer than
// the capacity, or its length is unknown) or 30 (fewer bytes arrived than reported).
std::uint32_t LoadDataImage(DataImage& image);
