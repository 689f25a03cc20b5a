#include "test_support.h"

#include <fstream>
#include <random>

#include "data_image.h"

ScopedWorkDir::ScopedWorkDir() : previous_(std::filesystem::current_path()) {
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    do {
        path_ = base / ("wlan-nvram-test-" + std::to_string(seed()));
    } while (!std::filesystem::create_directory(path_));
    std::filesystem::current_path(path_);
}

ScopedWorkDir::~ScopedWorkDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> PatternBytes(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131 + 7) % 251);
    }
    const std::uint8_t awkward[] = {0x0D, 0x0A, 0x1A, 0x00, 0x0A, 0x0D, 0xFF};
    for (std::size_t i = 0; i < n && i < sizeof awkward; ++i) {
        bytes[i] = awkward[i];
    }
    return bytes;
}

void WriteDataFile(const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(kDataFileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
