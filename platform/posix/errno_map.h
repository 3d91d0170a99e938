// Windows error codes for the errno values the POSIX emulation meets.
#pragma once

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"

namespace plat::posix {

inline int32_t WindowsErrorFromErrno(int error, int32_t fallback) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EINVAL:
      return kErrorInvalidParameter;
    default:
      return fallback;
  }
}

}  // namespace plat::posix
