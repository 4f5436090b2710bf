# Build conventions shared by every target of the project.

set(HEYU_WARNINGS -Wall -Wextra -Wpedantic -Wshadow)

if(HEYU_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Every target includes headers spelled from the module root ("data/TMainDM.h").
function(heyu_target_defaults target)
    target_compile_options(${target} PRIVATE ${HEYU_WARNINGS})
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
endfunction()

# One library per module, from the sources of its folder. A module without sources yet is an
# interface target so that dependants can already name it.
function(heyu_module name)
    cmake_parse_arguments(ARG "" "" "LIBS;EXCLUDE" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded ${ARG_EXCLUDE})
        list(FILTER sources EXCLUDE REGEX "/${excluded}$")
    endforeach()
    if(sources)
        add_library(${name} STATIC ${sources} ${headers})
        heyu_target_defaults(${name})
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# One QtTest executable per class or window, registered with CTest under its labels.
# GUI tests run on the offscreen platform; tests that skip themselves are reported as skipped.
function(heyu_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    heyu_target_defaults(${name})
    target_link_libraries(${name} PRIVATE heyu_testsupport Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        SKIP_REGULAR_EXPRESSION "SKIP   : "
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;HEYU_REPORT_DIR=${PROJECT_BINARY_DIR}/app/Report"
        TIMEOUT 600)
endfunction()
