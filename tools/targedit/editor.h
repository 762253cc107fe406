// targedit ("Calvex Tile Target Editor"): the targets of the game's 59 terrain tiles, shown as a
// 3-D view of the current tile with a 2-D map and an information panel over it, edited with the
// menu, keys, mouse and two dialogs.
#ifndef TARGEDIT_EDITOR_H
#define TARGEDIT_EDITOR_H

#include <windows.h>

#include "glwindow.h"
#include "tiletargets.h"

enum EditorButton { kButtonNone = 0, kButtonLeft = 1, kButtonRight = 2 };

struct EditorState {
  // View.
  float distance, angleX, angleY, centreX, centreZ;
  int panX, panY;
  float zoom;
  int drawLimit;
  bool boundingBoxes;
  int drawnVertices;  // triangle vertices drawn in the last frame
  int frames;
  FrameTimer timer;
  // Editing.
  int chosenType;  // 1-71
  bool placeMode, dragging, mouseView;
  int button;
  int oldX, oldY;
  TileTargets copyBuffer;
  TileTargets savedTile;  // the tile as dialog 105 found it, for Cancel
  HWND targetsDialog;     // dialog 105 while it is open
  // Window and drawing.
  HWND window;
  HDC dc;
  HGLRC context;
  HBRUSH markerBrush;
  HGLOBAL tileBitmaps[kTileCount];
  HPALETTE tilePalettes[kTileCount];
  bool textureLoaded[kModelSlotCount];
  TargetEditorData data;
};
extern EditorState gEditor;

// Start-up, loading and views.
int EditorMain(int showCommand);
// EditorMain's two ends: window, context, GL state and everything loaded, shown; and the tear-down.
int StartEditor(int showCommand);
void StopEditor();
void InitEditorGL(int width, int height);
int CreateMarkerBrush();
void LoadAllTextures();
void LoadTileBitmap(const char *name, int tile);
void LoadModelTexture(const char *name, int index);
int OpenProgressDialog(const char *message, int steps);
void StepProgress();
void CloseProgressDialog();
void Repaint(HWND window);
void RenderTileScene();
void DrawTileTargets();
void DrawTargetBoundingBox(int type);
float WrapAngle(float angle);
void DrawTileMap();
void DrawTargetMarkers(const RECT &map);
void DrawMarkerPolygon(HDC dc, int centreX, int centreY, int halfHeight, int halfWidth, int heading);
void DrawInfoText();
// The map: the client rectangle's left square.
RECT MapRect();

// Commands, keys, mouse and dialogs.
LRESULT CALLBACK EditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
TileTargets &CurrentTile();
int TargetsDrawn();  // the tile's count limited by the View Detail choice
// Keeps the current target within 0..max(count - 1, 0) of the current tile.
void ClampCurrentTarget();
// Tile position (0-255) under a window point of the map.
POINT MapToTile(int x, int y, const RECT &map);
int PickNearestTarget(POINT tile);
void RecentreView();
void EditTileTargets();
INT_PTR EditTargetProperties(HWND owner);

#endif  // TARGEDIT_EDITOR_H
