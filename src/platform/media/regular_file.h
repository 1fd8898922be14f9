#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ruz::media {

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
FileDescriptor openRegularFile(const QString& path);

// The whole content of a regular file of at most `maxBytes`; nothing when it cannot be read or is
// larger.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

}  // namespace ruz::media
