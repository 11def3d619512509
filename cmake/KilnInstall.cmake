# Installs the libraries, headers, programs, the CMake package (kiln::kiln)
# and the pkg-config file.
include(CMakePackageConfigHelpers)

get_property(kiln_layers GLOBAL PROPERTY KILN_LAYERS)
get_property(kiln_programs GLOBAL PROPERTY KILN_PROGRAMS)

install(TARGETS ${kiln_layers} kiln EXPORT KilnTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${kiln_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(KILN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kiln)
install(EXPORT KilnTargets NAMESPACE kiln:: DESTINATION ${KILN_CMAKE_DIR})
configure_package_config_file(cmake/KilnConfig.cmake.in
  ${CMAKE_BINARY_DIR}/KilnConfig.cmake INSTALL_DESTINATION ${KILN_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KilnConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KilnConfig.cmake ${CMAKE_BINARY_DIR}/KilnConfigVersion.cmake
        DESTINATION ${KILN_CMAKE_DIR})

# The libraries are static, so what they use is named in Libs and Requires,
# not in the private fields. Link order: higher layers first.
set(KILN_PC_LIBS "")
foreach(layer IN LISTS kiln_layers)
  set(KILN_PC_LIBS "-l${layer} ${KILN_PC_LIBS}")
endforeach()
get_property(KILN_PC_REQUIRES GLOBAL PROPERTY KILN_PC_REQUIRES)
get_property(KILN_PC_SYSTEM_LIBS GLOBAL PROPERTY KILN_PC_SYSTEM_LIBS)
get_property(KILN_PC_LINK_FLAGS GLOBAL PROPERTY KILN_PC_LINK_FLAGS)
string(REPLACE ";" " " KILN_PC_REQUIRES "${KILN_PC_REQUIRES}")
string(REPLACE ";" " " KILN_PC_SYSTEM_LIBS "${KILN_PC_SYSTEM_LIBS}")
string(REPLACE ";" " " KILN_PC_LINK_FLAGS "${KILN_PC_LINK_FLAGS}")
configure_file(cmake/kiln.pc.in ${CMAKE_BINARY_DIR}/kiln.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kiln.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
