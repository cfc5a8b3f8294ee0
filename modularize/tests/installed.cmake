# Installs the whole project into a scratch prefix, then links the installed
# module from outside the project, the ways its users do. Run with cmake -P;
# STEP picks the part: install, find_package or pkg_config.

set(prefix ${WORK_DIR}/prefix)

function(run_checked)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed (${status}): ${command}")
    endif()
endfunction()

if(STEP STREQUAL "install")
    file(REMOVE_RECURSE ${WORK_DIR})
    # Which files arrive is the suite's install test's concern; this prefix
    # only serves the two ways of linking below.
    run_checked(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

elseif(STEP STREQUAL "find_package")
    set(build ${WORK_DIR}/consumer-build)
    file(REMOVE_RECURSE ${build})
    run_checked(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${build} -G ${GENERATOR}
                -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
                -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
    file(STRINGS ${build}/CMakeCache.txt found REGEX "^rectang_DIR:")
    if(NOT found MATCHES "=${prefix}/")
        message(FATAL_ERROR "the package came from elsewhere: ${found}")
    endif()
    run_checked(${CMAKE_COMMAND} --build ${build})
    run_checked(${build}/consumer)

elseif(STEP STREQUAL "pkg_config")
    # Only the scratch prefix is searched, not the system's own .pc files.
    set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
    unset(ENV{PKG_CONFIG_PATH})
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs rectang OUTPUT_VARIABLE flags
                    RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "pkg-config does not know rectang")
    endif()
    message(STATUS "pkg-config --cflags --libs rectang: ${flags}")
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(program ${WORK_DIR}/pkg-config-consumer)
    run_checked(${C_COMPILER} -std=c99 -Wall -Wextra -Wpedantic -Werror
                ${SOURCE_DIR}/consumer/consumer.c ${flags} -o ${program})
    run_checked(${program})

else()
    message(FATAL_ERROR "unknown STEP '${STEP}'")
endif()
