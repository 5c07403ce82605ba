#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/text.h"

namespace sentrova {
namespace {

std::string ErrorText(const std::string& path, int err) { return path + ": " + std::strerror(err); }

void SetError(std::string* errorText, const std::string& path, int err) {
  if (errorText) *errorText = ErrorText(path, err);
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* errorText) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(errorText, path, errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetError(errorText, path, EISDIR);
    return false;
  }
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      SetError(errorText, path, err);
      return false;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  bytes = std::move(out);
  return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* errorText) {
  std::string tmp = path + ".XXXXXX";
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    SetError(errorText, path, errno);
    return false;
  }
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  int err = 0;
  if (::fchmod(fd, mode) != 0 && errno != EPERM) err = errno;
  if (err == 0 && !WriteAll(fd, bytes)) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    SetError(errorText, path, err);
    return false;
  }
  return true;
}

bool ReadCp932Lines(const std::string& path, std::vector<std::string>& lines, std::string* errorText) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, errorText)) return false;
  lines = SplitLines(FromCp932(bytes));
  return true;
}

bool WriteCp932Lines(const std::string& path, const std::vector<std::string>& lines, std::string* errorText) {
  return WriteFileAtomic(path, ToCp932(JoinLinesCrlf(lines)), errorText);
}

}  // namespace sentrova
