// File helpers of the record store (POSIX descriptors; records are patched in place).
#include "store/records_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"

namespace wf::store::io {

int open_update(const std::string& stored) {
  return ::open(platform::native_path(stored).c_str(), O_RDWR | O_CLOEXEC);
}

int create_file(const std::string& stored) {
  return ::open(platform::native_path(stored).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC,
                0644);
}

bool file_exists(const std::string& stored) {
  struct stat st;
  return ::stat(platform::native_path(stored).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folder_exists(const std::string& stored) {
  struct stat st;
  return ::stat(platform::native_path(stored).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

long long file_length(const std::string& stored) {
  struct stat st;
  if (::stat(platform::native_path(stored).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

int remove_file(const std::string& stored) {
  return ::unlink(platform::native_path(stored).c_str()) == 0 ? 0 : -1;
}

void close_fd(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

long long read_at(int fd, void* buf, size_t len, long long offset) {
  if (fd < 0) return -1;
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < len) {
    ssize_t n = ::pread(fd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long long>(done);
}

int write_at(int fd, const void* buf, size_t len, long long offset) {
  if (fd < 0) return -1;
  size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < len) {
    ssize_t n = ::pwrite(fd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

long long read_file(const std::string& stored, void* buf, size_t len) {
  int fd = ::open(platform::native_path(stored).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  long long n = read_at(fd, buf, len, 0);
  ::close(fd);
  return n;
}

int patch_file(const std::string& stored, const void* buf, size_t len, long long offset) {
  int fd = open_update(stored);
  if (fd < 0) return -1;
  int rc = write_at(fd, buf, len, offset);
  ::close(fd);
  return rc;
}

int write_new_file(const std::string& stored, const void* buf, size_t len) {
  int fd = create_file(stored);
  if (fd < 0) return -1;
  int rc = write_at(fd, buf, len, 0);
  ::close(fd);
  return rc;
}

}  // namespace wf::store::io
