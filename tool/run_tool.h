// The whole run, from locale set-up to exit status, callable in-process.
#pragma once

#include <cstdint>

// argv[0] is the program's name and is never looked at. Returns the exit status.
std::uint32_t RunTool(int argc, wchar_t** argv);

// True when argument is '/' or '-' followed by "Verify" in any letter case, folded
// by the rules of the current locale.
bool IsVerifySwitch(const wchar_t* argument);
