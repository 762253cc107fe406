#include "tiletargets.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "filedialog.h"
#include "toolsio.h"

const char *const kTextureNames[] = {
    "Field8.bmp",   "Grass.bmp",    "Water.bmp",     "Coast1.bmp",   "Coast3.bmp",    "Coast2.bmp",
    "Field1.bmp",   "Field2.bmp",   "Field5.bmp",    "Field4.bmp",   "Allcity.bmp",   "Allcity2.bmp",
    "Allcity3.bmp", "Allcity4.bmp", "River1.bmp",    "River2.bmp",   "River9.bmp",    "River4.bmp",
    "River5.bmp",   "River6.bmp",   "River7.bmp",    "River8.bmp",   "Mount1.bmp",    "Mount4.bmp",
    "Mount3.bmp",   "Mount2.bmp",   "Forest4.bmp",   "Forest1.bmp",  "Forest5.bmp",   "Forest6.bmp",
    "Forest3.bmp",  "Forest2.bmp",  "Coast4.bmp",    "Coast5.bmp",   "Road1.bmp",     "Road2.bmp",
    "Road6.bmp",    "Road4.bmp",    "Field7.bmp",    "Road8.bmp",    "Road9.bmp",     "Forest7.bmp",
    "Allcity5.bmp", "Riverend.bmp", "Coast6.bmp",    "Road10.bmp",   "Allcity9.bmp",  "Field6.bmp",
    "Allcity7.bmp", "Allcity8.bmp", "Coastu1.bmp",   "Coastu2.bmp",  "CoastBR.bmp",   "RiverBR.bmp",
    "Riverfork.bmp", "CoastRIV.bmp", "RiverTR.bmp",  "Coastcty.bmp", "CoastTBR.bmp",  "BOMBS.bmp",
    "GRND01.bmp",   "GRND02.bmp",   "GRND03.bmp",    "GRND04.bmp",   "GRND05.bmp",    "GRND06.bmp",
    "GRND07.bmp",   "GRND08.bmp",   "GRND09.bmp",    "GRND10.bmp",   "GRND11.bmp",    "GRND12.bmp",
};

const char *const kModelFileNames[] = {
    "none.mdg",     "Toilrefh.mdg", "Tballbph.mdg", "Tchemplh.mdg", "Tairfcth.mdg", "none.mdg",
    "Tarmfcth.mdg", "TRAILYDH.mdg", "Tshipydh.mdg", "Tuboatph.mdg", "Tv1siteh.mdg", "Tbrgrd1h.mdg",
    "Tbrgrd2h.mdg", "Tbrgrd3h.mdg", "Tbrgrl1h.mdg", "Tbrgrl2h.mdg", "Tbrgrl3h.mdg", "TAAGUNHH.mdg",
    "TAAGUNLH.mdg", "Toilstgh.mdg", "Tradarbh.mdg", "Tradarth.mdg", "Tforst3H.mdg", "Tcoforth.mdg",
    "Tfueldph.mdg", "Tcontrlh.mdg", "Tambunkh.mdg", "THANGARH.mdg", "Tbarrakh.mdg", "Theadqth.mdg",
    "Tofclubh.mdg", "Tbriefbh.mdg", "Ttree01h.mdg", "Ttrees1H.mdg", "Ttree02h.mdg", "Ttrees2H.mdg",
    "Ttree03h.mdg", "Ttrees3H.mdg", "Ttree04h.mdg", "Ttrees4H.mdg", "Tforst1H.mdg", "Twarehsh.mdg",
    "Tforst2H.mdg", "Ttrengnh.mdg", "TTRTENDH.mdg", "TTRBOXCH.mdg", "TTROILTH.mdg", "TTRFLTEH.mdg",
    "TTRFLTFH.mdg", "TTRFLTGH.mdg", "Ttrkfulh.mdg", "TTRKUNCH.mdg", "TTRKCOVH.mdg", "THALFTGH.mdg",
    "TJEEPGMH.mdg", "TTANKGMH.mdg", "TTANKALH.mdg", "TTRANSPH.mdg", "Tchurchh.mdg", "Tcity01h.mdg",
    "Tcity02h.mdg", "Tcity03h.mdg", "Tcity04h.mdg", "Tcthdrlh.mdg", "Tfarm01h.mdg", "Tcastleh.mdg",
    "Tchateuh.mdg", "Twindmlh.mdg", "Thouse1h.mdg", "Tpchuteh.mdg", "Ttrengnh.mdg", "Ttrengnh.mdg",
};

