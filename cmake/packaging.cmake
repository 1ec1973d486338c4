# Installs the user guide (registered with doc-base), the sample project, the desktop integration
# and its AppStream metainfo, the manual pages, the copyright and the changelog, compiles Help.chm
# on Windows where a CHM compiler is at hand, and describes the Debian package. The programs install themselves from their own CMakeLists.
include(GNUInstallDirs)

set(ZV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zvticket)
include(${CMAKE_CURRENT_LIST_DIR}/help-chm.cmake)

# The Help command looks for the guide at ../share/doc/zvticket from the program's folder; in the
# build tree a link there leads to the pages in the source tree.
if(TARGET zvticket)
    get_target_property(zv_program_dir zvticket BINARY_DIR)
    get_filename_component(zv_build_doc_dir ${zv_program_dir}/../share/doc ABSOLUTE)
    file(MAKE_DIRECTORY ${zv_build_doc_dir})
    file(CREATE_LINK ${zv_help_source} ${zv_build_doc_dir}/zvticket SYMBOLIC COPY_ON_ERROR)
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

# A stripped program keeps the compiler's .comment and the .note section, which only take room:
# the package's programs go without them, as the distribution's own do.
if(UNIX)
    foreach(program zvticket zvticket-cli zvticket-devsim)
        install(CODE "
            set(program \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
            if(CMAKE_INSTALL_DO_STRIP AND EXISTS \"\${program}\")
                execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                        --remove-section=.note \"\${program}\"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()")
    endforeach()
endif()

# --- Manual pages, copyright, changelog (Unix) ---------------------------------------------------
# Installed compressed with gzip -9n, so that the files carry no time stamp or name.
function(zv_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(text ${CMAKE_BINARY_DIR}/packaging/${name})
    set(packed ${CMAKE_BINARY_DIR}/packaging/gz/${name})
    if(source MATCHES "\\.1$")
        configure_file(${source} ${text} @ONLY) # the manual pages name the version
    else()
        configure_file(${source} ${text} COPYONLY)
    endif()
    add_custom_command(OUTPUT ${packed}.gz
                       COMMAND ${CMAKE_COMMAND} -E copy ${text} ${packed}
                       COMMAND ${ZV_GZIP} -9nf ${packed}
                       DEPENDS ${text}
                       COMMENT "Compressing ${name}"
                       VERBATIM)
    install(FILES ${packed}.gz DESTINATION ${destination})
    set_property(GLOBAL APPEND PROPERTY ZV_GZIPPED ${packed}.gz)
endfunction()

if(UNIX)
    find_program(ZV_GZIP gzip REQUIRED)
    foreach(program zvticket zvticket-cli zvticket-devsim)
        zv_install_gzipped(${CMAKE_SOURCE_DIR}/doc/man/${program}.1 ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    zv_install_gzipped(${CMAKE_SOURCE_DIR}/packaging/changelog ${ZV_DOC_DIR})
    get_property(zv_gzipped GLOBAL PROPERTY ZV_GZIPPED)
    add_custom_target(zv_gzipped ALL DEPENDS ${zv_gzipped})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${ZV_DOC_DIR})
    # Tags lintian reports although nothing is wrong, each with its reason.
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/zvticket.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zvticket)
    # The guide, registered with the system's documentation index.
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/zvticket.doc-base
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base RENAME zvticket-guide)

    # The changelog's latest entry names the version being packaged.
    file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog zv_latest LIMIT_COUNT 1)
    if(NOT zv_latest MATCHES "^zvticket \\(${PROJECT_VERSION}\\) ")
        message(FATAL_ERROR "packaging/changelog: the latest entry is '${zv_latest}'; add an "
                            "entry for version ${PROJECT_VERSION}.")
    endif()
endif()

