# The mingw-w64 cross toolchain for the processor that the including file
# sets; the win32 thread model needs no winpthread DLL beside the plug-in.
set(CMAKE_SYSTEM_NAME Windows)
set(quorvin_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${quorvin_triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${quorvin_triple}-g++-win32)
set(CMAKE_RC_COMPILER ${quorvin_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${quorvin_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
