# Debian's hardening flags (dpkg-buildflags with hardening=+all) for every target of an optimised
# build: fortified libc calls, stack protector, stack clash protection, control-flow protection
# (x86), full RELRO with immediate binding, PIE. _FORTIFY_SOURCE needs the optimiser, so Debug
# builds leave it out; the sanitizers bring their own instrumentation and leave all of it out. A
# project that pulls the libraries in picks its own flags. (The release preset builds at -O2, as
# Debian does.)
option(LUCIVANE_HARDENING "Build with Debian's hardening flags" ${PROJECT_IS_TOP_LEVEL})
if(LUCIVANE_HARDENING AND NOT LUCIVANE_SANITIZE)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                      -Werror=format-security
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  # Marks the program for IBT/SHSTK where the C runtime's start files carry the mark too.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    add_compile_options(-fcf-protection)
  endif()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
endif()
