#include "platform/NetworkErrors.h"

#include <cerrno>

namespace NetworkErrors {

bool isUnreachable(int error)
{
    switch (error) {
    case EIO:
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ECONNREFUSED:
    case ESTALE:
    case ENXIO:
    case ENODEV:
        return true;
    default:
        return false;
    }
}

} // namespace NetworkErrors
