// Building for Windows: the calls go to the system itself.
#pragma once

#include <windows.h>
