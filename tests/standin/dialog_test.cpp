// Menus, dialogs and controls from resource tables, as the tool programs use them: what a user's
// answers do to the controls, the values the dialog calls read back, and the file replacement
// that saves rely on.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <string>

#include "standin/control.h"
#include "standin/resources.h"

namespace {

enum { kMenu = 201, kDialog = 202, kEdit = 10, kList = 11, kButton = 12, kNumber = 13 };

const StandinMenuItem kMenuItems[] = {
    {0, MF_POPUP, 0, "&File"}, {1, 0, 301, "&Open"}, {1, MF_GRAYED, 302, "&Save"},
    {0, MF_POPUP, 0, "&View"}, {1, MF_POPUP, 0, "&Detail"}, {2, MF_CHECKED, 303, "&High"}, {2, 0, 304, "&Low"},
};
const StandinDialogItem kItems[] = {
    {"EDIT", "", kEdit, WS_CHILD | WS_VISIBLE, 0, 5, 5, 40, 12},
    {"LISTBOX", "", kList, WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 5, 20, 40, 40},
    {"BUTTON", "Go", kButton, WS_CHILD | WS_VISIBLE, 0, 50, 5, 30, 12},
    {"EDIT", "", kNumber, WS_CHILD | WS_VISIBLE, 0, 50, 20, 30, 12},
    {"BUTTON", "OK", IDOK, WS_CHILD | WS_VISIBLE, 0, 50, 40, 30, 12},
};
const StandinDialogTemplate kTemplate = {WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 80, "Test", 5, kItems};
const StandinResource kResources[] = {{STANDIN_RT_MENU, kMenu, kMenuItems, 7}, {STANDIN_RT_DIALOG, kDialog, &kTemplate, 1}};
const bool registered = (StandinRegisterResources(nullptr, kResources, 2), true);

// What the dialog procedure was told, in order.
std::string told;

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  char line[64];
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageA(dialog, kEdit, EM_LIMITTEXT, 3, 0);
    for (const char *item : {"zero", "one", "two"})
      SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    snprintf(line, sizeof line, "init %ld;", long(lParam));
    told += line;
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  snprintf(line, sizeof line, "command %d/%d;", LOWORD(wParam), HIWORD(wParam));
  told += line;
  if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam) == IDOK ? 42 : 7);
  return TRUE;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StandinReset();
    told.clear();
  }
};

TEST_F(DialogTest, MenusComeFromTheResourceTableAndCheck) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kMenu));
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(nullptr, LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999)));
  EXPECT_EQ(DWORD(MF_CHECKED), CheckMenuItem(menu, 303, MF_BYCOMMAND | MF_UNCHECKED));
  EXPECT_EQ(DWORD(MF_UNCHECKED), CheckMenuItem(menu, 304, MF_BYCOMMAND | MF_CHECKED));
  EXPECT_EQ(UINT(MF_CHECKED), GetMenuState(menu, 304, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(0u, GetMenuState(menu, 303, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(DWORD(-1), CheckMenuItem(menu, 999, MF_BYCOMMAND | MF_CHECKED));
  EXPECT_TRUE(DestroyMenu(menu));

  // A window class's menu name gives each top-level window the menu; choosing posts WM_COMMAND.
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "MenuTest";
  wc.lpszMenuName = MAKEINTRESOURCEA(kMenu);
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND window = CreateWindowA("MenuTest", "m", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, GetMenu(window));
  EXPECT_TRUE(StandinChooseMenuItem(window, 301));
  EXPECT_FALSE(StandinChooseMenuItem(window, 302));  // grayed
  EXPECT_FALSE(StandinChooseMenuItem(window, 999));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_COMMAND), msg.message);
  EXPECT_EQ(WPARAM(301), msg.wParam);
  EXPECT_FALSE(PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  DestroyWindow(window);
  UnregisterClassA("MenuTest", nullptr);
}

// A modal dialog runs its answer: typing stops at the limit, a list selection notifies, a button
// press commands; OK ends it with its result and the owner is enabled again.
TEST_F(DialogTest, ModalDialogTakesItsQueuedAnswer) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "Owner";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND owner = CreateWindowA("Owner", "o", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(StandinQueueDialogAnswer(kDialog, "type 10 12345; select 11 2; click 12; type 13 -17; click 1"));
  EXPECT_FALSE(StandinQueueDialogAnswer(kDialog, "wave 10"));
  static HWND modalOwner;
  modalOwner = owner;
  struct Watch {
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        char text[16];
        GetDlgItemTextA(dialog, kEdit, text, sizeof text);
        told += std::string("text ") + text + ";";
        BOOL translated = FALSE;
        const int value = int(GetDlgItemInt(dialog, kNumber, &translated, TRUE));
        told += "number " + std::to_string(value) + (translated ? ";" : " untranslated;");
        told += "list " + std::to_string(SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0)) + ";";
        if (!IsWindowEnabled(modalOwner)) told += "owner disabled;";
      }
      return ::Proc(dialog, message, wParam, lParam);
    }
  };
  EXPECT_EQ(42, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), owner, Watch::Proc, 5));
  EXPECT_EQ("init 5;command 10/768;command 10/768;command 10/768;command 11/1;command 12/0;command 13/768;"
            "command 13/768;command 13/768;text 123;number -17;list 2;owner disabled;command 1/0;",
            told);
  EXPECT_EQ(0, StandinDialogAnswerFailures());
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(nullptr, StandinFindDialog(kDialog));
  EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), owner, Proc, 0));
  DestroyWindow(owner);
  UnregisterClassA("Owner", nullptr);
}

