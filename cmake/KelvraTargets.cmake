# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler settings shared by every target built from our own sources.
function(kelvra_target_settings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        # g++ 12 reports std::string copies as overlapping at -O2 (a known false positive).
        $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
    target_compile_definitions(${target} PRIVATE
        QT_NO_FOREACH QT_NO_URL_CAST_FROM_STRING QT_NO_KEYWORDS
        $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
endfunction()

# Sources of one folder, picked up without editing this file for each new one.
function(kelvra_glob_sources out dir)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# A layer's headers are reached as "layer/name.h" through an include root of its
# own (build/include/<layer>/<layer> links to src/<layer>), so a target sees the
# headers of the layers it links and no others: including a layer it does not
# link fails to compile. The include-table test checks the rest.
function(kelvra_layer_includes target layer)
    set(root ${PROJECT_BINARY_DIR}/include/${layer})
    if(NOT EXISTS ${root}/${layer})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${root}/${layer} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# The library of one layer from the sources of the calling folder, linking
# LINKS (other layers and packages) publicly; EXCLUDE names sources built
# elsewhere.
function(kelvra_layer layer)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINKS;EXCLUDE")
    kelvra_glob_sources(sources ${CMAKE_CURRENT_SOURCE_DIR})
    foreach(name ${arg_EXCLUDE})
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${name})
    endforeach()
    add_library(kelvra_${layer} STATIC ${sources})
    kelvra_layer_includes(kelvra_${layer} ${layer})
    target_link_libraries(kelvra_${layer} PUBLIC ${arg_LINKS})
    set_target_properties(kelvra_${layer} PROPERTIES AUTOMOC ON)
    kelvra_target_settings(kelvra_${layer})
endfunction()
