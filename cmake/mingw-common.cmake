# Shared part of the MinGW-w64 toolchain files. MR_MINGW_TRIPLE is set by the
# including file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MR_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${MR_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${MR_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static runtime: the binaries must load on a clean Windows with no MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

