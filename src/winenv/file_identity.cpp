#include "winenv/file_identity.h"

#include <sys/stat.h>

#include <cerrno>

namespace varnel {

namespace {

FileIdentity FromStat(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modified = st.st_mtim;
  return id;
}

FileIdentity Failed() {
  FileIdentity id;
  id.error = errno;
  return id;
}

}  // namespace

FileIdentity IdentityOf(const std::string& nativePath) {
  struct stat st {};
  return ::stat(nativePath.c_str(), &st) == 0 ? FromStat(st) : Failed();
}

FileIdentity IdentityOf(int descriptor) {
  struct stat st {};
  return ::fstat(descriptor, &st) == 0 ? FromStat(st) : Failed();
}

}  // namespace varnel
