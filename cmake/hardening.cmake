# The distribution's hardening flags on optimised builds for Debian and its derivatives, as
# dpkg-buildflags gives them with every hardening feature: fortified library functions, the stack
# protector, format checks, and relocations made read-only and bound at start. Optimisation and
# debug information stay the build type's, and the source path is not remapped, so that every
# checkout shares the compiler cache. Debug builds (fortification needs optimisation), the fuzz
# builds and Windows go without.
find_program(ZV_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ZV_DPKG_BUILDFLAGS OR WIN32 OR ZV_FUZZ
   OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    return()
endif()

function(zv_buildflags name result)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${ZV_DPKG_BUILDFLAGS} --get ${name}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^(-g|-O.*|-f(file|debug|macro)-prefix-map=.*)$")
    set(${result} ${flags} PARENT_SCOPE)
endfunction()

zv_buildflags(CPPFLAGS zv_hardening_cppflags)
zv_buildflags(CXXFLAGS zv_hardening_cxxflags)
zv_buildflags(LDFLAGS zv_hardening_ldflags)
add_compile_options(${zv_hardening_cppflags} ${zv_hardening_cxxflags})
add_link_options(${zv_hardening_ldflags})
string(JOIN " " zv_hardening_flags ${zv_hardening_cppflags} ${zv_hardening_cxxflags}
            ${zv_hardening_ldflags})
message(STATUS "Hardening: ${zv_hardening_flags}")
