// Top-level windows of other programs, found by title on the X11 display
// (the EWMH client list) and asked to close with WM_DELETE_WINDOW. Without an
// X11 display these find nothing and do nothing.
#pragma once
#include <QString>
#include <cstdint>
#include <vector>

std::vector<uint32_t> FindWindowsByTitle(const QString& title);
// Asks the window to close, as its close button would.
void PostCloseMessage(uint32_t window);
// Closes every window titled `title`: while one exists, ask it to close and look
// again (at most `rounds` times, so a window that refuses cannot hang the caller).
void CloseWindowsTitled(const QString& title, int rounds = 20);
