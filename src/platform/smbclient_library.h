// libsmbclient, loaded at run time with dlopen: Sentrova has no link-time
// dependency on Samba, and a machine without the library simply has no SMB
// browsing. Shared by everything that talks SMB through the library.
#pragma once

#include <libsmbclient.h>

#include <memory>
#include <mutex>
#include <string>

namespace sentrova {

inline constexpr const char* kSmbClientLibraryName = "libsmbclient.so.0";

// The functions every user needs; a library without one of them is refused.
#define SENTROVA_SMBC_REQUIRED_FUNCTIONS(X) \
  X(smbc_new_context)                       \
  X(smbc_init_context)                      \
  X(smbc_free_context)                      \
  X(smbc_setTimeout)                        \
  X(smbc_setDebug)                          \
  X(smbc_setConfiguration)                  \
  X(smbc_setOptionProtocols)                \
  X(smbc_setFunctionAuthData)               \
  X(smbc_getFunctionOpendir)                \
  X(smbc_getFunctionReaddir)                \
  X(smbc_getFunctionClosedir)

// Functions used when present (older libraries lack them); null otherwise.
#define SENTROVA_SMBC_OPTIONAL_FUNCTIONS(X) \
  X(smbc_setLogCallback)                    \
  X(smbc_setOptionDebugToStderr)

class SmbClientLibrary {
 public:
  // Loads the library (kept mapped for the rest of the run: Samba's own
  // thread and exit handlers must not lose their code) and looks its
  // functions up. Null when it is missing or lacks a required function.
  static std::unique_ptr<SmbClientLibrary> Open(const std::string& soname = kSmbClientLibraryName);
  ~SmbClientLibrary();
  SmbClientLibrary(const SmbClientLibrary&) = delete;
  // The library keeps its configuration (smb.conf values, protocols, debug
  // level) for the whole process: whoever sets it and makes requests holds
  // this lock meanwhile.
  static std::mutex& ProcessLock();
  SmbClientLibrary& operator=(const SmbClientLibrary&) = delete;

#define SENTROVA_SMBC_MEMBER(name) decltype(&::name) name = nullptr;
  SENTROVA_SMBC_REQUIRED_FUNCTIONS(SENTROVA_SMBC_MEMBER)
  SENTROVA_SMBC_OPTIONAL_FUNCTIONS(SENTROVA_SMBC_MEMBER)
#undef SENTROVA_SMBC_MEMBER

 private:
  explicit SmbClientLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// An authentication callback that logs on anonymously (empty user and
// password, the workgroup left as the library proposes).
void SmbAnonymousAuth(const char* server, const char* share, char* workgroup, int workgroupLen, char* user,
                      int userLen, char* password, int passwordLen);

// A log callback that drops the library's messages (it writes them to
// standard output otherwise, where the console mode prints its reports).
void SmbDiscardLog(void* privatePtr, int level, const char* msg);

}  // namespace sentrova
