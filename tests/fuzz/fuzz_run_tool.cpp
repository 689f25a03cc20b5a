// Arbitrary argument vectors, data files and platform answers against the whole run
// over the fake platform. The variable is written only in write mode, after the
// privilege was enabled and the image fully loaded, once, with exactly the loaded
// bytes; every status is 0, one the tool assigns, or the platform's code unchanged.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "data_image.h"
#include "fake_platform.h"
#include "run_tool.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

FakeAnswer ConsumeAnswer(FuzzedDataProvider& in) {
    FakeAnswer answer;
    // Mostly success, so that runs get past the privilege.
    answer.result = in.ConsumeIntegralInRange<int>(0, 7) != 0 ? TRUE : FALSE;
    if (in.ConsumeBool()) {
        answer.lastError = in.ConsumeBool() ? ERROR_SUCCESS : in.ConsumeIntegral<DWORD>();
    } else {
        answer.lastError = std::nullopt;
    }
    return answer;
}

std::wstring ConsumeArgument(FuzzedDataProvider& in) {
    static const wchar_t* const known[] = {L"/Verify", L"-VERIFY", L"/verify", L"Verify", L"/", L"", L"--Verify"};
    if (in.ConsumeBool()) {
        return known[in.ConsumeIntegralInRange<std::size_t>(0, 6)];
    }
    std::wstring argument;
    const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<wchar_t>(in.ConsumeIntegralInRange<std::uint32_t>(1, 0xFFFF));
        argument.push_back(c);
    }
    return argument;
}

}  // namespace

static char workFolder[] = "/tmp/wlan-nvram-fuzz-XXXXXX";

static void RemoveWorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(workFolder, ignored);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One throwaway working folder for the whole run.
    Check(mkdtemp(workFolder) != nullptr);
    Check(chdir(workFolder) == 0);
    std::atexit(RemoveWorkFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);

    // The command line.
    std::vector<std::wstring> args;
    const int count = in.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < count; ++i) {
        args.push_back(ConsumeArgument(in));
    }

    // The platform's answers and the variable store.
    ResetFake();
    FakePlatform& fake = Fake();
    fake.openToken = ConsumeAnswer(in);
    fake.lookup = ConsumeAnswer(in);
    fake.adjust = ConsumeAnswer(in);
    fake.lastError = in.ConsumeBool() ? 0 : in.ConsumeIntegral<DWORD>();
    if (in.ConsumeBool()) {
        fake.writeLastError = in.ConsumeBool() ? std::optional<DWORD>(in.ConsumeIntegral<DWORD>()) : std::nullopt;
        fake.writeRefused = in.ConsumeBool();
    }
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
        fake.readLastError = in.ConsumeIntegral<DWORD>();
        fake.readCount = in.ConsumeIntegralInRange<DWORD>(0, 8192);
    }
    fake.variableExists = in.ConsumeBool();
    fake.variable = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 4200));
    const bool existedBefore = fake.variableExists;
    const Bytes before = fake.variable;

    // The data file: absent, a folder, sparse and huge, or the rest of the input.
    std::error_code ignored;
    std::filesystem::remove_all(kDataFileName, ignored);
    std::optional<Bytes> file;
    bool huge = false;
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        break;
    case 1:
        std::filesystem::create_directory(kDataFileName);
        break;
    case 2: {
        huge = true;
        std::FILE* f = std::fopen(kDataFileName, "wb");
        Check(f != nullptr);
        std::fclose(f);
        std::filesystem::resize_file(kDataFileName, in.ConsumeIntegralInRange<std::uint64_t>(4097, 1ull << 34));
        break;
    }
    default: {
        file = in.ConsumeRemainingBytes<std::uint8_t>();
        std::FILE* f = std::fopen(kDataFileName, "wb");
        Check(f != nullptr);
        Check(std::fwrite(file->data(), 1, file->size(), f) == file->size());
        std::fclose(f);
        break;
    }
    }

    const std::uint32_t status = RunToolWith(args);

    const std::size_t writes = fake.Count(FakeCall::SetFirmwareEnvironmentVariableW);
    const std::size_t reads = fake.Count(FakeCall::GetFirmwareEnvironmentVariableW);
    Check(writes + reads <= 1);
    Check(fake.openTokens == 0);
    const bool loaded = file.has_value() && file->size() <= kDataImageCapacity;
    if (writes == 1) {
        Check(args.empty() && loaded);
        Check(fake.Count(FakeCall::AdjustTokenPrivileges) == 1);
        for (const FakeCallRecord& call : fake.calls) {
            if (call.call == FakeCall::SetFirmwareEnvironmentVariableW) {
                Check(call.bytes == *file);
            }
        }
        // The write's own code, unchanged: scripted, or 0 left by the clearing.
        Check(status == fake.writeLastError.value_or(0));
        return 0;
    }
    Check(fake.variableExists == existedBefore && fake.variable == before);
    if (reads == 1) {
        Check(args.size() == 1 && loaded);
        const DWORD readCode = fake.readLastError.value_or(0);
        Check(status == 0 || status == 13 || status == readCode || status == ERROR_ENVVAR_NOT_FOUND ||
              status == ERROR_INSUFFICIENT_BUFFER);
        if (status == 0) {
            Check(existedBefore || fake.readCount.has_value());
        }
        return 0;
    }
    Check(status == 1 || status == 110 || status == 122 || status == 1314);
    Check(status != 122 || huge || (file && file->size() > kDataImageCapacity));
    Check(status != 110 || !file);
    return 0;
}
