// The efivarfs layer under the platform code, pointed at a plain folder: the file
// format, the attribute word, the immutable flag and the codes it reports.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "efivarfs_testing.h"
#include "nvram_access.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kVariableFile[] = "nvram-74b00bd9-805a-4d61-b51f-43268123d113";
const Bytes kAttributes = {0x07, 0x00, 0x00, 0x00};

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

class EfivarfsLayer : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    std::string folder;
    std::filesystem::path variable;

    void SetUp() override {
        folder = (dir.path() / "efivars").string();
        std::filesystem::create_directory(folder);
        variable = std::filesystem::path(folder) / kVariableFile;
        UseEfivarfsFolderForTesting(folder.c_str());
    }

    bool Exists() const { return std::filesystem::exists(variable); }

    Bytes FileBytes() const {
        std::ifstream in(variable, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    void PutFile(const Bytes& bytes) const {
        std::ofstream out(variable, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static NvramReadResult Read(Bytes& into) {
        into.assign(4096, 0xEE);
        return ReadNvramVariable(into.data(), 4096);
    }
};

TEST_F(EfivarfsLayer, StoresAttributesAndDataInOneWrite) {
    const Bytes image = PatternBytes(4096);
    ASSERT_EQ(WriteNvramVariable(image.data(), 4096), 0u);
    EXPECT_EQ(FileBytes(), Concat(kAttributes, image));
}

TEST_F(EfivarfsLayer, RewritesAnExistingVariableWhole) {
    PutFile(Concat(kAttributes, PatternBytes(600)));
    const Bytes image = {0x0D, 0x0A, 0x1A};
    ASSERT_EQ(WriteNvramVariable(image.data(), 3), 0u);
    // A plain file keeps the old tail past the write; efivarfs replaces the value. What
    // matters here is what the firmware is handed, from offset 0 in one piece.
    const Bytes stored = FileBytes();
    ASSERT_GE(stored.size(), 7u);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 7), Concat(kAttributes, image));
}

TEST_F(EfivarfsLayer, ZeroLengthWriteHandsOverTheAttributeWordAlone) {
    PutFile(Concat(kAttributes, PatternBytes(10)));
    ASSERT_EQ(WriteNvramVariable(nullptr, 0), 0u);
    const Bytes stored = FileBytes();
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 4), kAttributes);
}

TEST_F(EfivarfsLayer, DeletingAnAbsentVariableIsNotFoundAndCreatesNothing) {
    EXPECT_EQ(WriteNvramVariable(nullptr, 0), 203u);
    EXPECT_FALSE(Exists());
}

TEST_F(EfivarfsLayer, ReadsBackWhatWasWritten) {
    const Bytes image = PatternBytes(4096);
    ASSERT_EQ(WriteNvramVariable(image.data(), 4096), 0u);
    Bytes back;
    const NvramReadResult read = Read(back);
    ASSERT_EQ(read.status, 0u);
    ASSERT_EQ(read.length, 4096u);
    EXPECT_EQ(back, image);
}

struct ReadCase {
    const char* name;
    std::optional<Bytes> file;  // empty: no variable file
    std::uint32_t status;
    std::uint32_t length;
};

