# Installs the user guide, the sample project and the desktop integration, compiles Help.chm where
# a CHM compiler is at hand, and describes the Debian package. The programs install themselves from
# their own CMakeLists.
include(GNUInstallDirs)

set(ZV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zvticket)
include(${CMAKE_CURRENT_LIST_DIR}/help-chm.cmake)

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
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6serialport6, libqt6svg6, qt6-qpa-plugins")
# dpkg-shlibdeps adds the exact library versions the programs were linked against.
find_program(ZV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZV_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
endif()
include(CPack)
