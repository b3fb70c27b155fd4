# The Debian package: cpack -G DEB in the build folder gives tarnex_VERSION_ARCH.deb with both
# programs, the icon, the desktop entry, a man page for each program, the copyright file and the
# changelog. Debian wants man pages and changelogs compressed with gzip -9n.
include(GNUInstallDirs)
set(docDir ${CMAKE_INSTALL_DATADIR}/doc/tarnex)
set(packagingDir ${CMAKE_CURRENT_LIST_DIR})

find_program(GZIP gzip REQUIRED)
set(compressed "")
foreach(source tarnex.1 tarnex-cli.1 changelog)
  set(target ${CMAKE_CURRENT_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND ${GZIP} -9nc ${packagingDir}/${source} > ${target}
    DEPENDS ${packagingDir}/${source} VERBATIM)
  list(APPEND compressed ${target})
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/tarnex-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARNEX_BUILD_UI)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/tarnex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${docDir})
install(FILES ${packagingDir}/copyright DESTINATION ${docDir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tarnex Model Converter developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert 3D Studio .3DS scenes into Unreal vertex meshes")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarnex Model Converter turns 3D Studio .3DS scenes into the Unreal engine's
vertex mesh: a data file (the triangle list) and an animation file (every
vertex of every frame packed into one 32-bit word). It brings every vertex
into the engine's cube by uniform scale, per-axis scale or clipping, takes
frames per object or per keyframe, can append frames to an existing
animation file and writes the editor's import script.

The package holds the desktop window (tarnex) and the command line
(tarnex-cli), which also reads a converted pair back and draws its frames.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tarnex Model Converter developers <tarnex@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES /build)
include(CPack)