class EfivarfsRead : public EfivarfsLayer, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(EfivarfsRead, ReportsWhatTheFileHolds) {
    if (GetParam().file) {
        PutFile(*GetParam().file);
    }
    Bytes back;
    const NvramReadResult read = Read(back);
    EXPECT_EQ(read.status, GetParam().status);
    if (read.status == 0) {
        EXPECT_EQ(read.length, GetParam().length);
        EXPECT_EQ(Bytes(back.begin(), back.begin() + read.length),
                  Bytes(GetParam().file->begin() + 4, GetParam().file->end()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, EfivarfsRead,
    ::testing::Values(ReadCase{"Absent", std::nullopt, 203, 0},
                      ReadCase{"CreatedButNeverStored", Bytes{}, 203, 0},
                      ReadCase{"AttributesOnly", kAttributes, 0, 0},
                      ReadCase{"Full", Concat(kAttributes, PatternBytes(4096)), 0, 4096},
                      ReadCase{"OneByteTooLarge", Concat(kAttributes, PatternBytes(4097)), 122, 0},
                      ReadCase{"FarTooLarge", Concat(kAttributes, PatternBytes(20000)), 122, 0},
                      ReadCase{"ShorterThanTheAttributeWord", Bytes{0x07, 0x00}, 31, 0}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST_F(EfivarfsLayer, DirectoryInTheVariablesPlaceIsAGeneralFailure) {
    std::filesystem::create_directory(variable);
    Bytes back;
    EXPECT_EQ(Read(back).status, 31u);  // EISDIR
    const Bytes image = PatternBytes(8);
    EXPECT_EQ(WriteNvramVariable(image.data(), 8), 31u);
}

TEST_F(EfivarfsLayer, MissingFolderIsNotFound) {
    const std::string gone = folder + "/not-there";
    UseEfivarfsFolderForTesting(gone.c_str());
    const Bytes image = PatternBytes(8);
    EXPECT_EQ(WriteNvramVariable(image.data(), 8), 203u);
    Bytes back;
    EXPECT_EQ(Read(back).status, 203u);
}

// A file size limit makes the write itself fail (EFBIG), as a firmware refusal would.
std::uint32_t WriteAgainstAFileSizeLimit() {
    struct sigaction ignore {};
    struct sigaction previousAction {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit tiny = previous;
    tiny.rlim_cur = 2;
    setrlimit(RLIMIT_FSIZE, &tiny);

    const Bytes image = PatternBytes(32);
    const std::uint32_t status = WriteNvramVariable(image.data(), 32);

    setrlimit(RLIMIT_FSIZE, &previous);
    sigaction(SIGXFSZ, &previousAction, nullptr);
    return status;
}

// efivarfs marks vendor variables immutable; the flag is lifted for the write and put
// back afterwards, on failure too.
class EfivarfsImmutable : public EfivarfsLayer {
protected:
    int Flags() const {
        const int fd = open(variable.c_str(), O_RDONLY);
        int flags = 0;
        ioctl(fd, FS_IOC_GETFLAGS, &flags);
        close(fd);
        return flags;
    }

    void SetUp() override {
        EfivarfsLayer::SetUp();
        PutFile(Concat(kAttributes, PatternBytes(10)));
        const int fd = open(variable.c_str(), O_RDONLY);
        int flags = 0;
        const bool set = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                         (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        close(fd);
        if (!set) {
            GTEST_SKIP() << "this file system or process cannot set the immutable flag";
        }
    }

    void TearDown() override {
        const int fd = open(variable.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
};

TEST_F(EfivarfsImmutable, IsLiftedForTheWriteAndRestored) {
    const Bytes image = PatternBytes(32);
    ASSERT_EQ(WriteNvramVariable(image.data(), 32), 0u);
    EXPECT_EQ(FileBytes(), Concat(kAttributes, image));
    EXPECT_NE(Flags() & FS_IMMUTABLE_FL, 0);
}

TEST_F(EfivarfsImmutable, IsRestoredWhenTheWriteFails) {
    const std::uint32_t status = WriteAgainstAFileSizeLimit();
    EXPECT_EQ(status, 31u);
    EXPECT_NE(Flags() & FS_IMMUTABLE_FL, 0);
}

TEST_F(EfivarfsLayer, FailedCreateLeavesNoEntryBehind) {
    const std::uint32_t status = WriteAgainstAFileSizeLimit();
    EXPECT_EQ(status, 31u);
    EXPECT_FALSE(Exists());
}

TEST(EfivarfsErrno, MapsToWindowsCodes) {
    const struct {
        int error;
        std::uint32_t status;
    } cases[] = {
        {ENOENT, 203}, {EINVAL, 87}, {ENOSPC, 1450}, {EACCES, 5}, {EPERM, 5},
        {EROFS, 19},   {EIO, 31},    {EISDIR, 31},   {EFBIG, 31}, {ENOMEM, 31},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EfivarfsStatusFromErrno(c.error), c.status) << std::strerror(c.error);
    }
}

}  // namespace
