# Installs the user guide, the sample project and the desktop integration, compiles Help.chm where
# a CHM compiler is at hand, and describes the Debian package. The programs install themselves from
# their own CMakeLists.
include(GNUInstallDirs)

set(ZV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zvticket)
set(zv_help_source ${CMAKE_SOURCE_DIR}/doc/help)
set(zv_help_pages ${zv_help_source}/index.html ${zv_help_source}/style.css)
file(GLOB zv_help_images CONFIGURE_DEPENDS ${zv_help_source}/images/*.png)

# --- Compiled help ---------------------------------------------------------------------------
# The Help command opens "Help.chm" beside the program; it is built from the same pages as the
# HTML guide.
option(ZV_BUILD_CHM "Compile the user guide into Help.chm when a CHM compiler is found" ON)
find_program(ZV_CHM_COMPILER NAMES hhc chmcmd DOC "CHM compiler (hhc or chmcmd)")
set(ZV_HELP_CHM "")
if(ZV_BUILD_CHM AND ZV_CHM_COMPILER)
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
else()
    message(STATUS "Help.chm: no CHM compiler, the HTML guide is installed alone")
endif()

# --- Guide, samples, desktop integration --------------------------------------------------------
install(FILES ${zv_help_pages} DESTINATION ${ZV_DOC_DIR})
install(FILES ${zv_help_images} DESTINATION ${ZV_DOC_DIR}/images)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${ZV_DOC_DIR}/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.prn" PATTERN "*.dat" PATTERN "*.py")
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zvticket.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/zvticket.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zvticket-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zvticket.xml)

# --- Debian package (cpack -G DEB) ---------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zvticket)
set(CPACK_PACKAGE_VENDOR Dravenco)
set(CPACK_PACKAGE_CONTACT Dravenco)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Prepare and program the print tickets of ZORLA and VELMAR weighing terminals")
set(CPACK_PACKAGE_DESCRIPTION
    "ZorlaVelmarTicket assembles the print tickets of a weighing terminal from print files,
checks that they fit the terminal's memory, writes them into the terminal over a serial
line and reads back what a terminal holds. The package holds the window program, the
command-line front end zvticket-cli and the simulated terminal zvticket-devsim.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER Dravenco)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6network6, libqt6serialport6, libqt6svg6, qt6-qpa-plugins")
# dpkg-shlibdeps adds the exact library versions the programs were linked against.
find_program(ZV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZV_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
endif()
include(CPack)
