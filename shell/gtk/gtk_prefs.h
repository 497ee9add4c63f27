#pragma once
// The GTK backend's preferences window: title "Prefs", the tabs
// "General", "Cache", "Gateway" and "Advanced", and the buttons "OK",
// "Cancel" and "Restore" under them. Created hidden at start-up, shown and
// hidden afterwards (closing it hides it); the logic is shell/prefs_form.h.
//
// Widget names, for tests and accessibility tools: "pages" (the notebook),
// "home-url", "load-on-startup", "cache-min", "cache-max", "clear-cache",
// "bearer", "gateway-address", "port", "accept-push", "sdu-size",
// "mor-method", "mor-push", "newcontext-history", "ok", "cancel", "restore".
// Window role "tovrin-prefs".
#include <gtk/gtk.h>

#include "prefs/prefs.h"

// The window, hidden, over owner (may be null); prefs is the process-wide
// record, kept by pointer and edited in place on OK and Restore.
bool gtkCreatePrefsWindow(GtkWindow *owner, UserPrefs *prefs);
// Fills every page from the record and the cache limits, then presents the
// window.
void gtkShowPrefsWindow();
void gtkDestroyPrefsWindow();
// The window, null before gtkCreatePrefsWindow.
GtkWindow *gtkPrefsWindow();
