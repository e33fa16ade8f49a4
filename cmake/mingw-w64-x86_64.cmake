# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers. The compiler can be
# chosen with -DTILLERY_MINGW_CXX=... (default x86_64-w64-mingw32-g++). Programs are linked
# statically, so they run without the compiler's runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TILLERY_MINGW_CXX "x86_64-w64-mingw32-g++" CACHE STRING "C++ cross compiler for Windows")
string(REGEX REPLACE "g\\+\\+" "gcc" _tillery_mingw_cc "${TILLERY_MINGW_CXX}")
set(CMAKE_C_COMPILER "${_tillery_mingw_cc}")
set(CMAKE_CXX_COMPILER "${TILLERY_MINGW_CXX}")
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
