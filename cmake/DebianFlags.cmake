# Debian's hardening flags (fortified functions, stack protector, read-only relocations bound at start),
# as dpkg-buildflags gives them for a package build with every hardening feature on. The default preset
# uses them, so that the program the tests run is the one the package ships.
option(SB_DEBIAN_FLAGS "Build with the compiler and linker flags of dpkg-buildflags (hardening=+all)" OFF)
if(SB_DEBIAN_FLAGS)
  find_program(SB_DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT SB_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "SB_DEBIAN_FLAGS needs dpkg-buildflags (Debian package dpkg-dev; scripts/install-deps installs it)")
  endif()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${SB_DPKG_BUILDFLAGS}
                            --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    if(kind STREQUAL LDFLAGS)
      target_link_options(sb_common_cfg INTERFACE ${flags})
    else()
      target_compile_options(sb_common_cfg INTERFACE ${flags})
    endif()
  endforeach()
endif()
