// Tile target file: a file that reads holds sound tiles (counts 0-64, types 0-71, positions on the
// map) and writes back to a file that reads back equal.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fuzzfile.h"
#include "tiletargets.h"

// The first byte chooses the file: odd, the rest of the input as it is (short files are refused
// whole); even, the rest laid over a zero file of the full size, so that small inputs reach the
// checks of whole files.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = FuzzPath(".ttd");
  const std::string &copy = FuzzPath(".copy.ttd");
  if (size == 0) return 0;
  static std::vector<uint8_t> file;
  if (data[0] & 1) {
    file.assign(data + 1, data + size);
  } else {
    file.assign(kTileTargetFileSize, 0);
    memcpy(file.data(), data + 1, std::min(size - 1, file.size()));
  }
  if (!WriteFuzzFile(path, file.data(), file.size())) return 0;
  static std::unique_ptr<TileTargets[]> tiles(new TileTargets[kTileCount]);
  static std::unique_ptr<TileTargets[]> again(new TileTargets[kTileCount]);
  if (!ReadTileTargetFile(path.c_str(), tiles.get())) return 0;
  for (int i = 0; i < kTileCount; ++i) {
    const TileTargets &tile = tiles[i];
    if (tile.count < 0 || tile.count > kMaxTileTargets) abort();
    for (int k = 0; k < tile.count; ++k) {
      const TargetRecord &t = tile.targets[k];
      if (t.type > kLastTargetType || t.x < 0 || t.x > 255 || t.y < 0 || t.y > 255) abort();
    }
  }
  if (!WriteTileTargetFile(copy.c_str(), tiles.get())) abort();
  if (!ReadTileTargetFile(copy.c_str(), again.get())) abort();
  if (memcmp(tiles.get(), again.get(), kTileTargetFileSize) != 0) abort();
  return 0;
}
