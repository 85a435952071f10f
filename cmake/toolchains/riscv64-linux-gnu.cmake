# 64-bit RISC-V Linux (RV64GC, lp64d ABI): Debian's g++-riscv64-linux-gnu,
# run under qemu-riscv64.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(VEMO_NUMERIC_CROSS_TRIPLET riscv64-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
