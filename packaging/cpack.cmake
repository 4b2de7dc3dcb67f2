# `cpack -G DEB` in the build folder makes tidemark_<version>_<arch>.deb:
# the product folder under /opt/Tidemark, the desktop entry, icons and
# metainfo under /usr/share, tidemark-cli in /usr/bin.
set(CPACK_PACKAGE_NAME tidemark)
set(CPACK_PACKAGE_VENDOR Quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Duplicate file finder")
set(CPACK_PACKAGE_DESCRIPTION
    "Tidemark finds files with identical contents in the folders and drives\n\
you pick, groups them into sets, and moves the copies you mark to the\n\
Trash. It also ships tidemark-cli, a command-line scanner.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tidemark.invalid/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR under the real prefix, so the product folder's rule
# picks /opt/Tidemark as it does for a system install.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillon <support@tidemark.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries' packages come from dpkg-shlibdeps (dpkg-dev); what Qt
# loads as plugins at run time (the X11 and Wayland platforms) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gvfs")

# A package manager owns the installed files: the marker tells the
# program that updates come from it, not from the built-in updater. Only
# the package gets it; `cmake --install` and the release zip do not.
set(TIDEMARK_PACKAGE_MANAGED_NOTE "your package manager")
if(TIDEMARK_PRODUCT_DIR STREQUAL "")
    set(TIDEMARK_PACKAGED_PRODUCT /opt/Tidemark)
elseif(IS_ABSOLUTE "${TIDEMARK_PRODUCT_DIR}")
    set(TIDEMARK_PACKAGED_PRODUCT "${TIDEMARK_PRODUCT_DIR}")
else()
    set(TIDEMARK_PACKAGED_PRODUCT "${CPACK_PACKAGING_INSTALL_PREFIX}/${TIDEMARK_PRODUCT_DIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/package-managed.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/package-managed.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_BINARY_DIR}/package-managed.cmake)

include(CPack)
