# The release of one word size: the program and its language libraries, optionally signed, with the
# user's note and their checksums, staged in <build>/stage by the target sg731_release_stage. The
# 64-bit build also builds the 32-bit one beside it (<build>/win32) and packs both with CPack, one
# zip each (cmake/ReleasePackage.cmake).
set(SG731_SIGN_CERT "$ENV{SG731_SIGN_CERT}" CACHE FILEPATH
    "PEM certificate (chain) to sign the release with; empty: the release is not signed")
set(SG731_SIGN_KEY "$ENV{SG731_SIGN_KEY}" CACHE FILEPATH "PEM private key of SG731_SIGN_CERT")

# Every time in a release is the commit's: SOURCE_DATE_EPOCH when the caller sets it, else the time
# of the commit checked out.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(SG731_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                  OUTPUT_VARIABLE SG731_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0)
    message(FATAL_ERROR "A release takes its time stamps from the commit: build it from a git "
                        "checkout or set SOURCE_DATE_EPOCH.")
  endif()
endif()
if(NOT SG731_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR SG731_SOURCE_DATE_EPOCH LESS 315532800)
  message(FATAL_ERROR "SOURCE_DATE_EPOCH '${SG731_SOURCE_DATE_EPOCH}' is not a time after 1980.")
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SG731_RELEASE_ARCH win64)
  set(SG731_RELEASE_WORDS 64-bit)
else()
  set(SG731_RELEASE_ARCH win32)
  set(SG731_RELEASE_WORDS 32-bit)
endif()

# The note names the firmware the program carries, so a user can tell a development build.
foreach(variant IN LISTS SG731_FIRMWARE_VARIANTS)
  string(TOUPPER "${variant}" upper)
  file(SHA256 "${SG731_FIRMWARE_DIR}/${variant}.bin" SG731_FIRMWARE_${upper}_SHA256)
endforeach()
set(SG731_FIRMWARE_WARNING "")
if(EXISTS "${SG731_FIRMWARE_DIR}/DEVELOPMENT")
  set(SG731_FIRMWARE_WARNING "
WARNING: these images are development test patterns, not printer firmware. This build is for
testing only. Do not use it to update a printer: the printer would not work afterwards.
")
endif()
set(SG731_RELEASE_SIGNED_NOTE "")
if(SG731_SIGN_CERT AND SG731_SIGN_KEY)
  set(SG731_RELEASE_SIGNED_NOTE "
The program and its libraries are signed (Authenticode): Windows shows the signer under
Properties, Digital Signatures.
")
endif()
set(sg731_note "${CMAKE_BINARY_DIR}/release-note/README.txt")
configure_file("${CMAKE_SOURCE_DIR}/packaging/README.txt.in" "${sg731_note}" @ONLY
               NEWLINE_STYLE CRLF)

# Staging runs again when the commit's time or the signing settings change, not only the files.
set(sg731_stage_settings "${CMAKE_BINARY_DIR}/release-note/settings")
file(CONFIGURE OUTPUT "${sg731_stage_settings}" CONTENT
     "epoch=${SG731_SOURCE_DATE_EPOCH}\ncert=${SG731_SIGN_CERT}\nkey=${SG731_SIGN_KEY}\n")

set(SG731_RELEASE_STAGE_DIR "${CMAKE_BINARY_DIR}/stage")
set(sg731_library_files "")
foreach(target IN LISTS SG731_LANGUAGE_TARGETS)
  list(APPEND sg731_library_files "$<TARGET_FILE:${target}>")
endforeach()
string(REPLACE ";" "," sg731_library_arg "${sg731_library_files}")
set(SG731_RELEASE_FILES SG731Updater.exe ${SG731_LANGUAGE_FILES} README.txt SHA256SUMS)
set(sg731_sign_inputs "")
foreach(input IN ITEMS "${SG731_SIGN_CERT}" "${SG731_SIGN_KEY}")
  if(EXISTS "${input}")
    list(APPEND sg731_sign_inputs "${input}")
  endif()
endforeach()
# One stamp is the command's output: Make would touch any further outputs after the command and
# undo the commit's time on them.
set(sg731_stage_stamp "${CMAKE_BINARY_DIR}/release-note/staged")
add_custom_command(
  OUTPUT "${sg731_stage_stamp}"
  COMMAND "${CMAKE_COMMAND}" "-DSTAGE_DIR=${SG731_RELEASE_STAGE_DIR}"
          "-DPROGRAM=$<TARGET_FILE:SG731Updater>"
          "-DLIBRARIES=${sg731_library_arg}"
          "-DNOTE=${sg731_note}" "-DEPOCH=${SG731_SOURCE_DATE_EPOCH}"
          "-DSIGN_SCRIPT=${CMAKE_SOURCE_DIR}/scripts/sign" "-DSIGN_CERT=${SG731_SIGN_CERT}"
          "-DSIGN_KEY=${SG731_SIGN_KEY}" "-DSTAMP=${sg731_stage_stamp}"
          -P "${CMAKE_CURRENT_LIST_DIR}/StageRelease.cmake"
  DEPENDS SG731Updater ${SG731_LANGUAGE_TARGETS} "${sg731_note}"
          "${sg731_stage_settings}" "${CMAKE_CURRENT_LIST_DIR}/StageRelease.cmake"
          "${CMAKE_SOURCE_DIR}/scripts/sign"
          ${sg731_sign_inputs}
  COMMENT "Staging the ${SG731_RELEASE_WORDS} release"
  VERBATIM)
add_custom_target(sg731_release_stage ALL DEPENDS "${sg731_stage_stamp}")

if(SG731_RELEASE_ARCH STREQUAL "win64")
  include("${CMAKE_CURRENT_LIST_DIR}/ReleasePackage.cmake")
endif()
