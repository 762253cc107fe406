// targedit's start-up, loading (behind a progress dialog) and the views every repaint draws: the
// 3-D view of the current tile (OpenGL), then the 2-D map with its markers and the information
// panel (GDI) into the same window device context.
#include "editor.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <commctrl.h>

#include "dib.h"
#include "resource.h"
#include "toolsio.h"

EditorState gEditor;

namespace {

constexpr float kTurn = 360.0f / 65535.0f;  // degrees per heading unit
constexpr float kBoxScale = 0.005f;
HWND progressDialog = nullptr, progressBar = nullptr;

void Notice(const char *text) { MessageBoxA(nullptr, text, "Notice", MB_OK | MB_ICONWARNING); }

// Texturing follows whether the texture bound for `index` has an image: without one the surface
// is drawn untextured.
void BindTexture(int index) {
  glBindTexture(GL_TEXTURE_2D, GLuint(index));
  if (index >= 0 && index < kModelSlotCount && gEditor.textureLoaded[index]) glEnable(GL_TEXTURE_2D);
  else glDisable(GL_TEXTURE_2D);
}

void PointArraysAt(const TargetModel &m) {
  glTexCoordPointer(2, GL_FLOAT, 0, m.texCoords);
  glVertexPointer(3, GL_FLOAT, 0, m.positions);
  glNormalPointer(GL_FLOAT, 0, m.normals);
}

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) ShowWindow(dialog, SW_SHOW);
  return 0;
}

// Lets the progress dialog paint; other input waits for the message loop.
void PumpPaints() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
}

// A float screen value as an int, limited so that hostile sizes cannot overflow.
int ToScreen(double value) {
  if (!(value > -1e7)) return -10000000;
  if (value > 1e7) return 10000000;
  return int(value);
}

}  // namespace

int StartEditor(int showCommand) {
  memset(&gEditor, 0, sizeof gEditor);
  gEditor.distance = -320.0f;
  gEditor.angleX = 45.0f;
  gEditor.centreZ = 5.0f;
  gEditor.zoom = 1.0f;
  gEditor.drawLimit = kMaxTileTargets;
  gEditor.chosenType = kFirstTargetType;
  gEditor.timer = FrameTimer{1, 1, GetTickCount()};
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  gEditor.window = CreateGLWindow("Calvex Tile Target Editor", 0, 0, width, height, PFD_TYPE_RGBA, PFD_DOUBLEBUFFER,
                                  EditorWndProc);
  if (!gEditor.window) return 0;
  HDC dc = GetDC(gEditor.window);
  HGLRC context = dc ? wglCreateContext(dc) : nullptr;
  if (!context || !wglMakeCurrent(dc, context)) {
    MessageBoxA(nullptr, "Cannot create an OpenGL context for the window.", "Error", MB_OK | MB_ICONERROR);
    if (context) wglDeleteContext(context);
    if (dc) ReleaseDC(gEditor.window, dc);
    DestroyWindow(gEditor.window);
    gEditor.window = nullptr;
    return 0;
  }
  gEditor.dc = dc;
  gEditor.context = context;
  InitEditorGL(width, height);
  if (!CreateMarkerBrush()) OutputDebugStringA("targedit: CreateSolidBrush failed\n");
  LoadAllTextures();
  LoadAllTargetModels(gEditor.data.models);
  ShowWindow(gEditor.window, showCommand);
  TOOLS_CHECK(SetCursorPos(320, 240));
  return 1;
}

void StopEditor() {
  if (gEditor.targetsDialog) DestroyWindow(gEditor.targetsDialog);
  gEditor.targetsDialog = nullptr;
  TOOLS_CHECK(wglMakeCurrent(nullptr, nullptr));
  TOOLS_CHECK(ReleaseDC(gEditor.window, gEditor.dc));
  TOOLS_CHECK(wglDeleteContext(gEditor.context));
  TOOLS_CHECK(DestroyWindow(gEditor.window));
  gEditor.window = nullptr;
  gEditor.dc = nullptr;
  gEditor.context = nullptr;
}

