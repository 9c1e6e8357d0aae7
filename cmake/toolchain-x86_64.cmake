# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threading model,
# which GoogleTest needs for std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${VELMORA_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELMORA_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Oldest 64-bit Windows the product runs on: XP x64 / Server 2003 (5.2).
set(VELMORA_SUBSYSTEM_VERSION 5.02)
