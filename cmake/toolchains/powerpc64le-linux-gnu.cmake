# 64-bit POWER Linux, little-endian (POWER8 and later):
# Debian's g++-powerpc64le-linux-gnu, run under qemu-ppc64le.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(VEMO_NUMERIC_CROSS_TRIPLET powerpc64le-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
