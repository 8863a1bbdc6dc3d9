# Shared build settings for every target of the project.

set(KORVALIS_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wno-missing-field-initializers)

# LLVM's linker: linking a test program against the project's libraries and Qt takes a third of the
# processor time of GNU ld's, and the build links some seventy of them.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld KORVALIS_HAS_LLD)
if(KORVALIS_HAS_LLD)
    add_link_options(-fuse-ld=lld)
endif()

if(KORVALIS_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer (scripts/setup --tsan): races between the window's thread and the workers.
if(KORVALIS_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# korvalis_settings(target [NO_PCH]): warnings, error policy and Qt defines for one of our targets;
# NO_PCH for targets built without Qt (the precompiled header holds Qt's headers).
function(korvalis_settings target)
    cmake_parse_arguments(ARG "NO_PCH" "" "" ${ARGN})
    target_compile_options(${target} PRIVATE ${KORVALIS_WARNINGS})
    if(KORVALIS_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
        QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
    if(KORVALIS_PCH AND TARGET korvalis_pch AND NOT target STREQUAL "korvalis_pch" AND NOT ARG_NO_PCH)
        target_precompile_headers(${target} REUSE_FROM korvalis_pch)
        # The header declares Qt's widget classes; UBSan's type checks then refer to their type
        # information even in files that do not use them.
        target_link_libraries(${target} PRIVATE Qt6::Widgets)
    endif()
endfunction()

# One precompiled header for the whole project: the Qt and standard headers parsed once instead of
# in every file (most of a file's compile time). It gets only the defines every target has, so
# each target can reuse it; KORVALIS_PCH=OFF builds without it.
option(KORVALIS_PCH "Use one precompiled header for every target" ON)
if(KORVALIS_PCH)
    add_library(korvalis_pch OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
    target_link_libraries(korvalis_pch PRIVATE Qt6::Core)
    target_include_directories(korvalis_pch SYSTEM PRIVATE
        $<TARGET_PROPERTY:Qt6::Gui,INTERFACE_INCLUDE_DIRECTORIES>
        $<TARGET_PROPERTY:Qt6::Widgets,INTERFACE_INCLUDE_DIRECTORIES>)
    korvalis_settings(korvalis_pch)
    target_precompile_headers(korvalis_pch PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PROJECT_SOURCE_DIR}/cmake/pch.h>)
endif()

# korvalis_add_library(name SOURCES ... LIBS ...): a static library of the project.
function(korvalis_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    korvalis_settings(${name})
endfunction()

# Tests keep their settings files under the build folder, each program in its own folder, emptied
# at the start of every ctest run; the user's own settings are never read or written.
if(NOT TEST test_settings_reset)
    add_test(NAME test_settings_reset COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/test-settings)
    set_tests_properties(test_settings_reset PROPERTIES FIXTURES_SETUP test_settings)
endif()

# korvalis_add_test(name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s]): one Qt Test program run by CTest.
# Tests run display-less; no test may need a real screen.
function(korvalis_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    korvalis_settings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVALIS_BUILD_DIR=${CMAKE_BINARY_DIR};KORVALIS_SOURCE_DIR=${CMAKE_SOURCE_DIR};XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-settings/${name}"
        FIXTURES_REQUIRED test_settings
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}")
endfunction()
