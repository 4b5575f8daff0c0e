# What `cmake --install` puts under the prefix on Linux, and the Debian
# package cpack makes of it:
#
#   bin/idxfilter                                the command-line tool
#   lib/libidxfilter.so.2.2.0, .so.2, .so        the library, SONAME and link
#   include/idxfilter.h                          its one public header
#   lib/pkgconfig/idxfilter.pc                   for pkg-config
#   lib/cmake/idxfilter/                         find_package(idxfilter):
#                                                  idxfilter::idxfilter
#   share/man/man1/idxfilter.1                   the manual page
#   share/bash-completion/completions/idxfilter  bash completion
#
# The static core library is the build's own: it is linked into the tool and
# the library and is neither installed nor exported.
include(CMakePackageConfigHelpers)

set(IDXFILTER_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/idxfilter)

install(TARGETS idxfilter_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The library links the core privately, so the exported target carries no
# trace of it: consumers get the library and the header folder only.
install(TARGETS idxfilter EXPORT idxfilterTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/idxfilter.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT idxfilterTargets NAMESPACE idxfilter::
  DESTINATION ${IDXFILTER_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/idxfilterConfig.cmake.in
  ${CMAKE_BINARY_DIR}/generated/idxfilterConfig.cmake
  INSTALL_DESTINATION ${IDXFILTER_CMAKE_PACKAGE_DIR})
# A newer 2.x serves a project that asked for an older one; 3.0 would not.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/idxfilterConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/generated/idxfilterConfig.cmake
  ${CMAKE_BINARY_DIR}/generated/idxfilterConfigVersion.cmake
  DESTINATION ${IDXFILTER_CMAKE_PACKAGE_DIR})

# The .pc file finds its prefix from its own place (${pcfiledir}), as the
# CMake configuration does, so that an installed tree can be moved and
# `cmake --install --prefix` needs no reconfiguring.
file(RELATIVE_PATH IDXFILTER_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" IDXFILTER_PC_TO_PREFIX "${IDXFILTER_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/idxfilter.pc.in
  ${CMAKE_BINARY_DIR}/generated/idxfilter.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/idxfilter.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES ${CMAKE_SOURCE_DIR}/doc/idxfilter.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/completion/idxfilter.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME idxfilter)

# cpack -G DEB (needs dpkg-dev for dpkg-shlibdeps): the package installs
# under /usr; its dependencies are those of the library and the tool.
set(CPACK_PACKAGE_NAME idxfilter)
set(CPACK_PACKAGE_VENDOR "idxfilter developers")
set(CPACK_PACKAGE_CONTACT "idxfilter developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "document filter for text indexers: RTF and plain text to UTF-16, with an index tool")
set(CPACK_PACKAGE_DESCRIPTION
  "A library with one C function, idx_filter, that reads a document (RTF or plain text in
UTF-8, UTF-16 or an ANSI code page) and hands its plain text to a callback as UTF-16,
and the idxfilter tool: the filter on files, an SQLite full-text index of folders,
and search in it.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Debian packages ship stripped programs and libraries.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "idxfilter developers")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file lets other packages depend on libidxfilter.so.2; cpack
# adds the ldconfig calls for a library under /usr/lib itself.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
include(CPack)
