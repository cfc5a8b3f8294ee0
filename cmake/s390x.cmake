# Debian s390x: cmake --workflow --preset s390x
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CROSS_TRIPLET s390x-linux-gnu)
set(QEMU_ARCH s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
