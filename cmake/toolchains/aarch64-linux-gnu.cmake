# 64-bit Arm Linux: Debian's g++-aarch64-linux-gnu, run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(VEMO_NUMERIC_CROSS_TRIPLET aarch64-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
