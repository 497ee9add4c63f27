#pragma once
// The desktop's list dialogs: Goto URL (an editable list), the bookmarks
// and the push messages. Each is modal over owner and opens with its
// top-left at (x, y) on the screen; the lists and what their buttons do
// come from shell/menu.h.
#include <gtk/gtk.h>

#include <string>
#include <vector>

bool gtkGotoUrlDialog(GtkWindow *owner, int x, int y, const std::vector<std::string> &choices, std::string *url);
void gtkBookmarksDialog(GtkWindow *owner, int x, int y);
void gtkPushDialog(GtkWindow *owner, int x, int y);
