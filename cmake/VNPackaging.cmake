# Installing and packaging: `cmake --install build --prefix P` gives
#   P/lib/vn-s7-config/VN_S7_Config_DRV       the program
#   P/lib/vn-s7-config/locale/...             its catalogues, beside it
#   P/bin/VN_S7_Config_DRV                    a relative link to the program
#   P/share/man/man1/VN_S7_Config_DRV.1.gz    the manual page
#   P/share/bash-completion/completions/VN_S7_Config_DRV   the bash completion
#   P/share/doc/vn-s7-config/copyright        the copyright file, and
#   P/share/doc/vn-s7-config/changelog.gz     the release history, in Debian's formats
# and `cpack -G DEB` in the build folder the Debian package vn-s7-config.

# The package's maintainer: the project's own address, also in the
# copyright file and the release history. A release built elsewhere
# can name its own.
set(VN_PACKAGE_MAINTAINER "VN_S7_Config_DRV developers <vn-s7-config@arbelon.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

# The link is made in the build folder and installed as a link, so that it
# points into the same prefix wherever that is (DESTDIR, cpack's staging).
set(vn_link_dir ${CMAKE_BINARY_DIR}/install-link)
file(MAKE_DIRECTORY ${vn_link_dir})
file(CREATE_LINK ../${VN_INSTALL_PROGRAM_DIR}/VN_S7_Config_DRV
     ${vn_link_dir}/VN_S7_Config_DRV SYMBOLIC)
install(FILES ${vn_link_dir}/VN_S7_Config_DRV DESTINATION bin)

# The release history names each version; its newest entry must be this one.
set(vn_doc_dir share/doc/vn-s7-config)
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog.in vn_changelog_head LIMIT_COUNT 1)
if(NOT vn_changelog_head MATCHES "^vn-s7-config \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog.in does not begin with version ${PROJECT_VERSION}: "
                      "${vn_changelog_head}")
endif()
set(vn_packaging_dir ${CMAKE_BINARY_DIR}/packaging)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${vn_packaging_dir}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${vn_packaging_dir}/changelog @ONLY)
add_custom_command(
  OUTPUT ${vn_packaging_dir}/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9 -n -f -k ${vn_packaging_dir}/changelog
  DEPENDS ${vn_packaging_dir}/changelog
  COMMENT "Compressing the release history")
add_custom_target(package_documents ALL DEPENDS ${vn_packaging_dir}/changelog.gz)
install(FILES ${vn_packaging_dir}/copyright ${vn_packaging_dir}/changelog.gz
        DESTINATION ${vn_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vn-s7-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${VN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Each line of the description is a line of the control file: one that
# began with a full stop would be read as a control statement.
set(CPACK_PACKAGE_DESCRIPTION "VN_S7_Config_DRV finds the S7 driver among the driver libraries
in drv/ below the folder it is started in, shows its connection settings
(MPI, PPI, ISO over TCP, S7ONLINE) in a dialog, tests them against the PLC
(reachable bus partners, order code) and writes them back into the driver's
configuration file. With options it works without a display, for scripts.")
# Dependencies from the program's shared libraries (dpkg-shlibdeps); the
# toolkit's own German texts only when the user wants them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
