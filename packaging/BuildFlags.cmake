# Debian's default build flags for a package, hardening included: PIE, full RELRO with bind-now,
# the stack protector and _FORTIFY_SOURCE. Asked of dpkg-buildflags, as Debian's own package
# builds do, so they follow Debian's defaults; DEB_*FLAGS_APPEND and the like in the environment
# still apply. Its prefix maps (and the one for the build tree) keep the directories out of the
# binaries, so that two checkouts in different places build the same bytes.
# Not for the sanitizer build, whose checks replace the _FORTIFY_SOURCE ones and break with them,
# nor for an unoptimised one: _FORTIFY_SOURCE needs the optimiser.
if(BLOTWISE_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE BLOTWISE_DEB_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
# Appended to the general flags, so that a build type's own optimisation level still wins.
string(APPEND CMAKE_CXX_FLAGS " ${BLOTWISE_DEB_CPPFLAGS} ${BLOTWISE_DEB_CXXFLAGS}"
       " -ffile-prefix-map=${CMAKE_BINARY_DIR}=.")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${BLOTWISE_DEB_LDFLAGS}")
