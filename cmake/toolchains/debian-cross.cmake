# Shared by the Linux toolchain files here: cross-compiles for
# VEMO_NUMERIC_CROSS_TRIPLET with Debian's cross compiler
# (g++-<triplet>, which installs the target's libraries under /usr/<triplet>)
# and runs the target's programs with qemu-user (package qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${VEMO_NUMERIC_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VEMO_NUMERIC_CROSS_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_NUMERIC_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# CMake packages are looked for in the target's folder and then wherever
# CMAKE_PREFIX_PATH points, such as an install of this project for the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_CROSSCOMPILING_EMULATOR ${VEMO_NUMERIC_CROSS_QEMU} -L /usr/${VEMO_NUMERIC_CROSS_TRIPLET})
