# Flags of a release build: the same commit gives the same bytes from any folder at any time.
# Paths of the source and build folders are mapped away from everything the compiler writes, the
# linker leaves its time stamp out of the PE header, and the files are stripped of symbols and
# debug sections. The build folder is mapped after the source folder because it usually lies
# inside it, and the last matching map wins.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/>")
add_link_options(-s -Wl,--no-insert-timestamp)
# Code and data that nothing reaches are left out of what ships: each function and object in a
# section of its own, and the linker drops the sections no kept one refers to.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections;-fdata-sections>")
add_link_options(-Wl,--gc-sections)

# The release is optimised as the tested build is (-O2, as RelWithDebInfo), not with CMake's -O3:
# what ships is what the suite ran, and GCC 12 at -O3 raises false overread warnings in the
# standard library's vector comparison for i686.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
