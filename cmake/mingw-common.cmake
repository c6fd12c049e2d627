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
# Tests run under Wine, each target's in its own prefix: the i686 ones with
# 32-bit Wine, where the machine has it (scripts/test.sh finds out).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_SYSTEM_PROCESSOR})
