# Checks that a folder holds the three firmware images, each exactly 20,480 bytes; stops with a
# clear message otherwise. Included by the build and runnable alone for tests:
#   cmake -DSG731_FIRMWARE_DIR=<folder> -P cmake/CheckFirmware.cmake
set(SG731_FIRMWARE_SIZE 20480)
set(SG731_FIRMWARE_VARIANTS new old tt)

function(sg731_check_firmware dir)
  foreach(variant IN LISTS SG731_FIRMWARE_VARIANTS)
    set(image "${dir}/${variant}.bin")
    if(NOT EXISTS "${image}")
      message(FATAL_ERROR "Firmware image ${image} is missing.")
    endif()
    file(SIZE "${image}" size)
    if(NOT size EQUAL SG731_FIRMWARE_SIZE)
      message(FATAL_ERROR "Firmware image ${image} is ${size} bytes; every image must be exactly "
                          "${SG731_FIRMWARE_SIZE} bytes.")
    endif()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  sg731_check_firmware("${SG731_FIRMWARE_DIR}")
  message(STATUS "Firmware images in ${SG731_FIRMWARE_DIR} are complete.")
endif()
