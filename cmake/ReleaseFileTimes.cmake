# Run by CPack after it has installed a zip's files and before it packs them: every file gets the
# commit's time, whatever touched it on the way, so the archive's entries do not depend on when the
# release was built. CPACK_SG731_EPOCH comes from the configure step.
file(GLOB_RECURSE sg731_packed LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
if(sg731_packed)
  execute_process(COMMAND touch -m -d "@${CPACK_SG731_EPOCH}" ${sg731_packed}
                  RESULT_VARIABLE touched)
  if(NOT touched EQUAL 0)
    message(FATAL_ERROR "Could not set the packed files' time to ${CPACK_SG731_EPOCH}.")
  endif()
endif()
