# GDI+ is delay-loaded: it is not among the DLLs Windows always takes from the system folder, so a
# static import could be satisfied by a gdiplus.dll planted beside the program before the program's
# first line runs. Loaded on first use instead, it is found after the entry point has narrowed the
# DLL search to System32.
#
# The import library is made at configure time with dlltool from the list of functions the program
# uses (a missing one shows as an undefined reference at link time). On 32-bit Windows the GDI+
# functions are __stdcall, so the decorated names are read from the toolchain's own import library.
set(sg731_gdiplus_functions
  GdiplusStartup GdiplusShutdown GdipAlloc GdipFree
  GdipLoadImageFromStream GdipLoadImageFromStreamICM GdipCloneImage GdipDisposeImage
  GdipImageGetFrameDimensionsCount GdipImageGetFrameDimensionsList GdipImageGetFrameCount
  GdipImageSelectActiveFrame GdipGetPropertyItemSize GdipGetPropertyItem
  GdipGetImageWidth GdipGetImageHeight
  GdipCreateFromHDC GdipDeleteGraphics GdipDrawImageRectI GdipDrawImageI
  GdipSetInterpolationMode GdipSetPixelOffsetMode
  GdipCreateBitmapFromScan0 GdipGetImageGraphicsContext GdipGetImageFlags GdipDrawImageRectRectI
  GdipCreateImageAttributes GdipSetImageAttributesWrapMode GdipDisposeImageAttributes
  GdipBitmapLockBits GdipBitmapUnlockBits)

string(REGEX REPLACE "windres$" "dlltool" sg731_dlltool "${CMAKE_RC_COMPILER}")
string(REGEX REPLACE "windres$" "nm" sg731_nm "${CMAKE_RC_COMPILER}")
set(sg731_gdiplus_def "${CMAKE_CURRENT_BINARY_DIR}/gdiplus.def")
set(sg731_gdiplus_delaylib "${CMAKE_CURRENT_BINARY_DIR}/libgdiplus_delay.a")

set(def "LIBRARY gdiplus.dll\nEXPORTS\n")
set(dlltool_flags "")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_library(sg731_gdiplus_import gdiplus REQUIRED)
  execute_process(COMMAND "${sg731_nm}" -g "${sg731_gdiplus_import}" OUTPUT_VARIABLE symbols
                  COMMAND_ERROR_IS_FATAL ANY)
  foreach(fn IN LISTS sg731_gdiplus_functions)
    if(NOT symbols MATCHES " T _(${fn}@[0-9]+)\n")
      message(FATAL_ERROR "${fn} not found in ${sg731_gdiplus_import}")
    endif()
    string(APPEND def "  ${CMAKE_MATCH_1}\n")
  endforeach()
  set(dlltool_flags --kill-at)
else()
  foreach(fn IN LISTS sg731_gdiplus_functions)
    string(APPEND def "  ${fn}\n")
  endforeach()
endif()
file(WRITE "${sg731_gdiplus_def}" "${def}")
execute_process(COMMAND "${sg731_dlltool}" ${dlltool_flags} --input-def "${sg731_gdiplus_def}"
                        --output-delaylib "${sg731_gdiplus_delaylib}"
                COMMAND_ERROR_IS_FATAL ANY)

add_library(sg731_gdiplus STATIC IMPORTED GLOBAL)
set_target_properties(sg731_gdiplus PROPERTIES IMPORTED_LOCATION "${sg731_gdiplus_delaylib}")
