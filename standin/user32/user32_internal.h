// Private interface of the user32 stand-in, for its own files and the other components (message
// sending uses the hook chain; scripted input uses the windows).
#ifndef STANDIN_USER32_INTERNAL_H
#define STANDIN_USER32_INTERNAL_H

#include <string>

#include <vector>

#include "../kernel32/standin_internal.h"

namespace standin {

// Runs the calling thread's chain of `idHook` hooks, then the global ones (thread id 0),
// most recently installed first. The first hook is called with (code, wParam, lParam); the
// chain goes on only through CallNextHookEx. Returns the first hook's result, 0 with no hook.
LRESULT CallHookChain(int idHook, int code, WPARAM wParam, LPARAM lParam);

// Runs the WH_CALLWNDPROC chain for a message about to reach a window procedure.
// `fromThisThread`: the message was sent by the calling thread (hook wParam non-zero).
LRESULT CallWndProcHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool fromThisThread);

// Sends a message to every window: the calling thread's windows get it at once, other threads'
// windows when their thread next looks at its queue (the sender does not wait).
void BroadcastToWindows(UINT msg, WPARAM wParam, LPARAM lParam);

// Windows as input sees them (window.cpp).
// The window scripted input goes to: the active window, else the most recently created visible
// top-level window; null when there is none.
HWND InputWindow();
// The deepest visible window at client point `point` of `top` (`top` itself when no child is
// there), with the point in its client coordinates in `*local`; null outside every client area.
HWND WindowAtPoint(HWND top, POINT point, POINT *local);
// The child window of `parent` whose id is `id`; null when there is none.
HWND ChildWithId(HWND parent, int id);
bool IsSelfOrDescendant(HWND ancestor, HWND hwnd);

// Scripted input (input.cpp): the script that kInputScriptVariable names (or that a test loads)
// becomes ordinary messages through the queues, on the virtual clock.
// Delivers the first event whose time has come; false when none is due. The queues call it when
// no posted message is waiting, so the program takes each event before the next one comes.
bool DeliverDueInput();
// Clock time of the next event still to come; -1 when there is none.
long long NextInputTime();
// A script is loaded (it may have no events left).
bool InputScriptLoaded();
// Virtual time that one frame costs: an idle PeekMessageA, or a WM_PAINT taken from the queue.
long long FrameMicroseconds();
// The cursor, in screen coordinates.
POINT CursorPosition();

// Script verbs of other components. A verb with a `deliver` procedure runs it when its time comes,
// with the input window and the words after the verb. A verb registered without one is an answer
// to a modal call (a message box, a file dialog): the call takes it with TakeScriptAnswer.
using ScriptVerbFn = void (*)(HWND target, const std::vector<std::string> &args);
void AddScriptVerb(const char *verb, ScriptVerbFn deliver);
struct ScriptVerbRegistrar {
  ScriptVerbRegistrar(const char *verb, ScriptVerbFn deliver) { AddScriptVerb(verb, deliver); }
};
// Takes the script's first unused answer of `verb` into `*args`; the clock moves on to its time,
// as the user answers then. False when the script has no such answer left.
bool TakeScriptAnswer(const char *verb, std::vector<std::string> *args);

// The script verb "picture FILE [desktop]" (picture.cpp): the input window's picture, or the desktop's.
void PictureVerb(HWND target, const std::vector<std::string> &args);

// The window that captured the mouse (null for none): scripted mouse input goes to it.
HWND MouseCapture();
void SetMouseCapture(HWND hwnd);

// The visible top-level windows, in the order they were created; a top-level window's owner (null
// for none); the colour a window's class erases its client area with.
std::vector<HWND> TopLevelWindows();
HWND WindowOwner(HWND hwnd);
COLORREF WindowBackground(HWND hwnd);
// The texts of a menu's items ("" for separators), in order.
std::vector<std::string> MenuItemTexts(HMENU menu);

// The windows whose parent is `hwnd`, in the order they were created.
std::vector<HWND> ChildWindows(HWND hwnd);

// Registers the system's control classes ("BUTTON", "EDIT", "LISTBOX", "STATIC") once.
void RegisterControlClasses();

}  // namespace standin

#endif  // STANDIN_USER32_INTERNAL_H
