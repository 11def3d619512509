# Compiler settings shared by every target of the project.

add_library(kiln_warnings INTERFACE)
target_compile_options(kiln_warnings INTERFACE -Wall -Wextra -Werror)

if(KILN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(KILN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds one library layer: lib/<layer>/src/*.cpp with public headers in
# lib/<layer>/include/kiln. A layer sees only its own headers and those of
# the layers it links, so a lower layer cannot reach a higher one.
function(kiln_add_layer layer)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_LIBS" ${ARGN})
  set(target kiln_${layer})
  add_library(${target} STATIC ${ARG_SOURCES})
  add_library(kiln::${layer} ALIAS ${target})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME kiln_${layer} EXPORT_NAME ${layer})
  target_include_directories(${target}
    PUBLIC  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
            $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} PRIVATE $<BUILD_INTERFACE:kiln_warnings> ${ARG_PRIVATE_LIBS})
  # What the shared library links besides the layers themselves.
  list(FILTER ARG_DEPENDS EXCLUDE REGEX "^kiln::")
  foreach(library IN LISTS ARG_DEPENDS ARG_PRIVATE_LIBS)
    if(TARGET ${library})
      set_target_properties(${library} PROPERTIES IMPORTED_GLOBAL TRUE)
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY KILN_LAYER_LIBS ${ARG_DEPENDS} ${ARG_PRIVATE_LIBS})
  install(DIRECTORY include/kiln DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
  set_property(GLOBAL APPEND PROPERTY KILN_LAYERS ${target})
endfunction()
