# 32-bit Arm Linux, hard-float (Debian armhf: ARMv7-A with VFP):
# Debian's g++-arm-linux-gnueabihf, run under qemu-arm.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(VEMO_NUMERIC_CROSS_TRIPLET arm-linux-gnueabihf)
set(VEMO_NUMERIC_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
