# Cross build for 32-bit Windows with Debian's mingw-w64. The win32 threading model:
# the posix one links winpthread, which imports GetTickCount64 and so cannot start on
# XP. The tests (which need the posix model's std::mutex) run on the 64-bit build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${VELMORA_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER  ${VELMORA_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Oldest 32-bit Windows the product runs on: XP SP2 (5.1).
set(VELMORA_SUBSYSTEM_VERSION 5.01)
