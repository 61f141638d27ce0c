# Cross build of the Windows programs with Debian's MinGW-w64 (posix threads, static runtime),
# for the processor the including toolchain file sets.
set(CMAKE_SYSTEM_NAME Windows)
set(clipveil_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${clipveil_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${clipveil_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${clipveil_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${clipveil_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
