// The few C runtime services whose names or semantics differ between Windows and
// POSIX. Each platform's runtime file provides them; the tool's logic calls only these.
#pragma once

#include <cstdint>
#include <cstdio>

// Sets every locale category to the user's default; the result is not needed.
void SetUserDefaultLocale();

// Locale-aware, case-insensitive equality of two wide strings.
bool WideEqualsIgnoringCase(const wchar_t* left, const wchar_t* right);

// Opens name for reading in byte mode, or returns null. Only a file that can be read
// as a plain file counts; a directory or device is a failed open.
std::FILE* OpenDataFile(const char* name);

// The open file's length as the file system reports it, at full width; negative when
// the length cannot be determined.
std::int64_t DataFileLength(std::FILE* file);
