#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruz::media {

#ifndef _WIN32
// An open file descriptor, closed with its owner.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

  private:
    int fd_ = -1;
};

// Opens `path` for reading if it names a regular file (or a link to one). Directories, pipes and
// devices are refused without blocking: a song list may name anything.
FileDescriptor openRegularFile(std::u16string_view path);
#endif

// The whole content of a regular file of at most `maxBytes`; nothing when it cannot be read or is
// larger.
std::optional<std::string> readRegularFile(std::u16string_view path, std::int64_t maxBytes);

}  // namespace ruz::media
