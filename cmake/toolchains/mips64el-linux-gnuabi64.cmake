# 64-bit MIPS Linux, little-endian (n64 ABI, MIPS64r2 with the legacy NaN
# encoding): Debian's g++-mips64el-linux-gnuabi64, run under qemu-mips64el.
# uname -m says mips64 on either endianness.
set(CMAKE_SYSTEM_PROCESSOR mips64)
set(VEMO_NUMERIC_CROSS_TRIPLET mips64el-linux-gnuabi64)
# qemu-mips64el (7.2) picks a 5KEf for such programs, whose floating-point
# control register ignores every write: feclearexcept and fesetround do
# nothing. Its generic MIPS64r2 processor, the compiler's default
# architecture, keeps them.
set(VEMO_NUMERIC_CROSS_QEMU qemu-mips64el -cpu MIPS64R2-generic)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
