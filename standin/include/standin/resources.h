/* Host only: a program's resources (menus, dialog templates, bitmaps) as tables that the stand-in
   finds by module and numeric id, as the platform finds the resources linked into an executable.
   scripts/rc2table.py writes these tables from a program's .rc file. */
#ifndef STANDIN_RESOURCES_H
#define STANDIN_RESOURCES_H

#include "../windows.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A menu: items in order; `depth` nests items under the MF_POPUP item before them. */
typedef struct {
  int depth;
  UINT flags; /* MF_POPUP, MF_SEPARATOR, MF_CHECKED, MF_GRAYED */
  UINT id;
  const char *text;
} StandinMenuItem;

/* A dialog template: position and size in dialog units. */
typedef struct {
  const char *className; /* "BUTTON", "EDIT", "LISTBOX", "STATIC", or any registered class */
  const char *text;      /* "#<n>": resource id n (a static control's bitmap) */
  int id;
  DWORD style, exStyle;
  short x, y, cx, cy;
} StandinDialogItem;

typedef struct {
  DWORD style, exStyle;
  short x, y, cx, cy;
  const char *caption;
  int itemCount;
  const StandinDialogItem *items;
} StandinDialogTemplate;

#define STANDIN_RT_MENU 4
#define STANDIN_RT_DIALOG 5
#define STANDIN_RT_BITMAP 2
typedef struct {
  int type;          /* STANDIN_RT_* */
  WORD id;
  const void *data;  /* StandinMenuItem[], StandinDialogTemplate, or a bitmap file's bytes */
  DWORD size;        /* menu items, or bitmap bytes */
} StandinResource;

/* Adds `count` resources to `module` (null: the program). */
void StandinRegisterResources(HINSTANCE module, const StandinResource *table, int count);
/* The resource of that type and id of `module` (null: the program); null when there is none. */
const StandinResource *StandinFindResource(HINSTANCE module, int type, LPCSTR name);

#ifdef __cplusplus
}
#endif

#endif /* STANDIN_RESOURCES_H */
