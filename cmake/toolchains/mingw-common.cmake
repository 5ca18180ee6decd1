# Shared by the mingw toolchain files: compilers, search roots, static runtime and Wine as the test runner.
set(CMAKE_C_COMPILER ${ORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No runtime DLL beyond the system's: libgcc, libstdc++ and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Debian's wine wrapper prefers the 32-bit loader, so 64-bit programs go to the 64-bit one directly.
if(ORVANE_MINGW_TRIPLE MATCHES "^x86_64")
  find_program(ORVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(ORVANE_WINE64 NAMES wine64 wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANE_WINE64})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()

# The C library only names M_PI and friends on request when compiling strict ISO C++.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# pkg-config would offer the build machine's Linux libraries (PortAudio); Windows uses none.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${ORVANE_MINGW_TRIPLE}/lib/pkgconfig)
