# SPDX-License-Identifier: GPL-3.0-or-later
# The native language file and the program's own resources are made from the
# program itself (kelvra-natives creates every window and reads the messages
# of the sources); each shipped translation from its dictionary in data/lang.
# All of them land in the build's language folder, where a program run from
# the build looks, as an installed one looks in share/kelvra/lang.
set(KELVRA_LANG_DIR ${KELVRA_BUILD_SHARE_DIR}/lang)
# A sanitizer build runs these steps with the toolkit's known leaks excused, as its tests do.
set(kelvra_build_step ${CMAKE_COMMAND} -E env LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp)
set(kelvra_native_lng ${KELVRA_LANG_DIR}/Kelvra.ntv.lng)
set(kelvra_resource_dir ${PROJECT_BINARY_DIR}/resources)
set(kelvra_program_res ${kelvra_resource_dir}/Kelvra.res)
file(GLOB kelvra_text_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/ui/*.cpp)
add_custom_command(OUTPUT ${kelvra_native_lng} ${kelvra_program_res}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVRA_LANG_DIR} ${kelvra_resource_dir}
    COMMAND ${kelvra_build_step} $<TARGET_FILE:kelvra-natives> ${kelvra_native_lng} ${kelvra_program_res} ${kelvra_text_sources}
    DEPENDS kelvra-natives ${kelvra_text_sources} VERBATIM)

set(kelvra_translations)
file(GLOB kelvra_dictionaries CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/lang/*.json)
foreach(dictionary ${kelvra_dictionaries})
    cmake_path(GET dictionary STEM abbreviation)
    set(translation ${KELVRA_LANG_DIR}/Kelvra.${abbreviation}.lng)
    add_custom_command(OUTPUT ${translation}
        COMMAND ${kelvra_build_step} $<TARGET_FILE:kelvra-cli> lng translate ${kelvra_native_lng} ${dictionary} ${translation} --complete
        DEPENDS kelvra-cli ${kelvra_native_lng} ${dictionary} VERBATIM)
    list(APPEND kelvra_translations ${translation})
endforeach()
add_custom_target(kelvra_languages ALL DEPENDS ${kelvra_native_lng} ${kelvra_translations})

# kelvra_program_resources(TARGET): the program's own resources in TARGET.
function(kelvra_program_resources target)
    qt_add_resources(${target} ${target}_program_resources PREFIX /kelvra BASE ${kelvra_resource_dir}
        FILES ${kelvra_program_res})
    add_dependencies(${target} kelvra_languages)
endfunction()
kelvra_program_resources(kelvra)

install(DIRECTORY ${KELVRA_LANG_DIR}/ DESTINATION ${kelvra_share_dir}/lang FILES_MATCHING PATTERN "*.lng")
