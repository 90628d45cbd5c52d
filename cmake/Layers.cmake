# The layers of the product, lowest first: app -> ui -> device -> usb -> platform. Each folder's
# library exposes only its own headers, as "<folder>/Header.h", through a folder of the build tree
# that holds nothing but a link to the source folder. A library reaches another folder's headers only
# by linking that folder's library, and links only the layers below it, so an include that points up
# does not compile. The simulated machine links the platform alone; the simulator build, the
# benchmark and the tests stand above everything and see the whole tree.
function(sg731_expose_headers target folder)
  set(root "${CMAKE_BINARY_DIR}/headers/${folder}")
  if(NOT IS_SYMLINK "${root}/${folder}")
    file(MAKE_DIRECTORY "${root}")
    file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "${root}")
endfunction()

# For what stands above all layers: the simulator build, the benchmark and the tests.
add_library(sg731_above_all INTERFACE)
target_include_directories(sg731_above_all INTERFACE "${CMAKE_SOURCE_DIR}")

# The checker of every #include against the layer order, runnable alone:
#   cmake -DSOURCE_ROOT=<tree> -P cmake/CheckLayers.cmake
set(SG731_CHECK_LAYERS "${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake")
