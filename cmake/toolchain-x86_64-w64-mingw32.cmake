# Cross build of the 64-bit installer: the same code as the shipped one, run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRISEL_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# CTest runs this build's test programs under wine64 (in the build's prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
