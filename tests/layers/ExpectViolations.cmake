cmake_policy(VERSION 3.25)
# Runs the layer check on a planted tree and passes only when it fails with exactly the expected
# offending lines: the upward include, the product's include of sim/, and sim/'s include of usb/.
execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_ROOT=${SOURCE_ROOT}
                        -P "${CMAKE_CURRENT_LIST_DIR}/../../cmake/CheckLayers.cmake"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${err}")
set(expected
  "usb/Walk.cpp:3: includes device/SG731DeviceBase.h \\(device/ is a higher layer than usb/\\)"
  "device/Channel.cpp:3: includes sim/SimMachine.h \\(product code never includes the simulated machine\\)"
  "sim/Model.cpp:3: includes usb/UsbRecords.h \\(the simulated machine sees only the platform\\)")
if(status EQUAL 0)
  message(FATAL_ERROR "The layer check passed a tree with planted upward includes.")
endif()
foreach(line IN LISTS expected)
  if(NOT err MATCHES "${line}")
    message(FATAL_ERROR "The layer check did not report: ${line}")
  endif()
endforeach()
string(REGEX MATCHALL "\n[^\n]*: includes " reported "\n${err}")
list(LENGTH reported count)
if(NOT count EQUAL EXPECTED)
  message(FATAL_ERROR "The layer check reported ${count} lines, expected ${EXPECTED}.")
endif()
