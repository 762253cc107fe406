// The readers take file names: each input goes through a file of this process's own.
#ifndef FUZZ_FUZZFILE_H
#define FUZZ_FUZZFILE_H

#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

inline const std::string &FuzzPath(const char *suffix) {
  static std::string path;
  if (path.empty()) {
    const char *dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path = std::string(dir) + "/tools-fuzz-" + std::to_string(getpid()) + suffix;
  }
  return path;
}

inline bool WriteFuzzFile(const std::string &path, const uint8_t *data, size_t size) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}

#endif  // FUZZ_FUZZFILE_H
