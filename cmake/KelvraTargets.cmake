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
