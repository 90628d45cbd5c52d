# Embeds the three firmware images as constant data. An image that is not exactly 20,480 bytes stops
# the configure step: sending a wrong-sized image to a printer in program mode would leave it
# unusable, so the build refuses it rather than the program.
set(SG731_FIRMWARE_DIR "${CMAKE_SOURCE_DIR}/resources/firmware" CACHE PATH
    "Folder holding the firmware images new.bin, old.bin and tt.bin")
set(SG731_FIRMWARE_SIZE 20480)

function(sg731_embed_firmware out_cpp)
  set(body "")
  foreach(variant new old tt)
    set(image "${SG731_FIRMWARE_DIR}/${variant}.bin")
    if(NOT EXISTS "${image}")
      message(FATAL_ERROR "Firmware image ${image} is missing.")
    endif()
    file(SIZE "${image}" size)
    if(NOT size EQUAL SG731_FIRMWARE_SIZE)
      message(FATAL_ERROR "Firmware image ${image} is ${size} bytes; every image must be exactly "
                          "${SG731_FIRMWARE_SIZE} bytes.")
    endif()
    file(SHA256 "${image}" digest)
    message(STATUS "Firmware ${variant}.bin: SHA-256 ${digest}")
    set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${image}")
    file(READ "${image}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
    string(TOUPPER "${variant}" upper)
    string(APPEND body "const std::uint8_t k${upper}Image[kFirmwareSize] = {\n${bytes}};\n\n")
  endforeach()
  if(EXISTS "${SG731_FIRMWARE_DIR}/DEVELOPMENT")
    message(WARNING "Embedding the development firmware images from ${SG731_FIRMWARE_DIR}: they are "
                    "test patterns, not printer firmware. Pass -DSG731_FIRMWARE_DIR=<folder> to build "
                    "with real images.")
  endif()
  file(CONFIGURE OUTPUT "${out_cpp}" CONTENT
"// Generated at configure time from ${SG731_FIRMWARE_DIR}; do not edit.
#include \"device/FirmwareImages.h\"

namespace vork::firmware {

@body@
}  // namespace vork::firmware
" @ONLY)
endfunction()
