// Arbitrary wide strings against the verify switch, in the "C" locale and a UTF-8 one.
// In "C" only A to Z fold, so the answer is known exactly; in any locale an all-ASCII
// argument folds the same way, and a match always has the switch's shape.
#include <clocale>
#include <cstddef>
#include <cstdint>

#include "run_tool.h"

namespace {

bool AsciiSwitch(const wchar_t* text, std::size_t length) {
    const char word[] = "verify";
    if (length != 7 || (text[0] != L'/' && text[0] != L'-')) {
        return false;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        wchar_t c = text[i + 1];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != static_cast<wchar_t>(word[i])) {
            return false;
        }
    }
    return true;
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const bool utf8 = (data[0] & 1) != 0;
    wchar_t text[64];
    std::size_t length = 0;
    bool ascii = true;
    // Two bytes a character: the UTF-16 range a Windows command line can carry.
    for (std::size_t i = 1; i + 1 < size && length < 63; i += 2) {
        const auto c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == L'\0') {
            break;
        }
        ascii = ascii && c < 0x80;
        text[length++] = c;
    }
    text[length] = L'\0';

    Check(std::setlocale(LC_ALL, utf8 ? "C.UTF-8" : "C") != nullptr);
    const bool matched = IsVerifySwitch(text);
    const bool expected = AsciiSwitch(text, length);
    if (!utf8 || ascii) {
        Check(matched == expected);
    } else if (matched) {
        Check(length == 7 && (text[0] == L'/' || text[0] == L'-'));
    }
    return 0;
}
