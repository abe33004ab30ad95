# zorna_install_gzipped(FILE DESTINATION): installs FILE (relative to the current source folder)
# as FILE.gz, compressed as Debian wants it: gzip -9 without a name or time stamp inside, so every
# build gives the same bytes.
function(zorna_install_gzipped file destination)
    get_filename_component(source ${file} ABSOLUTE)
    get_filename_component(name ${file} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND gzip -n -9 -f ${copy}
        DEPENDS ${source} VERBATIM)
    string(MAKE_C_IDENTIFIER "gzip_${name}" target)
    add_custom_target(${target} ALL DEPENDS ${copy}.gz)
    install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
