# Compiles the user guide into Help.chm on Windows, where the Help command opens it, when a CHM
# compiler is at hand. Sets zv_help_source, zv_help_pages and zv_help_images (the HTML guide) and
# ZV_HELP_CHM (empty when no Help.chm is made) for the packaging that includes it.
set(zv_help_source ${CMAKE_SOURCE_DIR}/doc/help)
set(zv_help_pages ${zv_help_source}/index.html ${zv_help_source}/style.css)
file(GLOB zv_help_images CONFIGURE_DEPENDS ${zv_help_source}/images/*.png)

# --- Compiled help (Windows) ------------------------------------------------------------------
# On Windows the Help command opens "Help.chm" beside the program; it is built from the same pages
# as the HTML guide. Elsewhere the Help command shows the HTML guide.
set(ZV_HELP_CHM "")
if(WIN32)
    option(ZV_BUILD_CHM "Compile the user guide into Help.chm when a CHM compiler is found" ON)
    find_program(ZV_CHM_COMPILER NAMES hhc chmcmd DOC "CHM compiler (hhc or chmcmd)")
endif()
if(WIN32 AND ZV_BUILD_CHM AND ZV_CHM_COMPILER)
    set(zv_help_work ${CMAKE_BINARY_DIR}/help)
    set(ZV_HELP_CHM ${zv_help_work}/Help.chm)
    set(zv_help_copy_beside)
    if(TARGET zvticket)
        # Beside the program in the build tree too, so that Help works without installing.
        set(zv_help_copy_beside COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZV_HELP_CHM}
                                        $<TARGET_FILE_DIR:zvticket>/Help.chm)
    endif()
    add_custom_command(
        OUTPUT ${ZV_HELP_CHM}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${zv_help_work}
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${zv_help_source} ${zv_help_work}
        COMMAND ${CMAKE_COMMAND} -DCOMPILER=${ZV_CHM_COMPILER} -DWORK_DIR=${zv_help_work}
                -P ${zv_help_source}/compile_help.cmake
        ${zv_help_copy_beside}
        DEPENDS ${zv_help_pages} ${zv_help_images} ${zv_help_source}/Help.hhp
                ${zv_help_source}/Help.hhc ${zv_help_source}/compile_help.cmake
        COMMENT "Compiling the user guide into Help.chm"
        VERBATIM)
    add_custom_target(zv_help ALL DEPENDS ${ZV_HELP_CHM})
    install(FILES ${ZV_HELP_CHM} DESTINATION ${CMAKE_INSTALL_BINDIR})
    message(STATUS "Help.chm: compiled with ${ZV_CHM_COMPILER}")
elseif(WIN32)
    message(STATUS "Help.chm: no CHM compiler, the HTML guide is installed alone")
endif()
