// The Linux entry point: widens the one argument that can matter and narrows the
// status to what a POSIX exit status carries.
#include <cwchar>

#include "run_tool.h"
#include "runtime.h"

namespace {

constexpr std::size_t kSwitchLength = 7;  // '/' and "Verify"
// Room for one character more than the switch and the terminator, so that a longer
// argument shows as too long instead of being cut to a match.
constexpr std::size_t kArgumentRoom = kSwitchLength + 2;

// An argument that does not convert, or is longer than the switch can be, becomes the
// empty argument: not the switch either.
void WidenArgument(const char* argument, wchar_t (&wide)[kArgumentRoom]) {
    std::mbstate_t state{};
    const char* source = argument;
    const std::size_t count = std::mbsrtowcs(wide, &source, kArgumentRoom, &state);
    if (count == static_cast<std::size_t>(-1) || count > kSwitchLength) {
        wide[0] = L'\0';
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The run sets the same locale again; it is needed here already to widen.
    SetUserDefaultLocale();

    wchar_t program[] = L"wlan-nvram";
    wchar_t argument[kArgumentRoom] = {};
    if (argc >= 2) {
        WidenArgument(argv[1], argument);
    }
    // Past the program's name only the count matters once there are two or more.
    wchar_t* wideArgv[] = {program, argument, argument, nullptr};
    const int wideArgc = argc < 1 ? 1 : argc > 3 ? 3 : argc;

    // Only the low 8 bits reach the caller; the statuses the tool ends with stay distinct.
    return static_cast<int>(RunTool(wideArgc, wideArgv) & 0xFFu);
}
