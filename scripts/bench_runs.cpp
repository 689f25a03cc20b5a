// bench-runs N PROGRAM [ARGS...]: runs PROGRAM N times, one after another, and prints the
// median and fastest wall time of a run and how many runs did not exit with 0. The program's output is discarded. Built
// statically so it runs in the benchmark's tiny machine.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

static long long Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench-runs N PROGRAM [ARGS...]\n");
        return 2;
    }
    const long runs = std::strtol(argv[1], nullptr, 10);
    std::vector<long long> times;
    int failures = 0;
    for (long i = 0; i < runs; ++i) {
        const long long start = Now();
        const pid_t child = fork();
        if (child == 0) {
            // What the program prints is not part of the figures.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            execvp(argv[2], argv + 2);
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        times.push_back(Now() - start);
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::sort(times.begin(), times.end());
    const long long median = times.empty() ? 0 : times[times.size() / 2];
    const long long fastest = times.empty() ? 0 : times.front();
    std::printf("runs=%ld median_ns=%lld min_ns=%lld failures=%d\n", runs, median, fastest, failures);
    return 0;
}
