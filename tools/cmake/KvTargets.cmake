# Helpers that give every binary of the project the same shape: where it lands, its version
# resource and manifest, and how its tests run under Wine.

set(KV_DIST_DIR ${CMAKE_BINARY_DIR}/dist)   # everything that ships
set(KV_BIN_DIR  ${CMAKE_BINARY_DIR}/bin)    # test programs and Windows-side tools
file(MAKE_DIRECTORY ${KV_DIST_DIR} ${KV_BIN_DIR})

# Every Windows program run by ctest goes through Wine with the project's prefix. A 64-bit test
# build runs on Wine's 64-bit loader alone (machines that cannot execute 32-bit code).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(KV_WINE_LOADER /usr/lib/wine/wine64)
else()
    set(KV_WINE_LOADER /usr/lib/wine/wine)
endif()
configure_file(${CMAKE_SOURCE_DIR}/tools/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# kv_version_resource(target DESCRIPTION text [ADMIN])
# Adds a VERSIONINFO resource and, for executables, an application manifest.
function(kv_version_resource target)
    cmake_parse_arguments(KV "ADMIN" "DESCRIPTION" "" ${ARGN})
    get_target_property(type ${target} TYPE)
    get_target_property(outname ${target} OUTPUT_NAME)
    if(NOT outname)
        set(outname ${target})
    endif()
    if(type STREQUAL "EXECUTABLE")
        set(KV_FILENAME "${outname}.exe")
        set(KV_FILETYPE "VFT_APP")
        if(KV_ADMIN)
            set(KV_LEVEL "requireAdministrator")
        else()
            set(KV_LEVEL "asInvoker")
        endif()
        set(KV_MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
        configure_file(${CMAKE_SOURCE_DIR}/tools/cmake/app.manifest.in ${KV_MANIFEST_FILE} @ONLY)
        set(KV_MANIFEST_LINE "1 24 \"${KV_MANIFEST_FILE}\"")
    else()
        set(KV_FILENAME "${outname}.dll")
        set(KV_FILETYPE "VFT_DLL")
        set(KV_MANIFEST_LINE "")
    endif()
    set(KV_NAME ${outname})
    set(KV_DESC "${KV_DESCRIPTION}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/tools/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()

# kv_ship(target DESCRIPTION text [ADMIN]): a binary that is part of the client or of its
# stand-ins; it lands in dist/.
function(kv_ship target)
    kv_version_resource(${target} ${ARGN})
    set_target_properties(${target} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${KV_DIST_DIR}
        LIBRARY_OUTPUT_DIRECTORY ${KV_DIST_DIR}
        PREFIX "")
endfunction()

# kv_tool(target DESCRIPTION text): a Windows program for tests or administrators; lands in bin/.
function(kv_tool target)
    kv_version_resource(${target} ${ARGN})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KV_BIN_DIR})
endfunction()

# kv_gtest(name SOURCES ... [LIBS ...]): a GoogleTest program run under Wine by ctest.
function(kv_gtest name)
    cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${KV_SOURCES})
    target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock ${KV_LIBS})
    kv_tool(${name} DESCRIPTION "Unit tests: ${name}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
