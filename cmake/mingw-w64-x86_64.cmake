# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers (the
# POSIX thread model, which C++ threads need), and running what is built
# under Wine. Qt for Windows is looked for under TAUX_WINDOWS_QT, the
# folder scripts/windows.sh builds it into.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(TAUX_WINDOWS_QT "" CACHE PATH "Qt built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TAUX_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TAUX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TAUX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TAUX_WINE})
endif()
