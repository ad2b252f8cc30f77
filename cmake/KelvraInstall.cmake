# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where, the build tree's copy of the shipped files
# (so a program run from the build finds them as an installed one does), and
# the Debian package `cpack -G DEB` makes from the same rules.
include(GNUInstallDirs)

# Installing and packing never build: the package test packs the build as it is.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(KELVRA_APP_ID org.kelvra.Kelvra)
set(kelvra_desktop ${PROJECT_SOURCE_DIR}/data/desktop)
set(kelvra_share_dir ${CMAKE_INSTALL_DATADIR}/kelvra)

# The guide beside the build's programs: <build>/src/<KELVRA_SHARE_FROM_BIN>/help.
cmake_path(ABSOLUTE_PATH KELVRA_SHARE_FROM_BIN BASE_DIRECTORY ${PROJECT_BINARY_DIR}/src NORMALIZE
    OUTPUT_VARIABLE KELVRA_BUILD_SHARE_DIR)
# Each page is made from its own heading and body and the one list of pages,
# which gives every page the same head and navigation.
set(kelvra_help_list ${PROJECT_SOURCE_DIR}/help/pages.list)
file(GLOB kelvra_help_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/help/*.html ${PROJECT_SOURCE_DIR}/help/*.css)
set(kelvra_help_copies)
foreach(file ${kelvra_help_files})
    cmake_path(GET file FILENAME name)
    set(copy ${KELVRA_BUILD_SHARE_DIR}/help/${name})
    if(name MATCHES "\\.html$")
        add_custom_command(OUTPUT ${copy}
            COMMAND ${CMAKE_COMMAND} -DSOURCE=${file} -DLIST=${kelvra_help_list} -DOUTPUT=${copy}
                -P ${PROJECT_SOURCE_DIR}/cmake/HelpPage.cmake
            DEPENDS ${file} ${kelvra_help_list} ${PROJECT_SOURCE_DIR}/cmake/HelpPage.cmake VERBATIM)
    else()
        add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${copy} DEPENDS ${file} VERBATIM)
    endif()
    list(APPEND kelvra_help_copies ${copy})
endforeach()
# The ready designs beside them: <build>/src/<KELVRA_SHARE_FROM_BIN>/looks.
file(GLOB kelvra_look_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/looks/*.cfg)
foreach(file ${kelvra_look_files})
    cmake_path(GET file FILENAME name)
    set(copy ${KELVRA_BUILD_SHARE_DIR}/looks/${name})
    add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${copy} DEPENDS ${file} VERBATIM)
    list(APPEND kelvra_help_copies ${copy})
endforeach()
add_custom_target(kelvra_share ALL DEPENDS ${kelvra_help_copies})
add_dependencies(kelvra kelvra_share)
add_dependencies(kelvra-cli kelvra_share)

configure_file(${kelvra_desktop}/${KELVRA_APP_ID}.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/desktop/${KELVRA_APP_ID}.metainfo.xml @ONLY)

install(TARGETS kelvra kelvra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${KELVRA_BUILD_SHARE_DIR}/help/ DESTINATION ${kelvra_share_dir}/help)
install(FILES ${kelvra_look_files} DESTINATION ${kelvra_share_dir}/looks)
install(FILES ${kelvra_desktop}/${KELVRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${kelvra_desktop}/${KELVRA_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_BINARY_DIR}/desktop/${KELVRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian package. Its library dependencies come from dpkg-shlibdeps (the
# Qt 6 and libjpeg-turbo runtime packages); the toolkit's display plugins are
# not linked, so they are named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvra)
set(CPACK_PACKAGE_VENDOR "Kelvra developers")
set(CPACK_PACKAGE_CONTACT "Kelvra developers <dev@kelvra.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stamp the date and camera facts onto JPEG photos")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kelvra puts the date taken and the camera's facts (maker, model, exposure,\n"
    "focal length, ISO, GPS) on a batch of JPEG photos, and renames and sorts\n"
    "photos into dated folders by a file-name mask, keeping their EXIF, IPTC,\n"
    "XMP and comment. A desktop window with a live preview, and a command-line\n"
    "twin, kelvra-cli, for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, xdg-utils")
# Sources stay out of the package.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