int EditorMain(int showCommand) {
  if (!StartEditor(showCommand)) return 1;
  // Dialog 105 is modeless: its messages go through the dialog manager, the rest to the window.
  MSG msg = {};
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    if (gEditor.targetsDialog && IsDialogMessageA(gEditor.targetsDialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  StopEditor();
  return got < 0 ? 1 : int(msg.wParam);
}

void InitEditorGL(int width, int height) {
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, height > 0 ? double(width) / double(height) : 1.0, 0.1, 1600.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.785f, 1.0f, 1.0f);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  PointArraysAt(gEditor.data.models[0]);
}

int CreateMarkerBrush() {
  gEditor.markerBrush = CreateSolidBrush(RGB(255, 0, 0));
  return gEditor.markerBrush != nullptr;
}

void LoadAllTextures() {
  OpenProgressDialog("Loading Texture Bitmaps and Building Mipmaps", kModelSlotCount);
  for (int i = 0; i < kFirstModelTexture; ++i) {
    glBindTexture(GL_TEXTURE_2D, GLuint(i));
    LoadTileBitmap(kTextureNames[i], i);
    StepProgress();
  }
  for (int i = kFirstModelTexture; i < kModelSlotCount; ++i) {
    glBindTexture(GL_TEXTURE_2D, GLuint(i));
    LoadModelTexture(kTextureNames[i], i);
    StepProgress();
  }
  CloseProgressDialog();
}

void LoadTileBitmap(const char *name, int tile) {
  char path[MAX_PATH], text[MAX_PATH + 32];
  snprintf(path, sizeof path, "tiles\\BN%s", name);
  gEditor.textureLoaded[tile] = LoadMipmappedTexture(path) != 0;
  snprintf(text, sizeof text, "Failed to read %s!", path);
  FILE *stream = ToolsOpenFile(path, "rb");
  if (!stream) {
    Notice(text);
    return;
  }
  gEditor.tileBitmaps[tile] = ReadDibFile(stream);
  fclose(stream);
  if (!gEditor.tileBitmaps[tile]) {
    Notice(text);
    return;
  }
  CreateDibPalette(gEditor.tileBitmaps[tile], &gEditor.tilePalettes[tile]);  // none for a bitmap without colours
}

void LoadModelTexture(const char *name, int index) {
  char path[MAX_PATH];
  snprintf(path, sizeof path, "mdg\\%s", name);
  gEditor.textureLoaded[index] = LoadMipmappedTexture(path) != 0;
}

int OpenProgressDialog(const char *message, int steps) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RECT client;
  if (!InitCommonControlsEx(&controls) ||
      !(progressDialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc, 0)) ||
      !GetClientRect(progressDialog, &client)) {
    OutputDebugStringA("targedit: the progress dialog did not open\n");
    if (progressDialog) DestroyWindow(progressDialog);
    progressDialog = nullptr;
    return 0;
  }
  progressBar = CreateWindowExA(WS_EX_CLIENTEDGE, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, client.left + 8,
                                client.bottom - 30, client.right - client.left - 16, 20, progressDialog, nullptr,
                                instance, nullptr);
  TOOLS_CHECK(progressBar);
  if (progressBar) {
    SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, steps));
    SendMessageA(progressBar, PBM_SETSTEP, 1, 0);
  }
  TOOLS_CHECK(SetDlgItemTextA(progressDialog, IDC_PROGRESSTEXT, message));
  PumpPaints();
  return 1;
}

void StepProgress() {
  if (progressBar) SendMessageA(progressBar, PBM_STEPIT, 0, 0);
  PumpPaints();
}

void CloseProgressDialog() {
  if (progressBar) DestroyWindow(progressBar);
  if (progressDialog) DestroyWindow(progressDialog);
  progressBar = progressDialog = nullptr;
}

