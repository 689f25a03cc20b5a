// The Microsoft C runtime's services behind runtime.h.
#include <io.h>
#include <locale.h>
#include <string.h>

#include "runtime.h"

void SetUserDefaultLocale() {
    _wsetlocale(LC_ALL, L"");
}

bool WideEqualsIgnoringCase(const wchar_t* left, const wchar_t* right) {
    return _wcsicmp(left, right) == 0;
}

std::FILE* OpenDataFile(const char* name) {
    return std::fopen(name, "rb");
}

std::int64_t DataFileLength(std::FILE* file) {
    return _filelengthi64(_fileno(file));
}
