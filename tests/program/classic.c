/*
 * A program in the classic tutorial style, built in both flavours as C (classic.c) and as C++
 * (classic_cpp.cpp): <windows.h> without WIN32_LEAN_AND_MEAN brings the C library's memory,
 * sorting and random numbers, the multimedia services, the system colours, LoadImage and the
 * `byte` and `__int64` types, and the backslash include names find the GL headers. The values
 * of the names are checked where the program is compiled; the calls are checked where it runs,
 * by what the platform answers too (exit code 0).
 */
#include <windows.h>
#include <stdio.h>
#include <gl\gl.h>
#include <gl\glu.h>
#include <GL\gl.h>
#include <GL\GL.h>
#include <GL\glu.h>
#include <GL\GLU.h>

#define CHECK_VALUE(name, value) typedef char check_##name[(name) == (value) ? 1 : -1];
#define CHECK_SIZE(tag, type, size) typedef char check_size_##tag[sizeof(type) == (size) ? 1 : -1];

CHECK_VALUE(COLOR_SCROLLBAR, 0)
CHECK_VALUE(COLOR_BACKGROUND, 1)
CHECK_VALUE(COLOR_ACTIVECAPTION, 2)
CHECK_VALUE(COLOR_INACTIVECAPTION, 3)
CHECK_VALUE(COLOR_MENU, 4)
CHECK_VALUE(COLOR_WINDOW, 5)
CHECK_VALUE(COLOR_WINDOWFRAME, 6)
CHECK_VALUE(COLOR_MENUTEXT, 7)
CHECK_VALUE(COLOR_WINDOWTEXT, 8)
CHECK_VALUE(COLOR_CAPTIONTEXT, 9)
CHECK_VALUE(COLOR_ACTIVEBORDER, 10)
CHECK_VALUE(COLOR_INACTIVEBORDER, 11)
CHECK_VALUE(COLOR_APPWORKSPACE, 12)
CHECK_VALUE(COLOR_HIGHLIGHT, 13)
CHECK_VALUE(COLOR_HIGHLIGHTTEXT, 14)
CHECK_VALUE(COLOR_BTNFACE, 15)
CHECK_VALUE(COLOR_BTNSHADOW, 16)
CHECK_VALUE(COLOR_GRAYTEXT, 17)
CHECK_VALUE(COLOR_BTNTEXT, 18)
CHECK_VALUE(COLOR_INACTIVECAPTIONTEXT, 19)
CHECK_VALUE(COLOR_BTNHIGHLIGHT, 20)
CHECK_VALUE(COLOR_3DDKSHADOW, 21)
CHECK_VALUE(COLOR_3DLIGHT, 22)
CHECK_VALUE(COLOR_INFOTEXT, 23)
CHECK_VALUE(COLOR_INFOBK, 24)
CHECK_VALUE(COLOR_HOTLIGHT, 26)
CHECK_VALUE(COLOR_GRADIENTACTIVECAPTION, 27)
CHECK_VALUE(COLOR_GRADIENTINACTIVECAPTION, 28)
CHECK_VALUE(COLOR_MENUHILIGHT, 29)
CHECK_VALUE(COLOR_MENUBAR, 30)
CHECK_VALUE(COLOR_DESKTOP, 1)
CHECK_VALUE(COLOR_3DFACE, 15)
CHECK_VALUE(COLOR_3DSHADOW, 16)
CHECK_VALUE(COLOR_3DHIGHLIGHT, 20)
CHECK_VALUE(COLOR_3DHILIGHT, 20)
CHECK_VALUE(COLOR_BTNHILIGHT, 20)
CHECK_VALUE(SND_SYNC, 0x0000)
CHECK_VALUE(SND_ASYNC, 0x0001)
CHECK_VALUE(SND_NODEFAULT, 0x0002)
CHECK_VALUE(SND_MEMORY, 0x0004)
CHECK_VALUE(SND_LOOP, 0x0008)
CHECK_VALUE(SND_NOSTOP, 0x0010)
CHECK_VALUE(SND_PURGE, 0x0040)
CHECK_VALUE(SND_APPLICATION, 0x0080)
CHECK_VALUE(SND_NOWAIT, 0x00002000)
CHECK_VALUE(SND_ALIAS, 0x00010000)
CHECK_VALUE(SND_ALIAS_ID, 0x00110000)
CHECK_VALUE(SND_FILENAME, 0x00020000)
CHECK_VALUE(SND_RESOURCE, 0x00040004)
CHECK_VALUE(SND_ALIAS_SYSTEMSTART, 0x5353)
CHECK_VALUE(IMAGE_BITMAP, 0)
CHECK_VALUE(IMAGE_ICON, 1)
CHECK_VALUE(IMAGE_CURSOR, 2)
CHECK_VALUE(LR_DEFAULTCOLOR, 0x0000)
CHECK_VALUE(LR_MONOCHROME, 0x0001)
CHECK_VALUE(LR_LOADFROMFILE, 0x0010)
CHECK_VALUE(LR_LOADTRANSPARENT, 0x0020)
CHECK_VALUE(LR_DEFAULTSIZE, 0x0040)
CHECK_VALUE(LR_LOADMAP3DCOLORS, 0x1000)
CHECK_VALUE(LR_CREATEDIBSECTION, 0x2000)
CHECK_VALUE(LR_SHARED, 0x8000)
CHECK_VALUE(GWLP_USERDATA, -21)
CHECK_VALUE(GWLP_WNDPROC, -4)
CHECK_VALUE(TIMERR_NOERROR, 0)
CHECK_VALUE(TIMERR_NOCANDO, 97)
CHECK_VALUE(MMSYSERR_NOERROR, 0)
CHECK_VALUE(TRANSPARENT, 1)
CHECK_VALUE(OPAQUE, 2)
CHECK_SIZE(byte, byte, 1)
CHECK_SIZE(int64, __int64, 8)
CHECK_SIZE(uint64, unsigned __int64, 8)
CHECK_SIZE(TIMECAPS, TIMECAPS, 8)

