# Cross toolchain for 64-bit Windows: mingw-w64 with POSIX threads (the win32-threads variant lacks
# std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SG731_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SG731_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SG731_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SG731_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SG731_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
