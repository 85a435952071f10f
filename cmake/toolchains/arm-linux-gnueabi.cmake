# 32-bit Arm Linux, soft-float (Debian armel: ARMv5TE, doubles computed in
# software): Debian's g++-arm-linux-gnueabi, run under qemu-arm. Named as
# uname -m names the compiler's default architecture.
set(CMAKE_SYSTEM_PROCESSOR armv5tel)
set(VEMO_NUMERIC_CROSS_TRIPLET arm-linux-gnueabi)
set(VEMO_NUMERIC_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
