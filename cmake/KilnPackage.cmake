# Debian packages through CPack (make package): libkiln<major> (the shared
# library), libkiln-dev (headers, static archives, the .so link, the CMake
# and pkg-config files) and kiln-tools (the programs). Dependencies come
# from what the binaries link (dpkg-shlibdeps), plus the -dev packages the
# headers and archives need.
set(KILN_RUNTIME_PACKAGE libkiln${PROJECT_VERSION_MAJOR})
set(KILN_PACKAGE_CONTACT "The Kiln developers <kiln-dev@example.org>")

# Each package's own copyright and changelog, as Debian asks.
execute_process(COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set(kiln_components runtime dev tools)
set(kiln_packages ${KILN_RUNTIME_PACKAGE} libkiln-dev kiln-tools)
foreach(component package IN ZIP_LISTS kiln_components kiln_packages)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiln)
set(CPACK_PACKAGE_VENDOR "The Kiln developers")
set(CPACK_PACKAGE_CONTACT ${KILN_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${kiln_components})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KILN_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Offscreen contexts open libEGL at run time, so no link names it.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libegl1")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0")
# The dynamic linker's cache is brought up to date by dpkg's trigger.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
"application library for graphical programs on X11 and OpenGL
Kiln is a library for graphical programs on X11 and OpenGL 1.x: core
services, configuration trees, files and archives, images, windows and an
event loop, a 3D scene library and sockets.

This package holds the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkiln-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
# What the headers include, what the archives link, and what the CMake
# package's find_dependency calls look for (FindX11 wants Xext with Xxf86vm).
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libx11-dev, libxext-dev, libgl-dev, libglu1-mesa-dev, libxxf86vm-dev, libjpeg62-turbo-dev | libjpeg-dev, libenet-dev, pkg-config")
set(CPACK_COMPONENT_DEV_DESCRIPTION
"development files of the Kiln library
Kiln is a library for graphical programs on X11 and OpenGL 1.x.

This package holds the headers, the static archives of the library's
layers, and the CMake (find_package(Kiln)) and pkg-config (kiln,
kiln-static) files.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kiln-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libegl1")
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
"command-line programs for the Kiln library's files
tindle lowers the case of file names in a tree; kiln-ar, kiln-image,
kiln-info, kiln-model, kiln-view, kiln-tape and kiln-font make, read,
convert and show the archives, images, configuration trees, models, tapes
and texture fonts of the Kiln library.")

include(CPack)
