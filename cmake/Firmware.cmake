# Embeds the three firmware images as constant data. An image that is not exactly 20,480 bytes stops
# the configure step: sending a wrong-sized image to a printer in program mode would leave it
# unusable, so the build refuses it rather than the program.
set(SG731_FIRMWARE_DIR "${CMAKE_SOURCE_DIR}/resources/firmware" CACHE PATH
    "Folder holding the firmware images new.bin, old.bin and tt.bin")
include("${CMAKE_CURRENT_LIST_DIR}/CheckFirmware.cmake")

function(sg731_embed_firmware out_cpp)
  sg731_check_firmware("${SG731_FIRMWARE_DIR}")
  set(body "")
  foreach(variant IN LISTS SG731_FIRMWARE_VARIANTS)
    set(image "${SG731_FIRMWARE_DIR}/${variant}.bin")
    file(SHA256 "${image}" digest)
    message(STATUS "Firmware ${variant}.bin: SHA-256 ${digest}")
    set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${image}")
    file(READ "${image}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
    set(symbol_new kNewImage)
    set(symbol_old kOldImage)
    set(symbol_tt kTTImage)
    string(APPEND body "const std::uint8_t ${symbol_${variant}}[kFirmwareSize] = {\n${bytes}};\n\n")
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
