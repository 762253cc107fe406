// Sounds: PlaySound and sndPlaySound find the sound as the platform does (a .wav file, a wave in
// memory, a system alias) and play nothing, but take its length on the program's clock: a
// synchronous sound returns when it would have ended, and until then (a looped one until it is
// stopped) SND_NOSTOP finds the device busy. A sound that is not found plays the default sound,
// which succeeds unless SND_NODEFAULT forbids it. The beeps (MessageBeep, Beep) make no sound either.
#include <strings.h>

#include <mutex>
#include <vector>

#include "../kernel32/standin_internal.h"

using namespace standin;

namespace {

constexpr size_t kMaxSoundFileBytes = 64u << 20;

struct Playing {
  std::mutex lock;
  long long end = 0;  // program clock, microseconds
  bool loop = false;
};

Playing &Device() {
  static auto *device = new Playing;
  return *device;
}

void ResetSound() {
  std::lock_guard<std::mutex> guard(Device().lock);
  Device().end = 0;
  Device().loop = false;
}

ResetRegistrar resetSound(ResetSound);

DWORD Le32(const BYTE *p) { return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24; }

// The length in microseconds of a RIFF WAVE image of at most `size` bytes (the RIFF size bounds
// it further); false when it is not one: no format chunk with a byte rate, or no data chunk.
bool WaveLength(const BYTE *wave, size_t size, long long *microseconds) {
  if (!wave || size < 12 || memcmp(wave, "RIFF", 4) != 0 || memcmp(wave + 8, "WAVE", 4) != 0) return false;
  const unsigned long long riff = 8ull + Le32(wave + 4);
  if (riff < size) size = size_t(riff);
  DWORD byteRate = 0;
  unsigned long long dataBytes = 0;
  bool format = false, data = false;
  for (size_t at = 12; at + 8 <= size;) {
    const DWORD length = Le32(wave + at + 4);
    const BYTE *body = wave + at + 8;
    const size_t available = size - at - 8;
    if (memcmp(wave + at, "fmt ", 4) == 0 && length >= 16 && available >= 16) {
      format = true;
      byteRate = Le32(body + 8);
    } else if (memcmp(wave + at, "data", 4) == 0) {
      data = true;
      dataBytes = length < available ? length : available;
    }
    const unsigned long long step = 8ull + ((length + 1ull) & ~1ull);  // chunks are padded to even sizes
    if (step > size - at) break;
    at += size_t(step);
  }
  if (!format || !data || !byteRate) return false;
  *microseconds = (long long)(dataBytes * 1000000ull / byteRate);
  return true;
}

bool SystemAlias(LPCSTR name) {
  static const char *const kAliases[] = {".Default",        "SystemAsterisk", "SystemDefault", "SystemExclamation",
                                         "SystemExit",      "SystemHand",     "SystemQuestion", "SystemStart",
                                         "SystemWelcome",   "MailBeep",       "Maximize",       "Minimize",
                                         "Open",            "Close",          "RestoreUp",      "RestoreDown"};
  for (const char *alias : kAliases)
    if (strcasecmp(name, alias) == 0) return true;
  return false;
}

// Finds the sound `fdwSound` names: its length in *length (system sounds have none here).
bool FindSound(LPCSTR sound, HMODULE, DWORD fdwSound, long long *length) {
  *length = 0;
  if ((fdwSound & SND_ALIAS_ID) == SND_ALIAS_ID) {
    static const ULONG_PTR kIds[] = {SND_ALIAS_SYSTEMASTERISK, SND_ALIAS_SYSTEMQUESTION, SND_ALIAS_SYSTEMHAND,
                                     SND_ALIAS_SYSTEMEXIT,     SND_ALIAS_SYSTEMSTART,    SND_ALIAS_SYSTEMWELCOME,
                                     SND_ALIAS_SYSTEMEXCLAMATION, SND_ALIAS_SYSTEMDEFAULT};
    for (ULONG_PTR id : kIds)
      if (reinterpret_cast<ULONG_PTR>(sound) == id) return true;
    return false;
  }
  // Wave resources: a program's resource tables hold none.
  if ((fdwSound & SND_RESOURCE) == SND_RESOURCE) return false;
  if (fdwSound & SND_MEMORY) return WaveLength(reinterpret_cast<const BYTE *>(sound), kMaxSoundFileBytes, length);
  if ((fdwSound & SND_ALIAS) || !(fdwSound & SND_FILENAME))
    if (SystemAlias(sound)) return true;
  if (fdwSound & SND_ALIAS) return false;
  // Neither a known alias nor an alias by flag: the name is a file's.
  std::vector<BYTE> file;
  return ReadWholeFile(sound, kMaxSoundFileBytes, &file) && WaveLength(file.data(), file.size(), length);
}

BOOL Play(LPCSTR sound, HMODULE hmod, DWORD fdwSound) {
  Playing &device = Device();
  if (!sound || (fdwSound & SND_PURGE)) {  // stops what plays
    std::lock_guard<std::mutex> guard(device.lock);
    device.end = 0;
    device.loop = false;
    return TRUE;
  }
  {
    std::lock_guard<std::mutex> guard(device.lock);
    if ((fdwSound & SND_NOSTOP) && (device.loop || device.end > ClockMicroseconds())) return FALSE;
  }
  long long length = 0;
  if (!FindSound(sound, hmod, fdwSound, &length)) {
    if (fdwSound & SND_NODEFAULT) return FALSE;
    length = 0;  // the default sound instead, which has no length here
  }
  // A looped sound plays until it is stopped, whatever the caller's flags: it never waits.
  const bool loop = (fdwSound & SND_LOOP) != 0;
  {
    std::lock_guard<std::mutex> guard(device.lock);
    device.loop = loop;
    device.end = ClockMicroseconds() + length;
  }
  if (!loop && !(fdwSound & SND_ASYNC) && length > 0) Sleep(DWORD((length + 999) / 1000));
  return TRUE;
}

}  // namespace

extern "C" {

BOOL WINAPI PlaySoundA(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound) { return Play(pszSound, hmod, fdwSound); }

// The name is an alias or a file (or, with SND_MEMORY, a wave in memory).
BOOL WINAPI sndPlaySoundA(LPCSTR pszSound, UINT fuSound) {
  const UINT kept = SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP | SND_NOSTOP;
  return Play(pszSound, nullptr, fuSound & kept);
}

BOOL WINAPI MessageBeep(UINT) { return TRUE; }

BOOL WINAPI Beep(DWORD dwFreq, DWORD dwDuration) {
  if (dwFreq < 0x25 || dwFreq > 0x7FFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwDuration) Sleep(dwDuration);
  return TRUE;
}

}  // extern "C"
