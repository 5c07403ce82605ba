// A fresh directory under the system's temporary folder, removed with its
// content when the object goes.
#pragma once

#include <string>

namespace sentrova::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, with a trailing "/".
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Whole-file helpers for assertions.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace sentrova::test
