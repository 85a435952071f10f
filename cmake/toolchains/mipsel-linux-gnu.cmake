# 32-bit MIPS Linux, little-endian (o32 ABI, MIPS32r2 with the legacy NaN
# encoding): Debian's g++-mipsel-linux-gnu, run under qemu-mipsel. uname -m
# says mips on either endianness.
set(CMAKE_SYSTEM_PROCESSOR mips)
set(VEMO_NUMERIC_CROSS_TRIPLET mipsel-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
