# Warnings as errors for the project's own code only; third-party code builds with its own flags.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wcast-qual -Wformat=2 -Wundef -Werror)
