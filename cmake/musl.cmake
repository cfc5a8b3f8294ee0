# The programs against musl (option DEMOS_MUSL): compiled by g++ with musl's
# headers in place of glibc's, and linked statically by gcc with musl-gcc's
# specs, as musl-gcc itself links. Only the programs: the module, the test
# support and the tests keep the toolchain's C library, so the suite runs
# natively and starts musl-built programs.
#
# Everything comes from Debian's musl-tools (musl-gcc) and musl-dev (headers,
# start files, libc.a). musl-gcc wraps the C compiler only; the programs use
# nothing but the header-only part of the C++ library, whose headers serve
# here too.

if(CMAKE_CROSSCOMPILING OR NOT CMAKE_C_COMPILER_ID STREQUAL "GNU"
   OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   OR NOT CMAKE_C_COMPILER_VERSION VERSION_EQUAL CMAKE_CXX_COMPILER_VERSION)
    message(FATAL_ERROR "DEMOS_MUSL needs the build machine's own gcc and g++ of one version")
endif()

# musl-gcc names its specs file and its header search list when asked to
# preprocess verbosely: where musl lives comes from it, not from a guess.
find_program(MUSL_GCC musl-gcc REQUIRED)
execute_process(COMMAND ${MUSL_GCC} -v -xc -E /dev/null -o /dev/null
                RESULT_VARIABLE musl_gcc_status ERROR_VARIABLE musl_gcc_report)
string(REGEX MATCH "Reading specs from ([^\n]*)" _ "${musl_gcc_report}")
set(musl_specs "${CMAKE_MATCH_1}")
string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)\nEnd of search list"
             _ "${musl_gcc_report}")
string(REGEX REPLACE "[ \n]+" ";" musl_c_include_dirs "${CMAKE_MATCH_1}")
list(REMOVE_ITEM musl_c_include_dirs "")
if(NOT musl_gcc_status EQUAL 0 OR NOT EXISTS "${musl_specs}" OR NOT musl_c_include_dirs)
    message(FATAL_ERROR "${MUSL_GCC} names no specs file or header folders:\n${musl_gcc_report}")
endif()

# The C++ library's own headers are the C++ compiler's folders that the C
# compiler lacks. They go first: they wrap the C headers with #include_next.
set(musl_cxx_include_dirs ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
list(REMOVE_ITEM musl_cxx_include_dirs ${CMAKE_C_IMPLICIT_INCLUDE_DIRECTORIES})
# musl-gcc's list ends in the compiler's own headers; they must be g++'s.
foreach(dir IN LISTS musl_c_include_dirs)
    if(dir MATCHES "/gcc/" AND NOT dir IN_LIST CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
        message(FATAL_ERROR "${MUSL_GCC} wraps another gcc than ${CMAKE_CXX_COMPILER}: ${dir}")
    endif()
endforeach()

set(musl_compile_options -nostdinc)
foreach(dir IN LISTS musl_cxx_include_dirs musl_c_include_dirs)
    list(APPEND musl_compile_options "SHELL:-isystem ${dir}")
endforeach()
# The C++ library was configured for glibc, and its configuration asks for
# glibc's version: musl is no glibc of any version. An option, not a compile
# definition: CMake drops definitions of function-like macros.
list(APPEND musl_compile_options "-D__GLIBC_PREREQ(major,minor)=0")

message(STATUS "Programs against musl: ${musl_specs}")

# The programs are C++ linked by the C compiler's driver, which adds musl's
# libc.a and no C++ library. CMake would add the C++ driver's own libraries
# (libstdc++, libgcc_s) to such a link; these programs need none of them.
set(CMAKE_CXX_IMPLICIT_LINK_LIBRARIES "")

function(demos_link_with_musl target)
    target_compile_options(${target} PRIVATE ${musl_compile_options})
    target_link_options(${target} PRIVATE -static "-specs=${musl_specs}")
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
endfunction()
