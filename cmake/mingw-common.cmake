# Shared part of the MinGW-w64 toolchain files. The -win32 thread model lacks
# std::mutex, which GoogleTest needs, so the -posix compilers are used.
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
# GNU windres writes a control's class name in capitals ("SYSLISTVIEW32");
# llvm-windres (Debian's llvm package, outside PATH) keeps it as written. It
# preprocesses with the MinGW preprocessor, as GNU windres does.
file(GLOB DUPLIX_LLVM_BIN_DIRS /usr/lib/llvm-*/bin)
find_program(DUPLIX_LLVM_WINDRES NAMES llvm-windres PATHS ${DUPLIX_LLVM_BIN_DIRS} NO_CMAKE_FIND_ROOT_PATH)
if(DUPLIX_LLVM_WINDRES)
  set(CMAKE_RC_COMPILER ${DUPLIX_LLVM_WINDRES})
  set(CMAKE_RC_FLAGS_INIT "--target=${RC_TARGET} --preprocessor=${MINGW_PREFIX}-cpp-posix --preprocessor-arg=-DRC_INVOKED -DDUPLIX_LLVM_RC")
else()
  set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Only 64-bit Wine runs on this kind of machine; the i686 build is compiled
# and linked, its tests are not run.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
