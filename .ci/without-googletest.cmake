# Stands in for a machine without GoogleTest. CI gives it to the README's demo
# command through the CMAKE_TOOLCHAIN_FILE environment variable, which CMake
# reads, so that the command runs exactly as written.
set(CMAKE_DISABLE_FIND_PACKAGE_GTest ON)
