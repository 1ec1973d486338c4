# Windows: installs the programs together with everything they load at run time (Qt DLLs and
# plugins, the mingw-w64 runtime) into one folder with Help.chm, the HTML guide and the samples,
# and describes the ZIP archive and the NSIS installer made from that folder (cpack -G "ZIP;NSIS").
# Included only for Windows builds; the Linux packaging lives in packaging.cmake.
include(${CMAKE_CURRENT_LIST_DIR}/help-chm.cmake)

if(TARGET zvticket)
    # A window program: no console window opens beside it.
    set_target_properties(zvticket PROPERTIES WIN32_EXECUTABLE ON)
endif()

# --- Qt libraries and plugins ---------------------------------------------------------------------
set(zv_qt_modules Core Gui Widgets SerialPort Svg Network)
foreach(module ${zv_qt_modules})
    if(TARGET Qt6::${module})
        install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
    endif()
endforeach()

# Plugins keep their folder name beside the programs, where Qt looks for them first.
set(zv_qt_plugins platforms/qwindows styles/qwindowsvistastyle imageformats/qsvg imageformats/qico
                  iconengines/qsvgicon tls/qschannelbackend networkinformation/qnetworklistmanager)
set(zv_qt_plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
foreach(plugin ${zv_qt_plugins})
    get_filename_component(folder ${plugin} DIRECTORY)
    set(file ${zv_qt_plugin_dir}/${plugin}.dll)
    if(EXISTS ${file} AND (NOT folder MATCHES "^(tls|networkinformation)$" OR TARGET Qt6::Network))
        install(FILES ${file} DESTINATION ${folder})
    endif()
endforeach()
if(NOT EXISTS ${zv_qt_plugin_dir}/platforms/qwindows.dll)
    message(FATAL_ERROR "No Windows platform plugin in ${zv_qt_plugin_dir}")
endif()

# --- mingw-w64 runtime ----------------------------------------------------------------------------
# The compiler knows where its own runtime DLLs lie.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    install(FILES ${path} DESTINATION .)
endforeach()

# --- Guide and samples ----------------------------------------------------------------------------
install(FILES ${zv_help_pages} DESTINATION doc)
install(FILES ${zv_help_images} DESTINATION doc/images)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.prn" PATTERN "*.dat" PATTERN "*.py")

# --- ZIP archive and NSIS installer ---------------------------------------------------------------
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_PACKAGE_NAME zvticket)
set(CPACK_PACKAGE_VENDOR Dravenco)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Prepare and program the print tickets of ZORLA and VELMAR weighing terminals")
set(CPACK_PACKAGE_FILE_NAME zvticket-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY ZorlaVelmarTicket)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

set(CPACK_NSIS_PACKAGE_NAME ZorlaVelmarTicket)
set(CPACK_NSIS_DISPLAY_NAME "ZorlaVelmarTicket ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME zvticket.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# Start-menu entries: the program (from CPACK_PACKAGE_EXECUTABLES), the guide and the
# uninstaller, which the NSIS generator always adds.
set(CPACK_PACKAGE_EXECUTABLES zvticket ZorlaVelmarTicket)
set(CPACK_NSIS_MENU_LINKS doc/index.html "ZorlaVelmarTicket guide")
if(ZV_HELP_CHM)
    list(APPEND CPACK_NSIS_MENU_LINKS Help.chm "ZorlaVelmarTicket help")
endif()
# Programming files (.dat) open in the program; the registry entries are undone on uninstall.
set(zv_nsis_dir ${CMAKE_SOURCE_DIR}/packaging/windows)
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include \"${zv_nsis_dir}/register-dat.nsh\"")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!include \"${zv_nsis_dir}/unregister-dat.nsh\"")
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
