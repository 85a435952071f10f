# IBM Z Linux, big-endian: Debian's g++-s390x-linux-gnu, run under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(VEMO_NUMERIC_CROSS_TRIPLET s390x-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
