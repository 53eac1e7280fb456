#include "platform/files.h"

#include <cerrno>

#include "sys_error.h"

#include <windows.h>

namespace platform {

namespace {
bool fail(std::string* error, DWORD code) {
    if (error) *error = detail::system_error_text(code);
    return false;
}
bool fail_last(std::string* error) {
    return fail(error, GetLastError());
}

// A file handle, closed when it goes.
struct File {
    HANDLE h;
    explicit File(HANDLE handle) : h(handle) {}
    ~File() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool close() {
        const BOOL ok = CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return ok != 0;
    }
};

DWORD attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}
} // namespace

char path_separator() noexcept {
    return '\\';
}

bool file_exists(const std::string& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool dir_exists(const std::string& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool make_dir(const std::string& path, std::string* error) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS && dir_exists(path)) return true;
    return fail(error, code);
}

bool remove_file(const std::string& path, std::string* error) {
    return DeleteFileA(path.c_str()) || fail_last(error);
}

bool rename_file(const std::string& from, const std::string& to, std::string* error) {
    return MoveFileA(from.c_str(), to.c_str()) || fail_last(error);
}

bool replace_file(const std::string& temp, const std::string& target, std::string* error) {
    if (!file_exists(temp)) return fail(error, ERROR_FILE_NOT_FOUND);
    return MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           fail_last(error);
}

bool read_file(const std::string& path, std::string& bytes, std::string* error) {
    bytes.clear();
    File f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.h == INVALID_HANDLE_VALUE) return fail_last(error);
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(f.h, buffer, sizeof buffer, &got, nullptr)) return fail_last(error);
        if (got == 0) return true;
        bytes.append(buffer, got);
    }
}

bool write_file_atomic(const std::string& path, std::string_view bytes, std::string* error) {
    const std::string temp = path + ".tmp";
    {
        File f(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
        if (f.h == INVALID_HANDLE_VALUE) return fail_last(error);
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const DWORD chunk = left > (1u << 20) ? (1u << 20) : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!WriteFile(f.h, p, chunk, &written, nullptr) || written == 0) {
                const DWORD code = GetLastError();
                f.close();
                DeleteFileA(temp.c_str());
                return fail(error, code);
            }
            p += written;
            left -= written;
        }
        if (!FlushFileBuffers(f.h) || !f.close()) {
            const DWORD code = GetLastError();
            DeleteFileA(temp.c_str());
            return fail(error, code);
        }
    }
    if (!replace_file(temp, path, error)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

WriteFault classify_write_errno(int error) {
    switch (error) {
    case ENOSPC:
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
