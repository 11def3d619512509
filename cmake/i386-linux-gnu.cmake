# Builds for 32-bit x86 on a 64-bit Debian: the host's compilers with -m32,
# Debian's i386 libraries (installed beside the 64-bit ones by multiarch).
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
