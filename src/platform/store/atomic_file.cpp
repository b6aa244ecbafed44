#include "platform/store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace quillon {

namespace {

// Closes a descriptor and, unless released, removes the temporary file it belongs to.
class TemporaryFile {
public:
    TemporaryFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        CloseDescriptor();
        if (!kept_) {
            ::unlink(path_.c_str());
        }
    }

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool CloseDescriptor() {
        const bool ok = fd_ < 0 || ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }
    void Keep() { kept_ = true; }

private:
    int fd_;
    std::string path_;
    bool kept_ = false;
};

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
    std::string pattern = path.string() + ".XXXXXX";
    // Close-on-exec: a program started meanwhile must not inherit the temporary file.
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    TemporaryFile temporary(fd, pattern);
    // Keep the permissions of the file being replaced; a new file is private to its user.
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, content) || ::fsync(fd) != 0 ||
        !temporary.CloseDescriptor()) {
        return false;
    }
    if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
        return false;
    }
    temporary.Keep();
    // Make the rename itself durable.
    const int folder = ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                              O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return content;
}

}  // namespace quillon
