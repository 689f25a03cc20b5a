#include "data_image.h"

#include <cstring>

#include "runtime.h"

std::uint32_t LoadDataImage(DataImage& image) {
    std::memset(image.bytes, 0, sizeof image.bytes);
    image.length = 0;

    std::FILE* file = OpenDataFile(kDataFileName);
    if (file == nullptr) {
        return kStatusOpenFailed;
    }

    // Judged at full width: a length that only fits in 64 bits must never wrap into
    // a small one, and an unknown length is as unusable as a huge one.
    const std::int64_t reported = DataFileLength(file);
    if (reported < 0 || reported > static_cast<std::int64_t>(kDataImageCapacity)) {
        std::fclose(file);
        return kStatusInsufficientBuffer;
    }
    const auto length = static_cast<std::uint32_t>(reported);

    const std::size_t got = std::fread(image.bytes, 1, length, file);
    std::fclose(file);
    if (got != length) {
        return kStatusReadFault;
    }
    image.length = length;
    return kStatusSuccess;
}
