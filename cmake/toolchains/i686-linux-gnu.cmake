# 32-bit x86 Linux: Debian's g++-i686-linux-gnu, run under qemu-i386. The
# compiler's default arithmetic is x87's; the library's own target asks for
# SSE2.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEMO_NUMERIC_CROSS_TRIPLET i686-linux-gnu)
set(VEMO_NUMERIC_CROSS_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

# qemu-i386 (7.2) hangs in a dynamically linked program's first std::thread
# when it finds the libraries through -L alone; starting the target's loader
# with an explicit library path works.
list(APPEND CMAKE_CROSSCOMPILING_EMULATOR /usr/i686-linux-gnu/lib/ld-linux.so.2 --library-path
     /usr/i686-linux-gnu/lib)
