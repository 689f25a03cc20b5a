// The loader against real files in a throwaway working folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "data_image.h"
#include "test_support.h"

namespace {

class LoadDataImageTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    DataImage image;

    void SetUp() override {
        // Whatever the previous run left must not survive into the image.
        std::memset(image.bytes, 0xEE, sizeof image.bytes);
        image.length = 0xEEEE;
    }
};

struct SizeCase {
    std::size_t size;
    std::uint32_t status;
};

class LoadDataImageSizes : public LoadDataImageTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LoadDataImageSizes, LoadsUpToTheCapacityAndRefusesMore) {
    const auto bytes = PatternBytes(GetParam().size);
    WriteDataFile(bytes);

    ASSERT_EQ(LoadDataImage(image), GetParam().status);

    if (GetParam().status == kStatusSuccess) {
        ASSERT_EQ(image.length, bytes.size());
        EXPECT_EQ(std::vector<std::uint8_t>(image.bytes, image.bytes + image.length), bytes);
        for (std::size_t i = bytes.size(); i < kDataImageCapacity; ++i) {
            ASSERT_EQ(image.bytes[i], 0) << "byte " << i << " past the image is not zero";
        }
    } else {
        EXPECT_EQ(image.length, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadDataImageSizes,
                         ::testing::Values(SizeCase{0, kStatusSuccess}, SizeCase{1, kStatusSuccess},
                                           SizeCase{4095, kStatusSuccess}, SizeCase{4096, kStatusSuccess},
                                           SizeCase{4097, kStatusInsufficientBuffer},
                                           SizeCase{65536, kStatusInsufficientBuffer}));

TEST_F(LoadDataImageTest, TextControlBytesArriveUnchanged) {
    // Byte mode: no CR/LF translation and no end-of-file at 0x1A.
    const std::vector<std::uint8_t> bytes = {0x0D, 0x0A, 0x1A, 0x0A, 0x0D, 0x0D, 0x0A, 0x00, 0x1A, 0x41};
    WriteDataFile(bytes);

    ASSERT_EQ(LoadDataImage(image), kStatusSuccess);
    ASSERT_EQ(image.length, bytes.size());
    EXPECT_EQ(0, std::memcmp(image.bytes, bytes.data(), bytes.size()));
}

TEST_F(LoadDataImageTest, MissingFileCannotBeOpened) {
    EXPECT_EQ(LoadDataImage(image), kStatusOpenFailed);
}

TEST_F(LoadDataImageTest, DirectoryInTheFilesPlaceCannotBeOpened) {
    std::filesystem::create_directory(kDataFileName);
    EXPECT_EQ(LoadDataImage(image), kStatusOpenFailed);
}

TEST_F(LoadDataImageTest, FileInAnotherFolderIsNotLookedFor) {
    std::filesystem::create_directory("beside-the-tool");
    std::filesystem::current_path("beside-the-tool");
    WriteDataFile(PatternBytes(16));
    std::filesystem::current_path("..");

    EXPECT_EQ(LoadDataImage(image), kStatusOpenFailed);
}

// Lengths past 32 bits must not wrap into small ones: 4 GiB + 5 is not a 5-byte image,
// 4 GiB is not an empty one, and 2 GiB + 1 is not a negative one.
class LoadDataImageHugeSizes : public LoadDataImageTest, public ::testing::WithParamInterface<std::uint64_t> {};

TEST_P(LoadDataImageHugeSizes, NeverWrapIntoASmallImage) {
    WriteDataFile(PatternBytes(5));
    std::filesystem::resize_file(kDataFileName, GetParam());  // sparse: no disk space used
    ASSERT_EQ(std::filesystem::file_size(kDataFileName), GetParam());

    EXPECT_EQ(LoadDataImage(image), kStatusInsufficientBuffer);
    EXPECT_EQ(image.length, 0u);
}

INSTANTIATE_TEST_SUITE_P(Sparse, LoadDataImageHugeSizes,
                         ::testing::Values(std::uint64_t{0x80000001}, std::uint64_t{0x100000000},
                                           std::uint64_t{0x100000005}, std::uint64_t{0x100001000}));

}  // namespace
