#include "winenv/file_identity.h"

#include <sys/stat.h>

namespace varnel {

FileIdentity IdentityOf(const std::string& nativePath) {
  FileIdentity id;
  struct stat st {};
  if (::stat(nativePath.c_str(), &st) != 0) return id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modified = st.st_mtim;
  return id;
}

}  // namespace varnel
