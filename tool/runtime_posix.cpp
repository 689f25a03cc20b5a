// The POSIX C library's services behind runtime.h.
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wchar.h>

#include "runtime.h"

void SetUserDefaultLocale() {
    setlocale(LC_ALL, "");
}

bool WideEqualsIgnoringCase(const wchar_t* left, const wchar_t* right) {
    return wcscasecmp(left, right) == 0;
}

std::FILE* OpenDataFile(const char* name) {
    // Opened without blocking so that a FIFO in the file's place cannot hang the run;
    // then only a regular file is accepted, as Windows opens only files by this call.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}

std::int64_t DataFileLength(std::FILE* file) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}
