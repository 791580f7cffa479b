# Shared part of the MinGW-w64 toolchains; the including file sets the triple.
#
# The posix-thread variant of the compiler gives std::mutex, std::call_once and
# thread-safe statics (through winpthreads). Everything from the compiler's
# runtime is linked statically (-static: libgcc, libstdc++ and winpthreads),
# so vorn.dll and the programs need nothing beyond the DLLs Windows ships.
set(CMAKE_C_COMPILER ${VORN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORN_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${VORN_MINGW_TRIPLE}-objdump)

set(CMAKE_C_FLAGS_INIT "${VORN_ARCH_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VORN_ARCH_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/${VORN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
