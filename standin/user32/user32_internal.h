// Private interface of the user32 stand-in, for its own files (message sending uses the hook
// chain).
#ifndef STANDIN_USER32_INTERNAL_H
#define STANDIN_USER32_INTERNAL_H

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

}  // namespace standin

#endif  // STANDIN_USER32_INTERNAL_H
