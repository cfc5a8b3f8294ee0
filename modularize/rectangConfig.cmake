# CMake package of the rectang module: gives the target rectang::rectang.
include("${CMAKE_CURRENT_LIST_DIR}/rectangTargets.cmake")
