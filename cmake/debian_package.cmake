# `cpack -G DEB` in the build folder packs everything `cmake --install` puts in place, under /usr.
set(CPACK_PACKAGE_NAME tavi-convertor)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts points of interest from GEP, CSV and TXT files into TAVI POI files")
set(CPACK_PACKAGE_DESCRIPTION
    "The command line tavi converts files and folders and shows what a TAVI file holds; the \
desktop window tavi-convertor converts the files listed in it, picked or dropped on it.")
set(TAVI_PACKAGE_MAINTAINER "TAVI Convertor developers <tavi-convertor@example.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVI_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# The window needs Qt's platform plugins, which Qt's own libraries only recommend. The libraries
# the programs link come from dpkg-shlibdeps when dpkg-dev is there, from this list otherwise.
find_program(TAVI_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TAVI_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libgcc-s1, libstdc++6, libqt6core6, libqt6gui6, libqt6widgets6, qt6-qpa-plugins")
endif()

set(CPACK_GENERATOR DEB)
include(CPack)