// A modeless dialog takes actions at once; list boxes answer LB_ERR without a selection; an
// action on a missing control counts as a failure.
TEST_F(DialogTest, ModelessDialogAndListBoxes) {
  HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kDialog), nullptr, Proc, 0);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(dialog, StandinFindDialog(kDialog));
  HWND list = GetDlgItem(dialog, kList);
  EXPECT_EQ(kList, GetDlgCtrlID(list));
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_SETCURSEL, 3, 0));
  EXPECT_EQ(3, SendMessageA(list, LB_GETCOUNT, 0, 0));
  EXPECT_TRUE(StandinDialogAction(kDialog, "select 11 1"));
  EXPECT_EQ(1, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(2, SendMessageA(list, LB_DELETESTRING, 0, 0));
  EXPECT_EQ(0, SendMessageA(list, LB_GETCURSEL, 0, 0));  // the selection moved down with its entry
  char text[16];
  EXPECT_EQ(3, SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text)));
  EXPECT_STREQ("one", text);
  EXPECT_FALSE(StandinDialogAction(kDialog, "click 77"));
  EXPECT_EQ(1, StandinDialogAnswerFailures());
  EXPECT_TRUE(StandinDialogAction(kDialog, "close"));  // IDCANCEL
  EXPECT_NE(std::string::npos, told.find("command 2/0;"));
  DestroyWindow(dialog);
  EXPECT_EQ(nullptr, StandinFindDialog(kDialog));
}

TEST_F(DialogTest, DialogIntegersAreWholeNumbersInRange) {
  HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kDialog), nullptr, Proc, 0);
  ASSERT_NE(nullptr, dialog);
  const struct {
    const char *text;
    BOOL isSigned, translated;
    UINT value;
  } cases[] = {
      {"12", FALSE, TRUE, 12},          {" 7 ", FALSE, TRUE, 7},        {"-9", FALSE, FALSE, 0},
      {"-9", TRUE, TRUE, UINT(-9)},     {"", FALSE, FALSE, 0},          {"1x", FALSE, FALSE, 0},
      {"4294967295", FALSE, TRUE, 0xFFFFFFFFu}, {"4294967296", FALSE, FALSE, 0},
      {"2147483648", TRUE, FALSE, 0},   {"-2147483648", TRUE, TRUE, 0x80000000u},
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(SetDlgItemTextA(dialog, kNumber, c.text));
    BOOL translated = !c.translated;
    EXPECT_EQ(c.value, GetDlgItemInt(dialog, kNumber, &translated, c.isSigned)) << c.text;
    EXPECT_EQ(c.translated, translated) << c.text;
  }
  DestroyWindow(dialog);
}

TEST_F(DialogTest, ProgressBarsNeedTheCommonControls) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&init));
  HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kDialog), nullptr, Proc, 0);
  HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD, 0, 0, 50, 10, dialog, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, bar);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 3));
  SendMessageA(bar, PBM_SETSTEP, 2, 0);
  EXPECT_EQ(0, SendMessageA(bar, PBM_STEPIT, 0, 0));
  EXPECT_EQ(2, SendMessageA(bar, PBM_GETPOS, 0, 0));
  SendMessageA(bar, PBM_STEPIT, 0, 0);  // past the end: round again
  EXPECT_EQ(1, SendMessageA(bar, PBM_GETPOS, 0, 0));
  DestroyWindow(dialog);
  EXPECT_FALSE(IsWindow(bar));
}

// A replacing move puts the new file in place in one step; without the flag an existing file stays.
TEST_F(DialogTest, MoveFileExReplacesOnlyWhenAsked) {
  char dir[] = "/tmp/standin-move-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string a = std::string(dir) + "/a", b = std::string(dir) + "/b";
  auto write = [](const std::string &path, const char *text) {
    FILE *f = fopen(path.c_str(), "w");
    fputs(text, f);
    fclose(f);
  };
  auto read = [](const std::string &path) {
    char text[16] = "";
    FILE *f = fopen(path.c_str(), "r");
    if (f) fgets(text, sizeof text, f), fclose(f);
    return std::string(text);
  };
  write(a, "new");
  write(b, "old");
  EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), 0));
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_EQ("old", read(b));
  EXPECT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ("new", read(b));
  EXPECT_EQ("", read(a));
  EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));  // nothing to move
  remove(b.c_str());
  rmdir(dir);
}

}  // namespace
