# Installing and packaging: `cmake --install build --prefix P` gives
#   P/lib/vn-s7-config/VN_S7_Config_DRV       the program
#   P/lib/vn-s7-config/locale/...             its catalogues, beside it
#   P/bin/VN_S7_Config_DRV                    a relative link to the program
#   P/share/man/man1/VN_S7_Config_DRV.1.gz    the manual page
# and `cpack -G DEB` in the build folder the Debian package vn-s7-config.

# The link is made in the build folder and installed as a link, so that it
# points into the same prefix wherever that is (DESTDIR, cpack's staging).
set(vn_link_dir ${CMAKE_BINARY_DIR}/install-link)
file(MAKE_DIRECTORY ${vn_link_dir})
file(CREATE_LINK ../${VN_INSTALL_PROGRAM_DIR}/VN_S7_Config_DRV
     ${vn_link_dir}/VN_S7_Config_DRV SYMBOLIC)
install(FILES ${vn_link_dir}/VN_S7_Config_DRV DESTINATION bin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vn-s7-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "VN_S7_Config_DRV developers <vn-s7-config@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_PACKAGE_DESCRIPTION "VN_S7_Config_DRV finds the S7 driver among the driver libraries
in drv/ below the folder it is started in, shows its connection settings
(MPI, PPI, ISO over TCP, S7ONLINE) in a dialog, tests them against the PLC
(reachable bus partners, order code) and writes them back into the driver's
.CFG file. With options it works without a display, for scripts.")
# Dependencies from the program's shared libraries (dpkg-shlibdeps); the
# toolkit's own German texts only when the user wants them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
