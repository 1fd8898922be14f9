#include "platform/media/regular_file.h"

#include "platform/native_name.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace ruz::media {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        FileDescriptor old(release());
        fd_ = other.release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int FileDescriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

FileDescriptor openRegularFile(std::u16string_view path) {
    if (path.empty()) {
        return {};
    }
    const std::string native = nativeFromName(path);
    // O_NONBLOCK keeps the open of a pipe without a writer from hanging; it is taken off again
    // once the descriptor is known to be a regular file.
    FileDescriptor fd(::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        return {};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return {};
    }
    return fd;
}

std::optional<std::string> readRegularFile(std::u16string_view path, std::int64_t maxBytes) {
    const FileDescriptor fd = openRegularFile(path);
    if (!fd.valid()) {
        return std::nullopt;
    }
    std::string content;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return content;
        }
        if (static_cast<std::int64_t>(content.size()) + got > maxBytes) {
            return std::nullopt;
        }
        content.append(chunk, static_cast<std::size_t>(got));
    }
}

}  // namespace ruz::media
