# Language libraries: resource-only DLLs that hold nothing but a string table. They are linked
# without the C runtime and without an entry point, and the program maps them as data, so no code
# of theirs could run even if someone put some there.
function(sg731_add_language_library target rc_file output_name output_dir)
  add_library(${target} SHARED "${rc_file}")
  target_link_libraries(${target} PRIVATE sg731_options sg731_resource_ids)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME "${output_name}"
    LINKER_LANGUAGE C
    RUNTIME_OUTPUT_DIRECTORY "${output_dir}")
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp)
endfunction()
