#include "btr/port/port_errno.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace feedrite {

PortErrorCode port_error_code(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortErrorCode::NotFound;
        case EACCES:
        case EPERM:
            return PortErrorCode::PermissionDenied;
        case EBUSY:
            return PortErrorCode::Busy;
        default:
            return PortErrorCode::Io;
    }
}

std::string hex_address(std::int32_t base) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(base));
    return text;
}

std::string errno_text(int err) {
    std::string text = std::generic_category().message(err);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace feedrite
