# Run by CPack after it has written the zips: their entry headers lose what depends on the machine
# and the moment that packed them (cmake/normalize_zip.py), and each zip's .sha256 is written again
# for the bytes it now holds.
find_program(SG731_PYTHON NAMES python3 REQUIRED)
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${SG731_PYTHON}" "${CMAKE_CURRENT_LIST_DIR}/normalize_zip.py" "${zip}"
                  RESULT_VARIABLE normalized)
  if(NOT normalized EQUAL 0)
    message(FATAL_ERROR "Could not normalize the headers of ${zip}.")
  endif()
  if(EXISTS "${zip}.sha256")
    file(SHA256 "${zip}" digest)
    get_filename_component(name "${zip}" NAME)
    file(WRITE "${zip}.sha256" "${digest}  ${name}\n")
  endif()
endforeach()
