# External libraries the core library links. One block per library.
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
target_link_libraries(sentrova_core PUBLIC PkgConfig::LIBXML2 PkgConfig::SNDFILE PkgConfig::ALSA)
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
target_link_libraries(sentrova_core PUBLIC PkgConfig::LIBSYSTEMD)
# The libsmbclient header (types only): the library is loaded at run time.
pkg_check_modules(SMBCLIENT REQUIRED smbclient)
target_include_directories(sentrova_core PRIVATE ${SMBCLIENT_INCLUDE_DIRS})