void Repaint(HWND window) {
  if (gEditor.tileBitmaps[gEditor.data.currentTile]) DrawTileMap();
  RenderTileScene();
  DrawInfoText();
  PAINTSTRUCT paint;
  if (BeginPaint(window, &paint)) TOOLS_CHECK(EndPaint(window, &paint));
}

void RenderTileScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  BindTexture(gEditor.data.currentTile);
  glTranslatef(0.0f, 0.0f, gEditor.distance);
  glRotatef(gEditor.angleX, 1.0f, 0.0f, 0.0f);
  glRotatef(gEditor.angleY, 0.0f, 1.0f, 0.0f);
  glTranslatef(gEditor.centreX, 0.0f, gEditor.centreZ);
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-128.0f, 0.0f, 128.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-128.0f, 0.0f, -128.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(128.0f, 0.0f, -128.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(128.0f, 0.0f, 128.0f);
  glEnd();
  UpdateFrameTimer(&gEditor.timer);
  DrawTileTargets();
  gEditor.angleY = WrapAngle(gEditor.angleY);
  gEditor.angleX = WrapAngle(gEditor.angleX);
  ++gEditor.frames;
  glFlush();
  TOOLS_CHECK(SwapGLBuffers(gEditor.dc));
}

int TargetsDrawn() {
  const int count = TileTargetCount(&CurrentTile());
  return count < gEditor.drawLimit ? count : gEditor.drawLimit;
}

void DrawTileTargets() {
  const TileTargets &tile = CurrentTile();
  const int n = TargetsDrawn();
  gEditor.drawnVertices = 0;
  for (int k = 0; k < n; ++k) {
    const TargetRecord &target = tile.targets[k];
    const int type = target.type < kModelSlotCount ? target.type : 0;
    const TargetModel &model = gEditor.data.models[type];
    glPushMatrix();
    glTranslatef(float(target.x - 128.0), 0.0f, float(target.y - 128.0));  // any int32 of a file
    glRotatef(float(target.heading) * kTurn, 0.0f, 1.0f, 0.0f);
    BindTexture(model.textureIndex);
    PointArraysAt(model);
    glDrawArrays(GL_TRIANGLES, 0, model.triangleVertexCount);
    gEditor.drawnVertices += model.triangleVertexCount;
    if (model.lineVertexCount) {
      glDisable(GL_TEXTURE_2D);
      glColor3f(0.0f, 0.0f, 0.0f);
      glVertexPointer(3, GL_FLOAT, 0, model.lineVertices);
      glDrawArrays(GL_LINES, 0, model.lineVertexCount);
      glEnable(GL_TEXTURE_2D);
    }
    if (gEditor.boundingBoxes) DrawTargetBoundingBox(type);
    glPopMatrix();
  }
}

void DrawTargetBoundingBox(int type) {
  const int32_t *e = gEditor.data.models[type].halfExtents;
  const float X = float(e[0]) * kBoxScale, Y = float(e[1]) * kBoxScale, Z = float(e[2]) * kBoxScale;
  const float points[16][3] = {{X, Y, Z},   {X, Y, -Z},  {X, 0, -Z},  {X, Y, -Z}, {-X, Y, -Z}, {-X, 0, -Z},
                               {-X, Y, -Z}, {-X, Y, Z},  {-X, 0, Z},  {-X, Y, Z}, {X, Y, Z},   {X, 0, Z},
                               {X, 0, -Z},  {-X, 0, -Z}, {-X, 0, Z},  {X, 0, Z}};
  glColor3f(1.0f, 0.0f, 0.0f);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_LINE_LOOP);
  for (const auto &p : points) glVertex3f(p[0], p[1], p[2]);
  glEnd();
  glEnable(GL_TEXTURE_2D);
}

float WrapAngle(float angle) {
  if (angle < 0.0f) return angle + 360.0f;
  if (angle > 360.0f) return angle - 360.0f;
  return angle;
}

RECT MapRect() {
  RECT map = {0, 0, 0, 0};
  if (GetClientRect(gEditor.window, &map)) map.right = map.bottom;
  return map;
}

