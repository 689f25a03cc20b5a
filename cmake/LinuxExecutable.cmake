# build/linux/wlan-nvram: the same logic over efivarfs.
add_library(efivarfs_win32 STATIC platform/efivarfs/efivarfs_win32.cpp)
target_include_directories(efivarfs_win32 PUBLIC platform/efivarfs PRIVATE platform/declared)
target_link_libraries(efivarfs_win32 PRIVATE project_warnings)

add_executable(wlan-nvram tool/main_posix.cpp)
target_link_libraries(wlan-nvram PRIVATE tool_logic nvram_access_declared efivarfs_win32 project_warnings)

# The benchmark's timer, run inside the benchmark machine.
add_executable(bench-runs EXCLUDE_FROM_ALL scripts/bench_runs.cpp)
target_link_libraries(bench-runs PRIVATE project_warnings)
target_link_options(bench-runs PRIVATE -static)
