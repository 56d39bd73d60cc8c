set(KAVROST_TRIPLET i686-w64-mingw32)
set(KAVROST_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
