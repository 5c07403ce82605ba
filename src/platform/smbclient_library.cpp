#include "platform/smbclient_library.h"

#include <dlfcn.h>

namespace sentrova {

std::unique_ptr<SmbClientLibrary> SmbClientLibrary::Open(const std::string& soname) {
  void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) return nullptr;
  std::unique_ptr<SmbClientLibrary> lib(new SmbClientLibrary(handle));
#define SENTROVA_SMBC_REQUIRE(name)                                           \
  lib->name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
  if (!lib->name) return nullptr;
  SENTROVA_SMBC_REQUIRED_FUNCTIONS(SENTROVA_SMBC_REQUIRE)
#undef SENTROVA_SMBC_REQUIRE
#define SENTROVA_SMBC_OPTIONAL(name) lib->name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));
  SENTROVA_SMBC_OPTIONAL_FUNCTIONS(SENTROVA_SMBC_OPTIONAL)
#undef SENTROVA_SMBC_OPTIONAL
  return lib;
}

SmbClientLibrary::~SmbClientLibrary() { ::dlclose(handle_); }

std::mutex& SmbClientLibrary::ProcessLock() {
  static std::mutex lock;
  return lock;
}

void SmbAnonymousAuth(const char*, const char*, char*, int, char* user, int userLen, char* password,
                      int passwordLen) {
  if (user && userLen > 0) user[0] = '\0';
  if (password && passwordLen > 0) password[0] = '\0';
}

void SmbDiscardLog(void*, int, const char*) {}

}  // namespace sentrova
