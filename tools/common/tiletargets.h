// The tile target file (".ttd") and the tile target editor's data model: 59 tiles of up to 64
// targets each, and the three name tables that the target types and texture indices select from.
#ifndef TOOLS_TILETARGETS_H
#define TOOLS_TILETARGETS_H

#include <stddef.h>
#include <stdint.h>

#include "mdgmodel.h"

constexpr int kTileCount = 59;
constexpr int kMaxTileTargets = 64;
constexpr int kModelSlotCount = 72;   // model slots, texture names and display names
constexpr int kFirstTargetType = 1;   // types offered to the user: 1-71
constexpr int kLastTargetType = 71;
constexpr int kFirstModelTexture = 59;  // texture names 59-71 are model textures, 0-58 tile bitmaps
constexpr int kMapMax = 255;            // the editor places targets on the map's 0-255 square

// One target on a tile; the file's little-endian layout. Bytes the editor does not interpret
// are carried through unchanged.
struct TargetRecord {
  uint16_t type;     // 1-71: model slot and display name
  uint16_t heading;  // a full turn is 65535 units
  int32_t x;         // 0-255 on the tile map (a file may hold any value)
  int32_t y;
  uint8_t opaque12[9];
  uint8_t chance;
  uint8_t detailLevel;  // 0 Low, 1 Medium, 2 High
  uint8_t group;
  uint8_t opaque24[24];
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  uint8_t opaque64[16];
};
static_assert(sizeof(TargetRecord) == 80, "target record layout");
static_assert(offsetof(TargetRecord, chance) == 21 && offsetof(TargetRecord, group) == 23, "target record layout");
static_assert(offsetof(TargetRecord, left) == 48 && offsetof(TargetRecord, opaque64) == 64, "target record layout");

struct TileTargets {
  uint8_t reserved[16];
  int32_t count;  // 0-64; slots at and above it are unused
  TargetRecord targets[kMaxTileTargets];
};
static_assert(sizeof(TileTargets) == 5140 && offsetof(TileTargets, targets) == 20, "tile record layout");

constexpr size_t kTileTargetFileSize = sizeof(TileTargets) * kTileCount;  // 303,260 bytes
static_assert(kTileTargetFileSize == 303260, "tile target file size");

// The editor's state: the file image, the current tile and target, and one model per type.
struct TargetEditorData {
  TileTargets tiles[kTileCount];
  int currentTile;    // 0-58
  int currentTarget;  // index within the current tile
  TargetModel models[kModelSlotCount];
};

extern const char *const kTextureNames[kModelSlotCount];
extern const char *const kModelFileNames[kModelSlotCount];
extern const char *const kTargetNames[kModelSlotCount];

// A tile's target count limited to 0-64, for loops over its slots. The file's values are kept
// as stored; the editor limits them where it uses them.
int TileTargetCount(const TileTargets *tile);

// Reads a tile target file into `tiles` (kTileCount records): the bytes the file covers replace
// those of the array and the rest of the array stays as it was (a longer file's extra bytes are
// not read). Every value is taken as stored. 1 on success; 0 when the file does not open or a
// read fails: `tiles` is then unchanged.
int ReadTileTargetFile(const char *path, TileTargets *tiles);
// Writes the kTileCount records to "<path>.tmp", then puts that file in the place of `path`.
// 1 on success; 0 when a write or the replacement fails, with any earlier file left as it was.
int WriteTileTargetFile(const char *path, const TileTargets *tiles);

// The Load TTD and Save TTD commands: the file dialog, the file, the notices. 1 when a file was
// read or written; 0 when the dialog was cancelled or the file failed (after its notice).
int LoadTargetDefinitions(TileTargets *tiles);
int SaveTargetDefinitions(const TileTargets *tiles);

// Reads every model slot from "mdg\<model file name>" at scale 0.005 (a slot whose file does not
// read keeps what it held), then writes "Target Bounding Boxes.txt".
void LoadAllTargetModels(TargetModel *models);
// One line per model slot: "%i.) %s: %i, %i, %i - %s\n" (slot, display name, half extents / 5,
// model file name). 1 on success.
int WriteTargetBoundingBoxes(const char *path, const TargetModel *models);

#endif  // TOOLS_TILETARGETS_H
