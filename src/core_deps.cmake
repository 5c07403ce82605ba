# External libraries the core library links. One block per library.
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
target_link_libraries(sentrova_core PUBLIC PkgConfig::LIBXML2 PkgConfig::SNDFILE PkgConfig::ALSA)
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
target_link_libraries(sentrova_core PUBLIC PkgConfig::LIBSYSTEMD)
# JSON (smbstatus --json) and the libsmbclient header; the library itself is
# loaded at run time with dlopen.
find_package(nlohmann_json 3 REQUIRED)
pkg_check_modules(SMBCLIENT REQUIRED smbclient)
target_link_libraries(sentrova_core PRIVATE nlohmann_json::nlohmann_json)
target_include_directories(sentrova_core PRIVATE ${SMBCLIENT_INCLUDE_DIRS})
