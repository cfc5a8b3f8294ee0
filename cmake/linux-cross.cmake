# Shared part of the toolchain files arm64.cmake, armhf.cmake and s390x.cmake:
# Debian's cross compiler for CROSS_TRIPLET, and qemu-user (QEMU_ARCH) to run
# what it builds. The emulator gets the target's libraries with -L, so no
# binfmt registration is needed; CTest and the test support start every
# cross-built program through it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# By full path: the test support starts it with posix_spawn, which searches no PATH.
find_program(QEMU_PROGRAM qemu-${QEMU_ARCH} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_PROGRAM} -L /usr/${CROSS_TRIPLET})
