# Installs the libraries, headers, programs, the CMake package (kiln::kiln,
# the shared library, and the static layers kiln::core ... kiln::scene) and
# the pkg-config files (kiln: shared, kiln-static: the layers' archives), in
# three components: runtime (the shared library), dev and tools.
include(CMakePackageConfigHelpers)

get_property(kiln_layers GLOBAL PROPERTY KILN_LAYERS)
get_property(kiln_programs GLOBAL PROPERTY KILN_PROGRAMS)

install(TARGETS kiln EXPORT KilnTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${kiln_layers} EXPORT KilnTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(TARGETS ${kiln_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)

set(KILN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kiln)
install(EXPORT KilnTargets NAMESPACE kiln:: DESTINATION ${KILN_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/KilnConfig.cmake.in
  ${CMAKE_BINARY_DIR}/KilnConfig.cmake INSTALL_DESTINATION ${KILN_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KilnConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KilnConfig.cmake ${CMAKE_BINARY_DIR}/KilnConfigVersion.cmake
        DESTINATION ${KILN_CMAKE_DIR} COMPONENT dev)

# The pkg-config files find the prefix from their own place, so that an
# installed tree can move.
set(KILN_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH KILN_PC_PREFIX /${KILN_PC_DIR} /)
string(REGEX REPLACE "/$" "" KILN_PC_PREFIX "${KILN_PC_PREFIX}")

# The archives name what they use in Libs, as static libraries must. Link
# order: higher layers first.
set(KILN_PC_LIBS "")
foreach(layer IN LISTS kiln_layers)
  set(KILN_PC_LIBS "-l${layer} ${KILN_PC_LIBS}")
endforeach()
get_property(KILN_PC_SYSTEM_LIBS GLOBAL PROPERTY KILN_PC_SYSTEM_LIBS)
get_property(KILN_PC_LINK_FLAGS GLOBAL PROPERTY KILN_PC_LINK_FLAGS)
string(REPLACE ";" " " KILN_PC_SYSTEM_LIBS "${KILN_PC_SYSTEM_LIBS}")
string(REPLACE ";" " " KILN_PC_LINK_FLAGS "${KILN_PC_LINK_FLAGS}")
foreach(module kiln kiln-static)
  configure_file(cmake/${module}.pc.in ${CMAKE_BINARY_DIR}/${module}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${module}.pc DESTINATION ${KILN_PC_DIR} COMPONENT dev)
endforeach()
