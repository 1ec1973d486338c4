# Runs every program with --help, as from a shell with no display, and checks that it answers and
# that its manual page (doc/man/NAME.1) names exactly the long options the program knows.
# PROGRAMS: comma-separated NAME=PATH pairs. MAN_DIR: the folder of the manual pages.
cmake_minimum_required(VERSION 3.22)
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})

# The long options ("--name") a text mentions, sorted, each once.
function(long_options text result)
    string(REGEX MATCHALL "--[A-Za-z0-9][A-Za-z0-9-]*" options "${text}")
    list(REMOVE_DUPLICATES options)
    list(SORT options)
    set(${result} "${options}" PARENT_SCOPE)
endfunction()

set(problems)
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(pair ${programs})
    string(REGEX REPLACE "=.*" "" name "${pair}")
    string(REGEX REPLACE "^[^=]*=" "" path "${pair}")
    execute_process(COMMAND ${path} --help RESULT_VARIABLE result OUTPUT_VARIABLE help
                    ERROR_VARIABLE errors TIMEOUT 20)
    if(NOT result EQUAL 0)
        list(APPEND problems "${name} --help without a display: exit ${result} ${errors}")
        continue()
    endif()
    file(READ ${MAN_DIR}/${name}.1 page)
    string(REPLACE "\\-" "-" page "${page}")
    # Only the synopsis and the options; examples may name another program's options.
    string(REGEX MATCHALL "\n\\.SH (SYNOPSIS|OPTIONS)\n[^\n]*(\n[^.][^\n]*|\n\\.[^S][^\n]*)*"
           sections "${page}")
    set(page "${sections}")
    long_options("--help ${help}" known) # it has just answered --help
    long_options("${page}" documented)
    if(NOT known STREQUAL documented)
        list(APPEND problems "${name}: --help knows '${known}', the manual page '${documented}'")
    endif()
endforeach()

if(problems)
    string(REPLACE ";" "\n  " problems "${problems}")
    message(FATAL_ERROR "Programs and manual pages disagree:\n  ${problems}")
endif()
message(STATUS "Every program answers --help and its manual page names its options")