const char *const kTargetNames[] = {
    "None", "Oil Plant", "Ball-Bearing Factory", "Chemical Plant", "Aircraft Plant", "Airfield",
    "Armaments Factory", "Rail Yard", "Ship Yard", "U-Boat Pen", "V1 Launch Site", "Short Bridge (Road)",
    "Start Bridge (Road)", "Middle Bridge (Road)", "Short Bridge (Rail)", "Start Bridge (Rail)",
    "Middle Bridge (Rail)", "Heavy Anti-Aircraft", "Light Anti-Aircraft", "Oil Storage Tank", "Radar Station",
    "Radar Tower", "Forest (4x)", "Coastal Turret", "Fuel Dump", "Air Control Tower", "Ammunition Bunker",
    "Hanger", "Barrack", "Headquarters", "Officer's Club", "Briefing Room", "Tree1", "Trees1", "Tree2",
    "Trees2", "Tree3", "Trees3", "Tree4", "Trees4", "Forest (1x)", "Warehouse", "Forest (2x)", "Train Engine",
    "Train Tender", "Train Boxcar", "Train Oil Tanker", "Train Flatbed", "Train Flatbed Tanks",
    "Train Flatbed Guns", "Fuel Truck", "Truck", "Truck Covered", "Half Track", "Jeep", "Panther Tank",
    "Sherman Tank", "Transport", "Church", "City Block 1", "City Block 2", "City Block 3", "City Block 4",
    "Cathedral", "Farm", "Castle", "Chateu", "Windmill", "Haystack", "Parachutist", "Peeps Standing",
    "Peeps Marching",
};

namespace {

const char kTileFileDescription[] = "Texture Target Definition Files (*.ttd)";
const char kTileFilePattern[] = "*.ttd";

void Notice(const char *text, const char *caption, UINT icon) { MessageBoxA(nullptr, text, caption, MB_OK | icon); }

}  // namespace

int TileTargetCount(const TileTargets *tile) {
  return tile->count < 0 ? 0 : tile->count > kMaxTileTargets ? kMaxTileTargets : tile->count;
}

int ReadTileTargetFile(const char *path, TileTargets *tiles) {
  FILE *stream = ToolsOpenFile(path, "rb");
  if (!stream) return 0;
  // Read whole first, so that a failing read leaves the tiles as they were.
  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[kTileTargetFileSize]);
  const size_t covered = image ? fread(image.get(), 1, kTileTargetFileSize, stream) : 0;
  const bool ok = image && !ferror(stream);
  fclose(stream);
  if (!ok) return 0;
  memcpy(tiles, image.get(), covered);
  return 1;
}

int WriteTileTargetFile(const char *path, const TileTargets *tiles) {
  // The new file is written beside the old one and replaces it only when it is whole.
  std::string temporary = std::string(path) + ".tmp";
  FILE *stream = ToolsOpenFile(temporary.c_str(), "wb");
  if (!stream) return 0;
  bool ok = fwrite(tiles, sizeof(TileTargets), kTileCount, stream) == size_t(kTileCount);
  ok = fflush(stream) == 0 && ok;
  ok = fclose(stream) == 0 && ok;
  ok = ok && MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temporary.c_str());
  return ok ? 1 : 0;
}

int LoadTargetDefinitions(TileTargets *tiles) {
  char name[MAX_PATH], directory[MAX_PATH], path[2 * MAX_PATH], text[2 * MAX_PATH + 32];
  if (!RunFileDialog(1, name, directory, kTileFileDescription, kTileFilePattern)) return 0;
  snprintf(path, sizeof path, "%s%s", directory, name);
  if (ReadTileTargetFile(path, tiles)) return 1;
  snprintf(text, sizeof text, "Failed to read %s!", path);
  Notice(text, "Notice", MB_ICONWARNING);
  return 0;
}

int SaveTargetDefinitions(const TileTargets *tiles) {
  char name[MAX_PATH], directory[MAX_PATH], path[2 * MAX_PATH], text[2 * MAX_PATH + 32];
  if (!RunFileDialog(0, name, directory, kTileFileDescription, kTileFilePattern)) return 0;
  snprintf(path, sizeof path, "%s%s", directory, name);
  if (!WriteTileTargetFile(path, tiles)) {
    Notice(path, "Unable to open file...", MB_ICONWARNING);
    return 0;
  }
  snprintf(text, sizeof text, "%s has been saved.", path);
  Notice(text, "Notice", MB_ICONINFORMATION);
  return 1;
}

void LoadAllTargetModels(TargetModel *models) {
  char path[MAX_PATH];
  for (int slot = 0; slot < kModelSlotCount; ++slot) {
    snprintf(path, sizeof path, "mdg\\%s", kModelFileNames[slot]);
    ReadTargetModel(0.005f, path, &models[slot]);
  }
  WriteTargetBoundingBoxes("Target Bounding Boxes.txt", models);
}

int WriteTargetBoundingBoxes(const char *path, const TargetModel *models) {
  FILE *stream = ToolsOpenFile(path, "w");
  if (!stream) return 0;
  for (int slot = 0; slot < kModelSlotCount; ++slot) {
    const int32_t *e = models[slot].halfExtents;
    fprintf(stream, "%i.) %s: %i, %i, %i - %s\n", slot, kTargetNames[slot], int(e[0] / 5), int(e[1] / 5),
            int(e[2] / 5), kModelFileNames[slot]);
  }
  return fclose(stream) == 0 ? 1 : 0;
}
