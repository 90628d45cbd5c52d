# The product's import table names only DLLs that Windows always loads from its system folder
# (its known DLLs); GDI+ is delay-loaded and so absent from the table. The language libraries
# import nothing and have no entry point.
cmake_minimum_required(VERSION 3.25)

# Run with -DOBJDUMP=<objdump> -DPROGRAM_DIR=<folder of SG731Updater.exe>.
set(allowed advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
            oleaut32.dll rpcrt4.dll setupapi.dll shell32.dll shlwapi.dll user32.dll)

function(imports_of file out)
  execute_process(COMMAND "${OBJDUMP}" -p "${file}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  set(result "")
  foreach(line IN LISTS names)
    string(REGEX REPLACE "DLL Name: *" "" name "${line}")
    string(TOLOWER "${name}" name)
    list(APPEND result "${name}")
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
  set(${out}_dump "${dump}" PARENT_SCOPE)
endfunction()

imports_of("${PROGRAM_DIR}/SG731Updater.exe" program)
if(NOT program)
  message(FATAL_ERROR "no import table read from SG731Updater.exe")
endif()
foreach(name IN LISTS program)
  if(NOT name IN_LIST allowed)
    message(FATAL_ERROR "SG731Updater.exe imports ${name}, which is not a known DLL")
  endif()
endforeach()
message(STATUS "SG731Updater.exe imports: ${program}")

# GDI+ is used, so its name must be in the file, loaded on first use.
file(STRINGS "${PROGRAM_DIR}/SG731Updater.exe" gdiplus REGEX "^gdiplus\\.dll$")
if(NOT gdiplus)
  message(FATAL_ERROR "SG731Updater.exe does not delay-load gdiplus.dll")
endif()

foreach(library SG731Updater7.dll SG731Updater12.dll)
  imports_of("${PROGRAM_DIR}/${library}" satellite)
  if(satellite)
    message(FATAL_ERROR "${library} imports ${satellite}")
  endif()
  if(NOT satellite_dump MATCHES "AddressOfEntryPoint[ \t]+0+\n")
    message(FATAL_ERROR "${library} has an entry point")
  endif()
endforeach()
