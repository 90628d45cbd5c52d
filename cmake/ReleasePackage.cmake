# Packing the release: the 64-bit build builds the 32-bit release beside it, from the same sources
# with the i686 toolchain, and CPack packs each word size's staged files into its own zip,
# SG731Updater-<version>-win64.zip and -win32.zip, with no folder inside.
include(ExternalProject)

set(sg731_win32_dir "${CMAKE_BINARY_DIR}/win32")
set(sg731_forwarded "")
foreach(name SG731_FIRMWARE_DIR SG731_LEGAL_COPYRIGHT SG731_SIGN_CERT SG731_SIGN_KEY
             CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER)
  if(DEFINED ${name})
    list(APPEND sg731_forwarded "-D${name}:STRING=${${name}}")
  endif()
endforeach()
# With Makefiles the 32-bit build shares the outer make's job slots.
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(sg731_win32_build "$(MAKE)" sg731_release_stage)
else()
  set(sg731_win32_build "${CMAKE_COMMAND}" --build <BINARY_DIR> --target sg731_release_stage)
endif()
ExternalProject_Add(sg731_release_win32
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${sg731_win32_dir}"
  PREFIX "${CMAKE_BINARY_DIR}/win32-steps"
  CMAKE_ARGS "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DSG731_BUILD_TESTS=OFF -DSG731_RELEASE=ON
             ${sg731_forwarded}
  BUILD_COMMAND ${sg731_win32_build}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)

add_custom_target(sg731_release DEPENDS sg731_release_stage sg731_release_win32)

foreach(arch win64 win32)
  set(stage "${SG731_RELEASE_STAGE_DIR}")
  if(arch STREQUAL "win32")
    set(stage "${sg731_win32_dir}/stage")
  endif()
  set(files "${SG731_RELEASE_FILES}")
  list(TRANSFORM files PREPEND "${stage}/")
  install(FILES ${files} DESTINATION . COMPONENT ${arch})
endforeach()

# CPack installs before packing; the release target builds what it installs, so the install need
# not build everything else (tests, simulator, benchmark) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME SG731Updater)
set(CPACK_PACKAGE_VENDOR VORK)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "SG731Updater-${PROJECT_VERSION}")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL win64 win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_SG731_EPOCH "${SG731_SOURCE_DATE_EPOCH}")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/ReleaseFileTimes.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/ReleaseZips.cmake")
include(CPack)
