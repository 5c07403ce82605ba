#include "platform/resolver_linux.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

namespace sentrova {
namespace {

TEST(ResolverLinux, FailuresBecomeWinsockCodes) {
  struct Case {
    int eai, err, code;
  };
  const Case cases[] = {
      {0, 0, 0},          {EAI_NONAME, 0, 11001}, {EAI_AGAIN, 0, 11002},     {EAI_FAIL, 0, 11003},
      {EAI_NODATA, 0, 11004}, {EAI_ADDRFAMILY, 0, 11004}, {EAI_MEMORY, 0, 8}, {EAI_SYSTEM, ENOMEM, 8},
      {EAI_SYSTEM, EIO, 11003}, {EAI_SERVICE, 0, 11003},
  };
  for (const Case& c : cases) EXPECT_EQ(WinsockCodeFromEai(c.eai, c.err), c.code) << c.eai;
}

}  // namespace
}  // namespace sentrova