void DrawTileMap() {
  const int tile = gEditor.data.currentTile;
  const RECT map = MapRect();
  const int size = int(gEditor.zoom * 256.0f);
  const RECT source = {gEditor.panX, gEditor.panY, gEditor.panX + size, gEditor.panY + size};
  TOOLS_CHECK(PaintDib(gEditor.dc, &map, gEditor.tileBitmaps[tile], &source, gEditor.tilePalettes[tile]));
  DrawTargetMarkers(map);
}

void DrawTargetMarkers(const RECT &map) {
  const TileTargets &tile = CurrentTile();
  const int n = TargetsDrawn();
  const double W = map.right - map.left, H = map.bottom - map.top, zoom = gEditor.zoom;
  for (int k = 0; k < n; ++k) {
    const TargetRecord &t = tile.targets[k];
    const int32_t *e = gEditor.data.models[t.type < kModelSlotCount ? t.type : 0].halfExtents;
    // In double: hostile extents times the map's size overflow 32 bits.
    const double u = trunc((double(t.x) - gEditor.panX) / zoom);
    const double v = trunc((double(gEditor.panY) + t.y - (1.0 - zoom) * 255.0) / zoom);
    const int x = ToScreen(map.left + trunc(W * u / 255.0)), y = ToScreen(map.top + trunc(H * v / 255.0));
    const int halfWidth = ToScreen(W * e[0] / (zoom * 50000.0)), halfHeight = ToScreen(H * e[2] / (zoom * 50000.0));
    if (k == gEditor.data.currentTarget) {
      HGDIOBJ previous = SelectObject(gEditor.dc, gEditor.markerBrush);
      TOOLS_CHECK(previous);
      DrawMarkerPolygon(gEditor.dc, x, y, halfHeight, halfWidth, t.heading);
      if (previous) TOOLS_CHECK(SelectObject(gEditor.dc, previous));
    } else {
      DrawMarkerPolygon(gEditor.dc, x, y, halfHeight, halfWidth, t.heading);
    }
  }
}

void DrawMarkerPolygon(HDC dc, int centreX, int centreY, int halfHeight, int halfWidth, int heading) {
  const double corners[4][2] = {{double(halfWidth), double(halfHeight)},
                                {double(halfWidth), -double(halfHeight)},
                                {-double(halfWidth), -double(halfHeight)},
                                {-double(halfWidth), double(halfHeight)}};
  const float a = float(heading * 6.28318530718 / 65535.0);
  const double c = cosf(a), s = sinf(a);
  POINT points[4];
  for (int i = 0; i < 4; ++i) {
    const double p = corners[i][0], q = corners[i][1];
    points[i].x = ToScreen(trunc(c * p + s * q) + centreX);
    points[i].y = ToScreen(trunc(-s * p + c * q) + centreY);
  }
  TOOLS_CHECK(Polygon(dc, points, 4));
}

void DrawInfoText() {
  RECT client;
  if (!GetClientRect(gEditor.window, &client)) return;
  const LONG R = client.right, B = client.bottom;
  TOOLS_CHECK(Rectangle(gEditor.dc, B - 1, 0, R, B));
  RECT text = {B + 1, 1, R, B};
  const TileTargets &tile = CurrentTile();
  const TargetRecord &t = tile.targets[gEditor.data.currentTarget];
  char info[512];
  snprintf(info, sizeof info,
           "Tile: %i \nPolys: %i\nSlot: %i \nNumber of Targets: %i \nX Offset: %i \nY Offset: %i \nZoom: %f \n"
           "Target X: %i \n Target Y: %i \n Heading: %i \n",
           gEditor.data.currentTile, gEditor.drawnVertices / 3, gEditor.data.currentTarget, int(tile.count),
           gEditor.panX, gEditor.panY, double(gEditor.zoom), int(t.x), int(t.y), int(t.heading) * 360 / 65535);
  TOOLS_CHECK(DrawTextA(gEditor.dc, info, -1, &text, DT_LEFT | DT_TOP));
}
