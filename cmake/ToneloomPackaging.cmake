# Installation layout and the Debian package.
#
# On Linux the program and everything it reads beside itself (name files, README.TXT,
# control modules) go to lib/toneloom; bin/ holds links to the commands, and the
# desktop entry, icons and file types go where desktops look for them. Elsewhere
# everything stays in one folder, as in a release folder.
#   cmake --build build && (cd build && cpack -G DEB)

if(NOT TARGET toneloom)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS kurvex pickvane captile knob
  LIBRARY DESTINATION ${TONELOOM_INSTALL_DIR}
  RUNTIME DESTINATION ${TONELOOM_INSTALL_DIR})

if(NOT (UNIX AND NOT APPLE))
  return()
endif()

# Relative links, so the package can be unpacked anywhere.
set(link_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${link_dir})
foreach(command toneloom toneloom-cli toneloom-emulator)
  file(CREATE_LINK ../${TONELOOM_INSTALL_DIR}/${command} ${link_dir}/${command} SYMBOLIC)
  install(FILES ${link_dir}/${command} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/resources/toneloom.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/toneloom-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME toneloom.xml)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/toneloom.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps)
foreach(size 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/toneloom${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME toneloom.png)
endforeach()

# Who answers for the package; set it to a real address for a public release.
set(TONELOOM_PACKAGE_MAINTAINER "Toneloom developers <toneloom@example.org>" CACHE STRING
  "Maintainer of the Debian package")

# The documents a Debian package carries.
set(doc_dir ${CMAKE_BINARY_DIR}/package-doc)
file(MAKE_DIRECTORY ${doc_dir})
string(TIMESTAMP package_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc_dir}/changelog
  "toneloom (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${TONELOOM_PACKAGE_MAINTAINER}  ${package_date}\n")
add_custom_command(OUTPUT ${doc_dir}/changelog.gz
  COMMAND gzip -9 -n -f -k ${doc_dir}/changelog
  DEPENDS ${doc_dir}/changelog
  VERBATIM)
add_custom_target(toneloom_package_doc ALL DEPENDS ${doc_dir}/changelog.gz)
install(FILES ${doc_dir}/changelog.gz ${CMAKE_SOURCE_DIR}/resources/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/toneloom)

set(CPACK_PACKAGE_NAME toneloom)
set(CPACK_PACKAGE_VENDOR "Toneloom developers")
# Free software under the GNU GPL, version 3 or later; the Debian package says so in
# its machine-readable copyright file, other package formats in their licence field.
set(TONELOOM_LICENSE GPL-3.0-or-later)
set(CPACK_RPM_PACKAGE_LICENSE ${TONELOOM_LICENSE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound editor and librarian for Roland JV and XP synthesizers")
set(CPACK_PACKAGE_DESCRIPTION
  "Toneloom edits and archives the sounds of the Roland JV-1080, JV-2080 and\n"
  "XP-50/60/80 synthesizers over MIDI System Exclusive: banks of patches,\n"
  "performances and rhythm sets, libraries, and editors for every parameter.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${TONELOOM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt and RtMidi libraries the programs link come from dpkg-shlibdeps; Qt's platform
# plugins are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "jackd2 | alsa-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
