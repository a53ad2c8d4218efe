# Optimised builds get the hardening Debian builds every package with, from
# dpkg-buildflags with all its hardening features (fortified C library
# calls, stack protector, format checks, read-only relocations bound at
# start), so that a plain `cmake` build and the package both have them.
# Optimisation and debug information stay with the build type, and position
# independence with CMAKE_POSITION_INDEPENDENT_CODE; the prefix map would
# name the folder cmake ran in.
# Debug builds, the sanitizer build and the fuzzing build get none:
# _FORTIFY_SOURCE needs optimisation and duplicates the sanitizers' checks.
if(VN_SANITIZE OR VN_FUZZ)
  return()
endif()
find_program(DPKG_BUILDFLAGS_EXECUTABLE dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS_EXECUTABLE)
  message(STATUS "dpkg-buildflags not found: optimised builds without Debian's hardening flags")
  return()
endif()

# vn_debian_flags(<variable> <dpkg-buildflags variable>): the flags as a list.
function(vn_debian_flags out name)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS_EXECUTABLE} --get ${name}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^(-g.*|-O.*|-f(file|debug|macro)-prefix-map=.*|-fPIE|-pie)$")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

vn_debian_flags(vn_cppflags CPPFLAGS)
vn_debian_flags(vn_cflags CFLAGS)
vn_debian_flags(vn_cxxflags CXXFLAGS)
vn_debian_flags(vn_ldflags LDFLAGS)
set(vn_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
  "$<${vn_optimised}:${vn_cppflags}>"
  "$<$<AND:${vn_optimised},$<COMPILE_LANGUAGE:C>>:${vn_cflags}>"
  "$<$<AND:${vn_optimised},$<COMPILE_LANGUAGE:CXX>>:${vn_cxxflags}>")
add_link_options("$<${vn_optimised}:${vn_ldflags}>")
string(REPLACE ";" " " vn_shown "${vn_cppflags};${vn_cxxflags};${vn_ldflags}")
message(STATUS "Hardening flags of optimised builds: ${vn_shown}")
