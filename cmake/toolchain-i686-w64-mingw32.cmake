# Cross build of the shipped 32-bit installer.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRISEL_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# CTest runs this build's test programs under the 32-bit Wine that ./run sets
# up (in the build's win32 prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine32-run.sh)