# --- AppStream metainfo (Unix) -----------------------------------------------------------------
# What software centres show. The releases come from the changelog's entries, the screenshots
# from the window's pictures in doc/screenshots; `make package` validates the result.
function(zv_appstream_releases result)
    file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog lines REGEX "^(zvticket \\(| -- )")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    set(releases "")
    foreach(line ${lines})
        if(line MATCHES "^zvticket \\(([^)]+)\\)")
            set(version ${CMAKE_MATCH_1})
        elseif(line MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
            set(day ${CMAKE_MATCH_1})
            set(year ${CMAKE_MATCH_3})
            list(FIND months ${CMAKE_MATCH_2} month)
            math(EXPR month "${month} + 1")
            if(month LESS 10)
                set(month 0${month})
            endif()
            string(APPEND releases
                   "    <release version=\"${version}\" date=\"${year}-${month}-${day}\"/>\n")
        endif()
    endforeach()
    set(${result} "${releases}" PARENT_SCOPE)
endfunction()

function(zv_appstream_screenshots result)
    file(GLOB shots RELATIVE ${CMAKE_SOURCE_DIR}/doc/screenshots
         ${CMAKE_SOURCE_DIR}/doc/screenshots/main-*.png)
    set(screenshots "")
    set(type " type=\"default\"")
    foreach(shot ${shots})
        string(REGEX REPLACE "^main-(.*)\\.png$" "\\1" size ${shot})
        string(APPEND screenshots "    <screenshot${type}>\n"
               "      <caption>The main window at ${size}</caption>\n"
               "      <image>${ZV_HOMEPAGE}/screenshots/${shot}</image>\n"
               "    </screenshot>\n")
        set(type "")
    endforeach()
    set(${result} "${screenshots}" PARENT_SCOPE)
endfunction()

if(UNIX)
    set(ZV_HOMEPAGE https://dravenco.example/zvticket)
    set(ZV_APPSTREAM_ID example.dravenco.zvticket)
    zv_appstream_releases(ZV_APPSTREAM_RELEASES)
    zv_appstream_screenshots(ZV_APPSTREAM_SCREENSHOTS)
    set(ZV_METAINFO ${CMAKE_BINARY_DIR}/packaging/${ZV_APPSTREAM_ID}.metainfo.xml)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/zvticket.metainfo.xml ${ZV_METAINFO} @ONLY)
    install(FILES ${ZV_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# --- Debian package (cpack -G DEB) ---------------------------------------------------------------
# The package of a file, as dpkg knows it; empty when none does.
function(zv_owning_package file result)
    set(${result} "" PARENT_SCOPE)
    get_filename_component(file ${file} REALPATH)
    if(ZV_DPKG_QUERY AND EXISTS ${file})
        execute_process(COMMAND ${ZV_DPKG_QUERY} -S ${file} OUTPUT_VARIABLE owner
                        RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT failed AND owner MATCHES "^([^:,]+)")
            set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
        endif()
    endif()
endfunction()

# dpkg-shlibdeps finds the libraries the programs link, but not the Qt plugins the window loads
# at run time: the X11 platform plugin and the SVG image plugin. Their packages are added unless
# they are the packages of the linked libraries (as on Debian 12), which are listed already.
function(zv_plugin_packages result)
    find_program(ZV_DPKG_QUERY dpkg-query)
    set(plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
    set(packages)
    foreach(pair "platforms/libqxcb.so=Qt6::Gui" "imageformats/libqsvg.so=Qt6::Svg")
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 plugin)
        list(GET pair 1 library)
        get_target_property(library_file ${library} LOCATION)
        zv_owning_package(${plugin_dir}/${plugin} plugin_package)
        zv_owning_package(${library_file} library_package)
        if(plugin_package AND NOT plugin_package STREQUAL library_package)
            list(APPEND packages ${plugin_package})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES packages)
    string(REPLACE ";" ", " packages "${packages}")
    set(${result} "${packages}" PARENT_SCOPE)
endfunction()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zvticket)
set(CPACK_PACKAGE_VENDOR Dravenco)
set(CPACK_PACKAGE_CONTACT "Dravenco Support <support@dravenco.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Prepare and program the print tickets of ZORLA and VELMAR weighing terminals")
set(CPACK_PACKAGE_DESCRIPTION
    "ZorlaVelmarTicket assembles the print tickets of a weighing terminal from
print files, checks that they fit the terminal's memory, writes them into the
terminal over a serial line and reads back what a terminal holds. The package
holds the window program zvticket, the command-line front end zvticket-cli
and the simulated terminal zvticket-devsim.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Dravenco Support <support@dravenco.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds the libraries the programs were linked against, with their versions.
find_program(ZV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZV_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    zv_plugin_packages(CPACK_DEBIAN_PACKAGE_DEPENDS)
else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6serialport6, libqt6svg6")
endif()
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
    message(STATUS "Package depends on ${CPACK_DEBIAN_PACKAGE_DEPENDS} besides the libraries")
endif()
include(CPack)
