#include "platform/posix/StandardErrorNotes.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace tolmix::posix {

void StandardErrorNotes::Note(std::string_view line) {
    std::string text = "tolmix-client: ";
    text += line;
    text += '\n';
    const char* bytes = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(2, bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace tolmix::posix
