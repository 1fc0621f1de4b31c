# The Debian package: `cpack -G DEB` in a build tree (scripts/package does it after a Release
# build). Its dependencies are read off the shared libraries the programs link; only what is
# loaded at run time without being linked has to be named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesmora)
set(CPACK_PACKAGE_VENDOR "the Tesmora authors")
set(CPACK_PACKAGE_CONTACT "The Tesmora authors <authors@tesmora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for 2D flow fields with evenly spaced streamlines")
# Short lines, as Debian's control files want them; every program with its manual page's summary.
set(tesmora_package_programs)
foreach(entry IN LISTS TESMORA_PROGRAM_SUMMARIES)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 summary)
  if(NOT program STREQUAL "tesmora")
    list(APPEND tesmora_package_programs " ${program}: ${summary}.")
  endif()
endforeach()
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tesmora shows two-dimensional flow fields on structured grids, measured"
  "(PIV) or computed (CFD): velocity, pressure or vorticity as a colour-coded"
  "background under evenly spaced streamlines or a hedgehog plot of arrows."
  "It opens .gri geometry files and column text, Tecplot ASCII and VTK files"
  "as other programs write them, and saves the picture as PNG, SVG or PDF."
  "The viewer's interface is in German. The command-line programs speak"
  "English, with manual pages and completion for bash, zsh and fish:"
  ${tesmora_package_programs})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt and by the OpenGL dispatch library, never linked: the window system plugin and
# Mesa's drivers, which draw in software where there is no graphics card; and the font the
# legend's letters are set in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri, fonts-dejavu-core, qt6-translations-l10n")
if(TESMORA_PYTHON_MODULE)
  # The module tesmora is built for one Python 3 version, and works on numpy's arrays.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", python3 (>= ${TESMORA_PYTHON_VERSION}~), python3 (<< ${TESMORA_PYTHON_VERSION}.99~), python3-numpy")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-matplotlib")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
