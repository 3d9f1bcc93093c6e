#include "winenv/status.h"

#include <cerrno>
#include <cstring>

namespace varnel {

Status StatusFromErrno(int error, const std::string& what) {
  int code = errc::kPathFileAccess;
  switch (error) {
    case ENOENT: code = errc::kFileNotFound; break;
    case ENOTDIR: code = errc::kPathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: code = errc::kPermissionDenied; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: code = errc::kDiskFull; break;
    case EIO: code = errc::kDeviceIo; break;
    case ENAMETOOLONG:
    case EINVAL: code = errc::kBadFileName; break;
    default: break;
  }
  return Status::Error(code, what + ": " + std::strerror(error));
}

}  // namespace varnel
