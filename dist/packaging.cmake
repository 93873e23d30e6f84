# `make package` (cpack -G DEB): the Debian package of the installed files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hollin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Hollin developers")
set(CPACK_PACKAGE_CONTACT "Hollin maintainers <maintainers@users.noreply.c-seed-93086bfe.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "family events database with its larch shell")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/debian/description)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HOLLIN_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SVG icon engine is loaded as a Qt plugin, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Debian's own files, added to the staged tree: the copyright file, the
# changelog and the manual pages compressed as the policy asks.
set(CPACK_HOLLIN_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/stage.cmake)
include(CPack)