static int failures;

static void Expect(int ok, const char *what)
{
    if (!ok) {
        printf("failed: %s\n", what);
        failures++;
    }
}

static int CompareBytes(const void *a, const void *b)
{
    return *(const byte *)a - *(const byte *)b;
}

/* A 3 x 2 24-bit .bmp: bottom row red, green, blue; top row white, black, grey. */
static BOOL WriteBitmapFile(const char *name)
{
    static const byte pixels[2][12] = {
        {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0},
        {255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0},
    };
    BITMAPFILEHEADER bf;
    BITMAPINFOHEADER bi;
    FILE *f = fopen(name, "wb");
    BOOL ok;

    if (f == NULL)
        return FALSE;
    ZeroMemory(&bi, sizeof(bi));
    bi.biSize = sizeof(bi);
    bi.biWidth = 3;
    bi.biHeight = 2;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    ZeroMemory(&bf, sizeof(bf));
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + sizeof(pixels);
    ok = fwrite(&bf, sizeof(bf), 1, f) == 1 && fwrite(&bi, sizeof(bi), 1, f) == 1 &&
         fwrite(pixels, sizeof(pixels), 1, f) == 1;
    return fclose(f) == 0 && ok;
}

static void LoadsBitmapFiles(void)
{
#ifdef __cplusplus
    const char *name = "classic-cpp-texture.bmp";
#else
    const char *name = "classic-texture.bmp";
#endif
    HBITMAP hBMP;
    BITMAP BMP;
    BITMAPINFO info;
    byte top[12];
    HDC hDC;
    HGDIOBJ old;

    Expect(WriteBitmapFile(name), "the bitmap file is written");
    hBMP = (HBITMAP)LoadImage(GetModuleHandle(NULL), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    Expect(hBMP != NULL, "LoadImage loads the file as a DIB section");
    if (hBMP == NULL)
        return;
    Expect(GetObject(hBMP, sizeof(BMP), &BMP) == sizeof(BMP), "GetObject describes it");
    Expect(BMP.bmWidth == 3 && BMP.bmHeight == 2 && BMP.bmBitsPixel == 24, "the file's size and depth");
    Expect(BMP.bmBits != NULL && ((byte *)BMP.bmBits)[2] == 255 && ((byte *)BMP.bmBits)[4] == 255,
           "its bits, bottom row first, blue green red");
    DeleteObject(hBMP);

    hBMP = (HBITMAP)LoadImage(NULL, name, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    Expect(hBMP != NULL, "LoadImage loads the file as a device-dependent bitmap");
    if (hBMP == NULL)
        return;
    Expect(GetObject(hBMP, sizeof(BMP), &BMP) == sizeof(BMP) && BMP.bmWidth == 3 && BMP.bmBits == NULL,
           "a device-dependent bitmap has no bits of its own");
    hDC = CreateCompatibleDC(NULL);
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    memset(top, 0x55, sizeof(top));
    Expect(GetDIBits(hDC, hBMP, 0, 1, top, &info, DIB_RGB_COLORS) == 1, "GetDIBits reads the top row");
    Expect(top[0] == 255 && top[3] == 0 && top[6] > 100 && top[6] < 140, "white, black, grey");
    old = SelectObject(hDC, hBMP);
    Expect(old != NULL, "the bitmap goes into a memory device context");
    SelectObject(hDC, old);
    DeleteDC(hDC);
    DeleteObject(hBMP);
    DeleteFile(name);
}

static void PlaysSounds(void)
{
    TIMECAPS caps;
    DWORD start = timeGetTime();

    Expect(PlaySound(NULL, NULL, 0), "PlaySound(NULL) stops the sound");
    Expect(!PlaySound("no such sound.wav", NULL, SND_FILENAME | SND_NODEFAULT | SND_ASYNC),
           "a missing file without the default sound");
    Expect(PlaySound("no such sound.wav", NULL, SND_FILENAME | SND_ASYNC), "a missing file: the default sound");
    Expect(PlaySound("SystemStart", NULL, SND_ALIAS | SND_ASYNC), "a system sound");
    Expect(sndPlaySound(NULL, 0), "sndPlaySound(NULL) stops the sound");
    Expect(timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR && caps.wPeriodMin >= 1, "timeGetDevCaps");
    Expect(timeBeginPeriod(1) == TIMERR_NOERROR && timeEndPeriod(1) == TIMERR_NOERROR, "timer periods");
    Expect(timeGetTime() - start < 60000, "timeGetTime counts milliseconds");
    Expect(MessageBeep(MB_OK), "MessageBeep");
}

static void UsesTheCLibrary(void)
{
    byte *data = (byte *)malloc(16);
    int i;

    Expect(data != NULL, "malloc");
    if (data == NULL)
        return;
    srand(1);
    for (i = 0; i < 16; i++)
        data[i] = (byte)(rand() % 256);
    qsort(data, 16, 1, CompareBytes);
    for (i = 1; i < 16; i++)
        Expect(data[i - 1] <= data[i], "qsort");
    memset(data, 0, 16);
    Expect(data[15] == 0 && abs(-3) == 3 && toupper('a') == 'A', "memset, abs, toupper");
#ifndef __cplusplus
    Expect(min(2, 3) == 2 && max(2, 3) == 3, "min and max");
#endif
    free(data);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    LARGE_INTEGER frequency, count;
    unsigned __int64 ticks;
    DWORD start = GetTickCount();
    RECT rect = {0, 0, 640, 480};
    HDC screen = GetDC(NULL);

    Expect(QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&count), "the performance counter");
    ticks = (unsigned __int64)count.QuadPart;
    Expect(ticks > 0 && frequency.QuadPart > 0, "the counter runs");
    Expect(GetTickCount() - start < 60000, "GetTickCount counts milliseconds");
    Expect(AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE) &&
               rect.right - rect.left > 640,
           "AdjustWindowRectEx adds the frame");
    Expect(GetSysColor(COLOR_WINDOW) != GetSysColor(COLOR_WINDOWTEXT), "the window and its text differ");
    Expect(GetSysColorBrush(COLOR_APPWORKSPACE) != NULL, "a system colour's brush");
    Expect(MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72) > 0, "MulDiv of a point size");
    ReleaseDC(NULL, screen);
    Expect(MulDiv(3, 5, 2) == 8 && MulDiv(-3, 5, 2) == -8 && MulDiv(1, 1, 0) == -1, "MulDiv rounds half away from 0");
    Expect(ChangeDisplaySettings(NULL, 0) == DISP_CHANGE_SUCCESSFUL, "ChangeDisplaySettings(NULL) restores the mode");
    ShowCursor(TRUE);
    SetWindowLongPtr(NULL, GWLP_USERDATA, 0);
    gluPerspective(45.0, 4.0 / 3.0, 0.1, 100.0); /* no context: does nothing */
    Expect(glGetError() == GL_NO_ERROR, "GL without a context");
    UsesTheCLibrary();
    PlaysSounds();
    LoadsBitmapFiles();
    if (failures)
        MessageBox(NULL, "The classic program's calls did not answer as they should.", "classic", MB_OK);
    printf("%d failed\n", failures);
    return failures ? 1 : 0;
}
