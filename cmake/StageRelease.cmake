# Gathers one word size's release files in a fresh folder, at build time:
#   cmake -DSTAGE_DIR=<folder> -DPROGRAM=<exe> -DLIBRARIES=<dll>,<dll> -DNOTE=<README.txt>
#         -DEPOCH=<seconds> -DSTAMP=<file>
#         [-DSIGN_SCRIPT=<scripts/sign> -DSIGN_CERT=<pem> -DSIGN_KEY=<pem>]
#         -P StageRelease.cmake
# The program and the libraries are signed when a certificate and a key are given, before their
# checksums are taken, so SHA256SUMS describes the files as they ship. Every file gets the commit's
# time, so the archive made from the folder does not depend on when it was built.
foreach(required STAGE_DIR PROGRAM LIBRARIES NOTE EPOCH STAMP)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "StageRelease.cmake needs -D${required}=...")
  endif()
endforeach()
string(REPLACE "," ";" LIBRARIES "${LIBRARIES}")

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
set(binaries "")
foreach(source IN LISTS PROGRAM LIBRARIES)
  get_filename_component(name "${source}" NAME)
  file(COPY_FILE "${source}" "${STAGE_DIR}/${name}")
  list(APPEND binaries "${STAGE_DIR}/${name}")
endforeach()

if(NOT "${SIGN_CERT}" STREQUAL "" OR NOT "${SIGN_KEY}" STREQUAL "")
  if("${SIGN_CERT}" STREQUAL "" OR "${SIGN_KEY}" STREQUAL "")
    message(FATAL_ERROR "Signing needs both a certificate and a key "
                        "(SG731_SIGN_CERT, SG731_SIGN_KEY).")
  endif()
  execute_process(COMMAND "${SIGN_SCRIPT}" "${SIGN_CERT}" "${SIGN_KEY}" "${EPOCH}" ${binaries}
                  RESULT_VARIABLE signed)
  if(NOT signed EQUAL 0)
    file(REMOVE_RECURSE "${STAGE_DIR}")
    message(FATAL_ERROR "Signing the release failed.")
  endif()
endif()

file(COPY_FILE "${NOTE}" "${STAGE_DIR}/README.txt")
set(sums "")
foreach(file IN LISTS binaries ITEMS "${STAGE_DIR}/README.txt")
  get_filename_component(name "${file}" NAME)
  file(SHA256 "${file}" digest)
  string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE "${STAGE_DIR}/SHA256SUMS" "${sums}")

file(GLOB staged "${STAGE_DIR}/*")
execute_process(COMMAND touch -m -d "@${EPOCH}" ${staged} RESULT_VARIABLE touched)
if(NOT touched EQUAL 0)
  message(FATAL_ERROR "Could not set the release files' time to ${EPOCH}.")
endif()
file(TOUCH "${STAMP}")
