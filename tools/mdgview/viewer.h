// mdgview ("MDG Viewer"): one ".mdg" model, lit and textured, turned and zoomed with the mouse.
#ifndef MDGVIEW_VIEWER_H
#define MDGVIEW_VIEWER_H

#include <windows.h>

#include "glwindow.h"
#include "mdgmodel.h"

enum ViewerMouseMode { kMouseNone = 0, kMouseTurning = 2, kMouseZooming = 3 };

struct ViewerState {
  float pitch, yaw, distance;  // degrees about x, degrees about y, translation along z
  int mouseMode;
  int oldX, oldY;
  FrameTimer timer;
  HWND window;
  HDC dc;
  HGLRC context;
  ViewerModel model;
};
extern ViewerState gViewer;

constexpr char kFrameRateFile[] = "output.txt";

int ViewerMain(int showCommand);
// ViewerMain's two ends: the window with its context and GL state, shown; and their tear-down.
int StartViewer(int showCommand);
void StopViewer();
// Lights, projection, arrays, "s1.mdg" and the texture "blank.bmp"; 0 when a GL call fails.
int InitViewerGL();
void RenderViewerFrame();
LRESULT CALLBACK ViewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// File > Load Model. 1 when a model was read.
int LoadViewerModel();
// Appends frames per second since the last restart to "output.txt" and restarts the count.
// 0 when the file does not open (after a message).
int WriteFrameRate();

#endif  // MDGVIEW_VIEWER_H
