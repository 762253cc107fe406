// Resource ids of mdgview.
#ifndef MDGVIEW_RESOURCE_H
#define MDGVIEW_RESOURCE_H

#define IDR_MAINMENU 101
#define ID_FILE_LOADMODEL 40001

#endif  // MDGVIEW_RESOURCE_H
