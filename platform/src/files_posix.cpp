#include "platform/files.h"

#include "sys_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
bool fail(std::string* error, int code) {
    if (error) *error = detail::system_error_text(static_cast<unsigned long>(code));
    return false;
}

bool exists_at_all(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// A file descriptor, closed when it goes.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
} // namespace

char path_separator() noexcept {
    return '/';
}

bool file_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool dir_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool make_dir(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int code = errno;
    if (code == EEXIST && dir_exists(path)) return true;
    return fail(error, code);
}

bool remove_file(const std::string& path, std::string* error) {
    return ::unlink(path.c_str()) == 0 || fail(error, errno);
}

bool rename_file(const std::string& from, const std::string& to, std::string* error) {
    if (exists_at_all(to)) return fail(error, EEXIST);
    return ::rename(from.c_str(), to.c_str()) == 0 || fail(error, errno);
}

bool replace_file(const std::string& temp, const std::string& target, std::string* error) {
    if (!file_exists(temp)) return fail(error, ENOENT);
    return ::rename(temp.c_str(), target.c_str()) == 0 || fail(error, errno);
}

bool read_file(const std::string& path, std::string& bytes, std::string* error) {
    bytes.clear();
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0) return fail(error, errno);
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(f.fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(error, errno);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool write_file_atomic(const std::string& path, std::string_view bytes, std::string* error) {
    const std::string temp = path + ".tmp";
    {
        Fd f(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (f.fd < 0) return fail(error, errno);
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(f.fd, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                const int code = errno;
                ::unlink(temp.c_str());
                return fail(error, code);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (::fsync(f.fd) != 0 || ::close(f.release()) != 0) {
            const int code = errno;
            ::unlink(temp.c_str());
            return fail(error, code);
        }
    }
    if (!replace_file(temp, path, error)) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself is made durable by syncing the directory.
    Fd dir(::open(parent_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) ::fsync(dir.fd);
    return true;
}

WriteFault classify_write_errno(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT: // the user's disk quota
    case EFBIG:
        return WriteFault::disk_full;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteFault::not_permitted;
    case EIO:
        return WriteFault::io_error;
    default:
        return WriteFault::other;
    }
}

} // namespace platform
