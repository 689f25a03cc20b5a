// Data files that are not what they seem, on Linux: links, devices, a FIFO, a file that
// reports more than it delivers, one the user may not read. Each gets a clear status and
// the run makes no firmware call at all.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "data_image.h"
#include "fake_platform.h"
#include "run_tool.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A sysfs attribute reports a length of 4096 and delivers a few bytes: the same as a
// file that shrank between the length query and the read.
std::string ShrinkingFile() {
    for (const char* path : {"/sys/devices/system/cpu/online", "/sys/kernel/uevent_seqnum", "/sys/power/state"}) {
        struct stat st {};
        if (stat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 4096 && access(path, R_OK) == 0) {
            return path;
        }
    }
    return "";
}

struct HostileCase {
    const char* name;
    std::function<bool()> make;  // false: cannot be made here
    std::uint32_t status;
};

const std::vector<HostileCase>& HostileCases() {
    static const std::vector<HostileCase> cases = {
        {"DanglingLink", [] { fs::create_symlink("no-such-file", kDataFileName); return true; }, 110},
        {"LinkToALinkLoop", [] { fs::create_symlink(kDataFileName, kDataFileName); return true; }, 110},
        {"LinkToDevZero", [] { fs::create_symlink("/dev/zero", kDataFileName); return true; }, 110},
        {"LinkToDevNull", [] { fs::create_symlink("/dev/null", kDataFileName); return true; }, 110},
        {"Fifo", [] { return mkfifo(kDataFileName, 0644) == 0; }, 110},
        {"LinkToAFolder", [] { fs::create_symlink("/", kDataFileName); return true; }, 110},
        {"LinkToALargeSparseFile",
         [] {
             WriteDataFile(PatternBytes(5));
             fs::resize_file(kDataFileName, std::uintmax_t{8} << 30);
             fs::rename(kDataFileName, "large");
             fs::create_symlink("large", kDataFileName);
             return true;
         },
         122},
        {"LinkToAProcFileOfReportedLengthZeroIsEmpty",
         [] { fs::create_symlink("/proc/self/stat", kDataFileName); return true; }, 0},
        {"FileShrinksBeforeTheRead",
         [] {
             const std::string path = ShrinkingFile();
             if (path.empty()) {
                 return false;
             }
             fs::create_symlink(path, kDataFileName);
             return true;
         },
         30},
        {"LinkToAnOrdinaryFileIsFollowed",
         [] {
             std::ofstream("real.bin", std::ios::binary) << "abc";
             fs::create_symlink("real.bin", kDataFileName);
             return true;
         },
         0},
    };
    return cases;
}

class HostileFile : public ::testing::TestWithParam<HostileCase> {
protected:
    ScopedWorkDir dir;
};

TEST_P(HostileFile, LoadsToAClearStatus) {
    if (!GetParam().make()) {
        GTEST_SKIP() << "cannot be made on this machine";
    }
    DataImage image;
    EXPECT_EQ(LoadDataImage(image), GetParam().status);
}

TEST_P(HostileFile, VerifyRunMakesNoWriteAndFailsBeforeTheFirmware) {
    if (!GetParam().make()) {
        GTEST_SKIP() << "cannot be made on this machine";
    }
    ResetFake();
    const std::uint32_t status = RunToolWith({L"/Verify"});
    EXPECT_EQ(Fake().Count(FakeCall::SetFirmwareEnvironmentVariableW), 0u);
    if (GetParam().status != 0) {
        EXPECT_EQ(status, GetParam().status);
        EXPECT_FALSE(Fake().FirmwareTouched());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFile, ::testing::ValuesIn(HostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& p) { return std::string(p.param.name); });

// Root reads every file, so the unreadable file is tried by a child that gave root up.
TEST(HostileFileUnreadable, CannotBeOpenedByAUserWithoutReadPermission) {
    ScopedWorkDir dir;
    WriteDataFile(PatternBytes(64));
    fs::permissions(kDataFileName, fs::perms::owner_write);
    fs::permissions(dir.path(), fs::perms::all);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        DataImage image;
        _exit(LoadDataImage(image) == kStatusOpenFailed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the file loaded; 2: could not drop root";
}

}  // namespace
