// Files over POSIX descriptors. Names are taken relative to the current directory, with
// backslashes read as path separators.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "standin_internal.h"

namespace standin {
namespace {

struct FileObject : Object {
  int fd;
  bool owned;
  FileObject(int fd, bool owned) : fd(fd), owned(owned) {}
  ~FileObject() override {
    if (owned) close(fd);
  }
};

std::string HostPath(LPCSTR name) {
  std::string path = name;
  for (char &c : path)
    if (c == '\\') c = '/';
  return path;
}

off64_t OverlappedOffset(const OVERLAPPED *overlapped) {
  if (!overlapped) return 0;
  return static_cast<off64_t>((static_cast<unsigned long long>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

bool ReadWholeFile(LPCSTR name, size_t limit, std::vector<BYTE> *bytes) {
  bytes->clear();
  if (!name || !*name) return Fail(ERROR_PATH_NOT_FOUND);
  const int fd = open(HostPath(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(ErrorFromErrno(errno));
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<unsigned long long>(info.st_size) > limit) {
    close(fd);
    return Fail(ERROR_INVALID_DATA);
  }
  bytes->resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes->resize(done);
  return true;
}

}  // namespace standin

using namespace standin;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  bool read = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL)) != 0;
  bool write = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0;
  int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
  switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  std::string path = HostPath(lpFileName);
  struct stat info;
  bool existed = stat(path.c_str(), &info) == 0;
  int fd = open(path.c_str(), flags, 0644);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = NewHandle(std::make_shared<FileObject>(fd, true));
  bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  std::shared_ptr<FileObject> file = HandleAs<FileObject>(hFile);
  if (!file) return FALSE;
  const char *p = static_cast<const char *>(lpBuffer);
  off64_t offset = OverlappedOffset(lpOverlapped);
  DWORD done = 0;
  while (done < nNumberOfBytesToWrite) {
    ssize_t n = lpOverlapped ? pwrite64(file->fd, p + done, nNumberOfBytesToWrite - done, offset + done)
                             : write(file->fd, p + done, nNumberOfBytesToWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
      return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  return TRUE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  std::shared_ptr<FileObject> file = HandleAs<FileObject>(hFile);
  if (!file) return FALSE;
  char *p = static_cast<char *>(lpBuffer);
  off64_t offset = OverlappedOffset(lpOverlapped);
  DWORD done = 0;
  while (done < nNumberOfBytesToRead) {
    ssize_t n = lpOverlapped ? pread64(file->fd, p + done, nNumberOfBytesToRead - done, offset + done)
                             : read(file->fd, p + done, nNumberOfBytesToRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
      return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  std::shared_ptr<FileObject> file = HandleAs<FileObject>(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  long long distance = lpDistanceToMoveHigh
                           ? static_cast<long long>((static_cast<unsigned long long>(*lpDistanceToMoveHigh) << 32) |
                                                    static_cast<DWORD>(lDistanceToMove))
                           : lDistanceToMove;
  int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off64_t position = lseek64(file->fd, distance, whence);
  if (position < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(position);
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  std::shared_ptr<FileObject> file = HandleAs<FileObject>(hFile);
  struct stat64 info;
  if (!file || fstat64(file->fd, &info) != 0) {
    if (file) SetLastError(ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(info.st_size >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(info.st_size);
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  std::shared_ptr<FileObject> file = HandleAs<FileObject>(hFile);
  if (!file) return FALSE;
  return fsync(file->fd) == 0 || errno == EINVAL ? TRUE : Fail(ErrorFromErrno(errno));
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND);
  return unlink(HostPath(lpFileName).c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
}

// Renames in one step (the replaced file, if any, goes at the same moment). Without
// MOVEFILE_REPLACE_EXISTING an existing destination is an error.
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  if (!lpExistingFileName || !lpNewFileName) return Fail(ERROR_INVALID_PARAMETER);
  const std::string from = HostPath(lpExistingFileName), to = HostPath(lpNewFileName);
  struct stat info;
  if (stat(from.c_str(), &info) != 0) return Fail(ErrorFromErrno(errno));
  if (!(dwFlags & MOVEFILE_REPLACE_EXISTING) && stat(to.c_str(), &info) == 0) return Fail(ERROR_ALREADY_EXISTS);
  return rename(from.c_str(), to.c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
}

// Standard handles wrap descriptors 0, 1 and 2, made once and never closed underneath.
HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
  static std::mutex lock;
  static HANDLE handles[3];
  int fd = nStdHandle == STD_INPUT_HANDLE ? 0 : nStdHandle == STD_OUTPUT_HANDLE ? 1 : nStdHandle == STD_ERROR_HANDLE ? 2 : -1;
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> guard(lock);
  if (!LookupHandle(handles[fd])) handles[fd] = NewHandle(std::make_shared<FileObject>(fd, false));
  return handles[fd];
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  char path[PATH_MAX];
  if (!getcwd(path, sizeof path)) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  DWORD length = static_cast<DWORD>(std::strlen(path));
  if (!lpBuffer || nBufferLength <= length) return length + 1;
  std::memcpy(lpBuffer, path, length + 1);
  return length;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER);
  return chdir(HostPath(lpPathName).c_str()) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
}

}  // extern "C"
