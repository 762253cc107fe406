// Tile target file: a file that reads holds sound tiles (counts 0-64, types 0-71, positions on the
// map) and writes back to a file that reads back equal.
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "fuzzfile.h"
#include "tiletargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = FuzzPath(".ttd");
  const std::string &copy = FuzzPath(".copy.ttd");
  if (!WriteFuzzFile(path, data, size)) return 0;
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
