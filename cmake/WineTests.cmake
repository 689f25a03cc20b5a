# The Windows build's tests run under Wine, in a throwaway prefix inside the build folder.
find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run ${WINE64} ${WINE_PREFIX})

# Creating the prefix takes a while and must not race; every Wine test waits for it.
add_test(NAME wine_prefix COMMAND ${WINE_RUN} cmd /c exit 0)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine LABELS wine TIMEOUT 300)

add_test(NAME unit_tests_wine COMMAND ${WINE_RUN} $<TARGET_FILE:unit_tests> --gtest_brief=1)
set_tests_properties(unit_tests_wine PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    LABELS "unit;wine" TIMEOUT 600)

add_test(NAME exe_under_wine
    COMMAND ${SYSTEM_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/wine_exe_test.py
            --exe $<TARGET_FILE:wlan-nvram> --wine ${WINE64} --prefix ${WINE_PREFIX})
set_tests_properties(exe_under_wine PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
    LABELS wine TIMEOUT 600)

add_test(NAME exe_pe_image
    COMMAND ${SYSTEM_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/pe_image_test.py $<TARGET_FILE:wlan-nvram>
            --version ${PROJECT_VERSION})
set_tests_properties(exe_pe_image PROPERTIES LABELS windows)
