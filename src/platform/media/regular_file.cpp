#include "platform/media/regular_file.h"

#ifdef _WIN32

#include "platform/media/mpeg_frames.h"

#include <filesystem>

namespace ruz::media {

// Windows names are wide: the file is opened by its UTF-16 name, and only a regular file opens.
std::optional<std::string> readRegularFile(std::u16string_view path, std::int64_t maxBytes) {
    const std::unique_ptr<mpeg::FileSource> source =
        path.empty() ? nullptr : mpeg::FileSource::open(std::filesystem::path(path));
    if (!source || source->size() > static_cast<std::uint64_t>(maxBytes)) {
        return std::nullopt;
    }
    std::string content(static_cast<std::size_t>(source->size()), '\0');
    const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(content.data()),
                                        content.size());
    if (source->read(0, bytes) != content.size()) {
        return std::nullopt;
    }
    return content;
}

}  // namespace ruz::media

#else

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

#endif
