#include "run_tool.h"

#include <cstring>

#include "data_image.h"
#include "nvram_access.h"
#include "runtime.h"
#include "status.h"

bool IsVerifySwitch(const wchar_t* argument) {
    if (argument[0] != L'/' && argument[0] != L'-') {
        return false;
    }
    return WideEqualsIgnoringCase(argument + 1, L"Verify");
}

static std::uint32_t VerifyVariable(const DataImage& image, std::uint8_t* readBack) {
    const NvramReadResult read = ReadNvramVariable(readBack, kDataImageCapacity);
    if (read.status != kStatusSuccess) {
        return read.status;
    }
    if (read.length != image.length) {
        return kStatusInvalidData;
    }
    if (std::memcmp(readBack, image.bytes, image.length) != 0) {
        return kStatusInvalidData;
    }
    return kStatusSuccess;
}

std::uint32_t RunTool(int argc, wchar_t** argv) {
    DataImage image;
    std::uint8_t readBack[kDataImageCapacity];
    std::memset(readBack, 0, sizeof readBack);

    SetUserDefaultLocale();

    if (!EnablePrivilege(kFirmwarePrivilegeName)) {
        return kStatusPrivilegeNotHeld;
    }

    const std::uint32_t loaded = LoadDataImage(image);
    if (loaded != kStatusSuccess) {
        return loaded;
    }

    if (argc <= 1) {
        return WriteNvramVariable(image.bytes, image.length);
    }
    if (argc > 2 || !IsVerifySwitch(argv[1])) {
        return kStatusInvalidFunction;
    }
    return VerifyVariable(image, readBack);
}
