# Cross toolchain: i686-w64-mingw32 with the posix thread model, for the 32-bit
# engine tests only: GoogleTest needs std::mutex, which the win32 model lacks.
# The release keeps the win32 model; all else is as for the release.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
