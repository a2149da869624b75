# Cross build for 64-bit ARM Linux with Debian's aarch64-linux-gnu compilers,
# against the arm64 libraries Debian installs by multiarch (libx11-dev:arm64,
# libxext-dev:arm64 in /usr/lib/aarch64-linux-gnu), run here by qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Headers and libraries of the target only: the multiarch folders under /usr
# and the cross compiler's own; programs (python3, Xvfb) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C library and the X11 libraries come from the arm64 multiarch packages,
# loaded by their own /lib/ld-linux-aarch64.so.1. The C++ runtime exists for
# arm64 only beside the cross compiler, so it is linked in and qemu needs no
# prefix. With the cross compiler's folder as prefix all the same (qemu -L
# /usr/aarch64-linux-gnu), the loader is that folder's, from another build of
# the C library than the multiarch libc.so.6 the library cache names; the two
# together spin for ever in the first thread's start. A run path of /lib
# takes libc.so.6 from beside that loader first: under the prefix it is the
# prefix's own; elsewhere /lib holds no libc.so.6 but the system's own, and
# the lookup goes on as without it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libstdc++ -static-libgcc -Wl,-rpath,/lib")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
# pkg-config reads the arm64 libraries' files, not the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
