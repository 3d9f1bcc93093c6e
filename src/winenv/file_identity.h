#pragma once
// What tells that a file changed on disk since it was read: its inode, size and modification
// time. A replaced file (new inode) or an edited one (new size or time) compares unequal.
#include <sys/types.h>
#include <ctime>
#include <string>

#include "winenv/status.h"

namespace varnel {

struct FileIdentity {
  bool exists = false;
  int error = 0;  // why it could not be examined (ENOENT: there is no such file)
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  bool operator==(const FileIdentity& o) const {
    return exists == o.exists && error == o.error && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

// The identity of a native file (following links); exists is false when it cannot be examined,
// and error says why.
FileIdentity IdentityOf(const std::string& nativePath);
// The identity of the file an open descriptor reads.
FileIdentity IdentityOf(int descriptor);

// Opens a file for reading (close-on-exec) only when it is a regular file: a FIFO is refused
// without waiting for a writer, and so are a device and a directory. On success `fd` is the
// open descriptor and `size` the file's size; on failure `fd` is -1.
Status OpenRegularFile(const std::string& nativePath, int& fd, off_t& size);

}  // namespace varnel
