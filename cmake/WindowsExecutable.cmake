# wlan-nvram.exe: the wide entry point, the manifest and version resources, static
# runtimes and the loader's hardening flags.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)

add_nvram_access(nvram_access_windows platform/windows)

set(WLAN_NVRAM_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(WLAN_NVRAM_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/wlan-nvram.manifest")
configure_file(resources/wlan-nvram.manifest ${WLAN_NVRAM_MANIFEST} @ONLY)
configure_file(resources/wlan-nvram.rc.in ${CMAKE_CURRENT_BINARY_DIR}/wlan-nvram.rc @ONLY)

add_executable(wlan-nvram tool/main_windows.cpp ${CMAKE_CURRENT_BINARY_DIR}/wlan-nvram.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/wlan-nvram.rc
    PROPERTIES OBJECT_DEPENDS ${WLAN_NVRAM_MANIFEST})
target_link_libraries(wlan-nvram PRIVATE tool_logic nvram_access_windows project_warnings advapi32)
target_link_options(wlan-nvram PRIVATE
    -municode
    -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
