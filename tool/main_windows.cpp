// The Windows console entry point: hands the wide arguments to the run.
#include "run_tool.h"

int wmain(int argc, wchar_t** argv) {
    // The full 32-bit status becomes the process exit code.
    return static_cast<int>(RunTool(argc, argv));
}
