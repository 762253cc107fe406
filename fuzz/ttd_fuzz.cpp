// Tile target file: any file that opens reads; the bytes it covers replace those of the tiles and
// the rest stay as they were; the tiles write back to a file that holds exactly their bytes and
// reads back equal; the editor's count for loops stays within the slots.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fuzzfile.h"
#include "tiletargets.h"

// The first byte chooses the file: odd, the rest of the input as it is (short files fill what
// they cover); even, the rest laid over a zero file of the full size, so that small inputs reach
// every record.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = FuzzPath(".ttd");
  const std::string &copy = FuzzPath(".copy.ttd");
  if (size == 0) return 0;
  static std::vector<uint8_t> file, written;
  if (data[0] & 1) {
    file.assign(data + 1, data + size);
  } else {
    file.assign(kTileTargetFileSize, 0);
    memcpy(file.data(), data + 1, std::min(size - 1, file.size()));
  }
  if (!WriteFuzzFile(path, file.data(), file.size())) return 0;
  static std::unique_ptr<TileTargets[]> tiles(new TileTargets[kTileCount]);
  static std::unique_ptr<TileTargets[]> again(new TileTargets[kTileCount]);
  const uint8_t fill = uint8_t(size * 31 + 7);
  memset(tiles.get(), fill, kTileTargetFileSize);
  if (!ReadTileTargetFile(path.c_str(), tiles.get())) abort();
  const uint8_t *bytes = reinterpret_cast<const uint8_t *>(tiles.get());
  const size_t covered = std::min(file.size(), kTileTargetFileSize);
  if (memcmp(bytes, file.data(), covered) != 0) abort();
  for (size_t i = covered; i < kTileTargetFileSize; ++i)
    if (bytes[i] != fill) abort();
  for (int i = 0; i < kTileCount; ++i) {
    const int count = TileTargetCount(&tiles[i]);
    if (count < 0 || count > kMaxTileTargets) abort();
  }
  if (!WriteTileTargetFile(copy.c_str(), tiles.get())) abort();
  FILE *in = fopen(copy.c_str(), "rb");
  if (!in) abort();
  written.assign(kTileTargetFileSize + 1, 0);
  const size_t length = fread(written.data(), 1, written.size(), in);
  fclose(in);
  if (length != kTileTargetFileSize || memcmp(written.data(), bytes, kTileTargetFileSize) != 0) abort();
  memset(again.get(), ~fill, kTileTargetFileSize);
  if (!ReadTileTargetFile(copy.c_str(), again.get())) abort();
  if (memcmp(tiles.get(), again.get(), kTileTargetFileSize) != 0) abort();
  return 0;
}
