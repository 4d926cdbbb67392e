# Project-wide build settings and the helpers every module's CMakeLists uses.

# Programs, DLLs and test executables side by side: the Windows tests load the
# deliverables from their own folder.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

if(WIN32)
    set(MR_WINDOWS ON)
    # Wine runs the Windows tests; its prefix and HOME live inside the build tree.
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${PROJECT_SOURCE_DIR}/scripts/wine-run;--root;${PROJECT_BINARY_DIR}/wine")
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                            _WIN32_WINNT=0x0601 WINVER=0x0601)
else()
    set(MR_WINDOWS OFF)
endif()

option(MR_WERROR "Treat compiler warnings as errors" ON)
set(MR_WARNINGS -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor -Wformat=2 -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(MR_WARNINGS -Wall -Wextra -Wshadow-uncaptured-local -Wnon-virtual-dtor -Wformat=2 -Wno-missing-field-initializers)
endif()
if(MR_WERROR)
    list(APPEND MR_WARNINGS -Werror)
endif()

if(MR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(MR_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Applies the project's warnings to one of its own targets.
function(mr_warnings target)
    target_compile_options(${target} PRIVATE ${MR_WARNINGS})
endfunction()

# mr_library(NAME [STATIC] SOURCES ... [LIBS ...])
# A static library of the project, with the project root as include root so
# that headers are included as "common/paged_array.h".
function(mr_library name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${A_LIBS})
    mr_warnings(${name})
endfunction()

# GoogleTest: the system's build natively; built from Debian's sources with the
# cross compiler for the Windows tests.
if(MR_TESTS)
    if(MR_WINDOWS)
        set(MR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
        set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(${MR_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
        # The win32 thread model has no std::mutex; GoogleTest's Notification
        # is the one piece that needs it, so it gets a replacement.
        foreach(t gtest gtest_main gmock gmock_main)
            target_compile_definitions(${t} PUBLIC GTEST_HAS_NOTIFICATION_=1)
            target_compile_options(${t} PUBLIC
                "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/gtest_notification.h")
        endforeach()
    else()
        find_package(GTest REQUIRED)
    endif()
    enable_testing()
endif()

# mr_test(NAME SOURCES ... [LIBS ...] [WINDOWS_ONLY])
# One test executable; ctest runs it natively or, in the Windows builds, under
# Wine. Labels: "native" or "wine".
function(mr_test name)
    cmake_parse_arguments(A "WINDOWS_ONLY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT MR_TESTS)
        return()
    endif()
    if(A_WINDOWS_ONLY AND NOT MR_WINDOWS)
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS} mr_testsupport GTest::gtest_main)
    mr_warnings(${name})
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 300)
    endif()
    if(MR_WINDOWS)
        set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT ${A_TIMEOUT})
    else()
        set_tests_properties(${name} PROPERTIES LABELS native TIMEOUT ${A_TIMEOUT})
    endif()
endfunction()

# mr_module(NAME SOURCES ... [DEF file.def] [LIBS ...])
# A Windows DLL deliverable, named NAME.dll (no "lib" prefix), with the static
# runtime and the exports listed in its .def file.
function(mr_module name)
    cmake_parse_arguments(A "" "DEF" "SOURCES;LIBS" ${ARGN})
    add_library(${name} SHARED ${A_SOURCES} ${A_DEF})
    set_target_properties(${name} PROPERTIES PREFIX "" IMPORT_PREFIX "")
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # COM entry points are __stdcall; export them undecorated.
        target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
    endif()
    mr_warnings(${name})
    set_property(GLOBAL APPEND PROPERTY MR_DELIVERABLE_DLLS ${name}.dll)
endfunction()

# mr_benchmark(NAME SOURCES ... [LIBS ...])
# A Google Benchmark program (native preset only). Benchmarks are run by
# scripts/bench, never by ctest.
function(mr_benchmark name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT MR_BENCHMARKS OR MR_WINDOWS OR MR_SANITIZE OR MR_FUZZ)
        return()
    endif()
    find_package(benchmark REQUIRED)
    add_executable(${name} ${A_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
    mr_warnings(${name})
    set_property(GLOBAL APPEND PROPERTY MR_BENCHMARK_TARGETS ${name})
endfunction()
