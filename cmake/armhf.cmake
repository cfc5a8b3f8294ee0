# Debian armhf: cmake --workflow --preset armhf
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CROSS_TRIPLET arm-linux-gnueabihf)
set(QEMU_ARCH arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
