// Shows one of the GTK backend's dialogs over a plain owner window and
// prints how it was answered: "result N", then "buffer TEXT" (bytes outside
// printable ASCII as \xHH) or "selected B B ...", or the stored preferences.
// For dialogs_xvfb.sh, which answers with xdotool.
//   dialog_driver [--home DIR] [--at X Y] [--utf8] WHAT
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "common/directories.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/gtk/gtk_dialogs.h"
#include "shell/gtk/gtk_prefs.h"
#include "prefs/prefs.h"

// Stand-ins for the cache.
void C_setCacheSize(uint32_t, uint32_t) { }
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize) { *minSize = *maxSize = 0; }
void C_reconnect() { std::printf("reconnect\n"); }
void C_clearCache() { std::printf("clearCache\n"); }

namespace {

std::string escaped(const char *bytes)
{
    std::string out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes); *p; p++) {
        if (*p >= 0x20 && *p < 0x7F && *p != '\\') {
            out += static_cast<char>(*p);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", *p);
            out += hex;
        }
    }
    return out;
}

int runPrefs(GtkWindow *owner, bool show)
{
    UserPrefs prefs;
    int code = loadPrefs(&prefs);
    if (code != 0) {
        std::fprintf(stderr, "dialog_driver: cannot load the preferences (%d)\n", code);
        return 1;
    }
    if (show) {
        gtkCreatePrefsWindow(owner, &prefs);
        GtkWindow *window = gtkPrefsWindow();
        g_signal_connect(window, "hide", G_CALLBACK(gtk_main_quit), nullptr);
        gtkShowPrefsWindow();
        gtk_main();
        gtkDestroyPrefsWindow();
    }
    std::printf("home %s\nport %u\nflags %u\n", escaped(prefs.homeUrl.c_str()).c_str(), prefs.proxyPort, prefs.flags);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const char *home = nullptr;
    int atX = 137, atY = 211;
    bool utf8 = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; i++) {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) {
            home = argv[++i];
        } else if (std::strcmp(argv[i], "--at") == 0 && i + 2 < argc) {
            atX = std::atoi(argv[++i]);
            atY = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--utf8") == 0) {
            utf8 = true;
        } else {
            break;
        }
    }
    if (i != argc - 1) {
        std::fprintf(stderr, "usage: dialog_driver [--home DIR] [--at X Y] [--utf8] WHAT\n");
        return 2;
    }
    std::string what = argv[i];
    setvbuf(stdout, nullptr, _IOLBF, 0);
    Log_setMode(LOG_OFF);  // stdout is the answer
    if (home && !Dir_initDirectories(home)) {
        std::fprintf(stderr, "dialog_driver: cannot use %s\n", home);
        return 2;
    }
    D_setDeckCharset(utf8 ? 106 : 4);
    if (what == "print-prefs")
        return runPrefs(nullptr, false);

    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "dialog_driver: no display\n");
        return 2;
    }
    GtkWidget *owner = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(owner), "Owner");
    gtk_window_set_default_size(GTK_WINDOW(owner), 240, 320);
    gtk_window_move(GTK_WINDOW(owner), 60, 50);
    gtk_widget_show_all(owner);
    GtkWindow *ownerWindow = GTK_WINDOW(owner);

    if (what == "prefs")
        return runPrefs(ownerWindow, true);

    DialogRequest request{};
    char text[16] = "";
    uint8_t selected[8] = {};
    int options = 0;
    if (what == "text") {
        request = {DIALOG_TEXT, nullptr, "Your name (2 to 5 letters):", text, nullptr, 2, 5, 0};
    } else if (what == "long-text") {
        request = {DIALOG_TEXT,
                   "",
                   "A prompt far longer than the box above the field has room for, so that it has to end "
                   "early with an ellipsis instead of making the dialog any bigger than the template says.",
                   text,
                   nullptr,
                   0,
                   5,
                   0};
    } else if (what == "masked") {
        std::strcpy(text, "init");
        request = {DIALOG_MASKED_TEXT, "PIN", "Enter the PIN:", text, nullptr, 0, 8, 0};
    } else if (what == "select") {
        static const char list[] = "Red\0Green\0Blue\0";
        std::memcpy(text, list, sizeof list);
        selected[1] = selected[2] = 1;
        options = 3;
        request = {DIALOG_SELECT, nullptr, "Pick a colour:", text, selected, 0, 0, 0};
    } else if (what == "multi") {
        static char list[] = "One\0Two\0Three\0Four\0";
        request = {DIALOG_SELECT, "Numbers", "Pick any:", list, selected, 0, 0, 1};
        selected[0] = selected[2] = 1;
        options = 4;
    } else if (what == "empty-select") {
        request = {DIALOG_SELECT, nullptr, "Nothing", text, selected, 0, 0, 0};
    } else if (what == "confirm") {
        request = {DIALOG_CONFIRM, nullptr, "Send the form now?", nullptr, nullptr, 0, 0, 0};
    } else if (what == "info" || what == "error") {
        request = {DIALOG_INFO,
                   what == "error" ? "Error" : nullptr,
                   "The gateway did not answer. Check the address and the port in the preferences, "
                   "then try again. This text is long enough to need the scroll bar of the box.",
                   nullptr,
                   nullptr,
                   0,
                   0,
                   0};
    } else if (what == "kind5") {
        request = {5, nullptr, "never shown", nullptr, nullptr, 0, 0, 0};
    } else {
        std::fprintf(stderr, "dialog_driver: unknown dialog %s\n", what.c_str());
        return 2;
    }
    int result = gtkShowDialog(ownerWindow, atX, atY, &request);
    std::printf("result %d\n", result);
    if (request.kind == DIALOG_TEXT || request.kind == DIALOG_MASKED_TEXT)
        std::printf("buffer %s\n", escaped(text).c_str());
    if (request.kind == DIALOG_SELECT) {
        std::printf("selected");
        for (int n = 0; n < options; n++)
            std::printf(" %d", selected[n]);
        std::printf("\n");
    }
    gtk_widget_destroy(owner);
    return 0;
}
