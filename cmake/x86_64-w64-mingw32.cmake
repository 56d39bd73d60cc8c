# The same sources for a 64-bit Windows target. It exists for hosts whose kernel
# cannot start 32-bit processes, where Wine can run only 64-bit programs.
set(KAVROST_TRIPLET x86_64-w64-mingw32)
set(KAVROST_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
