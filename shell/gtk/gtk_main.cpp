#include "shell/gtk/gtk_main.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <spawn.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/log.h"
#include "common/registry.h"
#include "shell/display/canvas.h"
#include "shell/display/dialog_headless.h"
#include "shell/gtk/gtk_dialogs.h"
#include "shell/gtk/gtk_lists.h"
#include "shell/gtk/gtk_prefs.h"
#include "shell/menu.h"
#include "shell/platform.h"
#include "shell/skin_paint.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "stack/udp_transport.h"

extern char **environ;

namespace {

constexpr const char ZOOM_KEY[] = "Software\\Corvale\\Tovrin\\Skin";
constexpr const char ZOOM_VALUE[] = "Zoom";
constexpr int ZOOM_MAX = 3;
constexpr int MENU_ZOOM_BASE = 9000;  // 9001..9003: zoom 1..3

// Native controls keep the skin's sizes: the theme's minimums go, and the
// text grows with the zoom. %d: the font size in pixels.
constexpr const char CONTROL_CSS[] =
    ".tovrin-control, .tovrin-control * { min-height: 0; min-width: 0; padding-top: 0; padding-bottom: 0;"
    " margin: 0; font-size: %dpx; }"
    ".tovrin-control button, button.tovrin-control { padding-left: 2px; padding-right: 2px; }"
    ".tovrin-control arrow { min-width: 8px; min-height: 8px; }";
constexpr int CONTROL_FONT_PX = 9;

struct Control {
    int id;
    const char *name;
    GtkWidget *widget;
};

GtkWidget *gWindow = nullptr;  // the handset
GtkWidget *gFixed = nullptr;   // holds the canvas and the controls
GtkWidget *gCanvas = nullptr;  // the card
Control gControls[] = {{CMD_ACTION1, "action1", nullptr},
                       {CMD_ACTION2, "action2", nullptr},
                       {CMD_ACTION3, "action3", nullptr},
                       {CMD_STATUS, "status", nullptr}};
int gZoom = 1;               // whole-number scale of the handset
guint gTimers[3] = {};       // by timer id; 0 not running
bool gFillingLists = false;  // the program, not the user, changes a list
int gDialogDepth = 0;        // modal WML dialogs open
bool gQuitting = false;
GtkCssProvider *gControlCss = nullptr;  // the controls' style at the current zoom

Control *control(int id)
{
    for (Control &c : gControls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const ControlPlacement &placement(const SkinDefinition &skin, int id)
{
    switch (id) {
    case CMD_ACTION1: return skin.action1;
    case CMD_ACTION2: return skin.action2;
    case CMD_ACTION3: return skin.action3;
    default: return skin.status;
    }
}

// --- zoom ---

int storedZoom()
{
    RegKey key;
    bool created = false;
    uint32_t zoom = 0, size = sizeof zoom;
    if (Reg_openKey(ZOOM_KEY, &key, &created) != REG_OK)
        return 1;
    int r = Reg_queryValue(&key, ZOOM_VALUE, nullptr, &zoom, &size);
    Reg_closeKey(&key);
    return r == REG_OK && size == sizeof zoom && zoom >= 1 && zoom <= ZOOM_MAX ? static_cast<int>(zoom) : 1;
}

void storeZoom(int zoom)
{
    RegKey key;
    bool created = false;
    if (Reg_openKey(ZOOM_KEY, &key, &created) != REG_OK)
        return;
    uint32_t value = static_cast<uint32_t>(zoom);
    Reg_setValue(&key, ZOOM_VALUE, REG_TYPE_NONE, &value, sizeof value);
    Reg_closeKey(&key);
}

// A handset larger than the screen is shown at a smaller zoom, never below 1.
int fittingZoom(const SkinDefinition &skin, int zoom)
{
    GdkDisplay *display = gdk_display_get_default();
    GdkMonitor *monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display)
        monitor = gdk_display_get_monitor(display, 0);
    if (!monitor)
        return zoom;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    while (zoom > 1 && (skin.image.width * zoom > area.width || skin.image.height * zoom > area.height))
        zoom--;
    return zoom;
}

// --- drawing ---

void paintScaled(cairo_t *cr, cairo_surface_t *surface)
{
    if (!surface)
        return;
    cairo_scale(cr, gZoom, gZoom);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
}

gboolean onHandsetDraw(GtkWidget *, cairo_t *cr, gpointer)
{
    cairo_save(cr);
    paintScaled(cr, handsetSurface());
    cairo_restore(cr);
    return FALSE;  // the children draw next
}

// TOVRIN_BENCH_STARTUP=1: the program ends once the first card is on the
// screen and prints its resident memory, so that a benchmark can time
// start-up as a whole process.
bool gBenchStartup = false;

void reportStartup()
{
    long rss = 0;
    if (FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmRSS: %ld", &rss) == 1)
                break;
        std::fclose(f);
    }
    std::printf("startup painted rss-kb %ld\n", rss);
    std::fflush(stdout);
    platform().quit();
}

gboolean onCanvasDraw(GtkWidget *, cairo_t *cr, gpointer)
{
    paintScaled(cr, canvasSurface());
    if (gBenchStartup && currentLayoutTable()) {
        gBenchStartup = false;
        reportStartup();
    }
    return TRUE;
}

// --- input ---

void handsetPoint(double xRoot, double yRoot, int *x, int *y)
{
    int ox = 0, oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(gWindow), &ox, &oy);
    *x = static_cast<int>((xRoot - ox) / gZoom);
    *y = static_cast<int>((yRoot - oy) / gZoom);
}

gboolean onMotion(GtkWidget *, GdkEventMotion *event, gpointer)
{
    int x = 0, y = 0;
    handsetPoint(event->x_root, event->y_root, &x, &y);
    windowMouseMove(x, y, static_cast<int>(event->x_root), static_cast<int>(event->y_root));
    return FALSE;
}

gboolean onLeave(GtkWidget *, GdkEventCrossing *event, gpointer)
{
    if (event->detail != GDK_NOTIFY_INFERIOR)
        windowMouseLeave();
    return FALSE;
}

gboolean onPress(GtkWidget *, GdkEventButton *event, gpointer)
{
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;  // double clicks arrive as two presses as well
    int x = 0, y = 0;
    handsetPoint(event->x_root, event->y_root, &x, &y);
    if (event->button == GDK_BUTTON_PRIMARY)
        windowLeftDown(x, y, static_cast<int>(event->x_root), static_cast<int>(event->y_root));
    else if (event->button == GDK_BUTTON_SECONDARY)
        windowRightDown(x, y);
    return TRUE;
}

gboolean onRelease(GtkWidget *, GdkEventButton *event, gpointer)
{
    if (event->button == GDK_BUTTON_PRIMARY)
        windowLeftUp();
    return TRUE;
}

gboolean onGrabBroken(GtkWidget *, GdkEvent *, gpointer)
{
    windowCaptureLost();
    return FALSE;
}

gboolean onCanvasPress(GtkWidget *, GdkEventButton *event, gpointer)
{
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;
    int x = static_cast<int>(event->x) / gZoom, y = static_cast<int>(event->y) / gZoom;
    if (event->button == GDK_BUTTON_PRIMARY)
        canvasLeftDown(x, y);
    else if (event->button == GDK_BUTTON_SECONDARY)
        canvasRightDown(x, y);
    return TRUE;
}

struct KeyName {
    guint keyval;
    bool alt;
    const char *name;
};

// clang-format off
const KeyName kKeyNames[] = {
    {GDK_KEY_Up, false, "up"},          {GDK_KEY_KP_Up, false, "up"},
    {GDK_KEY_Down, false, "down"},      {GDK_KEY_KP_Down, false, "down"},
    {GDK_KEY_Left, false, "left"},      {GDK_KEY_KP_Left, false, "left"},
    {GDK_KEY_Right, false, "right"},    {GDK_KEY_KP_Right, false, "right"},
    {GDK_KEY_Return, false, "enter"},   {GDK_KEY_KP_Enter, false, "enter"},
    {GDK_KEY_F1, false, "f1"},          {GDK_KEY_F2, false, "f2"},
    {GDK_KEY_BackSpace, false, "backspace"}, {GDK_KEY_Escape, false, "escape"},
    {GDK_KEY_F5, false, "f5"},          {GDK_KEY_Home, true, "alt+home"},
    {GDK_KEY_KP_Home, true, "alt+home"},
};
// clang-format on

// Every key goes to the handset first, so focus never sticks in a control.
gboolean onKey(GtkWidget *, GdkEventKey *event, gpointer)
{
    bool alt = event->state & GDK_MOD1_MASK;
    for (const KeyName &k : kKeyNames) {
        if (k.keyval == event->keyval && k.alt == alt) {
            windowKey(k.name);
            return TRUE;
        }
    }
    return FALSE;
}

void onButtonClicked(GtkButton *, gpointer id) { windowCommand(GPOINTER_TO_INT(id)); }

void onOptionChanged(GtkComboBox *combo, gpointer)
{
    if (gFillingLists)
        return;
    int position = gtk_combo_box_get_active(combo);
    if (position < 0)
        return;
    // Shown empty again, so that the same choice can be made twice.
    gFillingLists = true;
    gtk_combo_box_set_active(combo, -1);
    gFillingLists = false;
    windowOptionChosen(position);
}

gboolean onDelete(GtkWidget *, GdkEvent *, gpointer)
{
    platform().quit();
    return TRUE;
}

// --- the platform ---

cairo_region_t *outlineRegion(const SkinDefinition &skin)
{
    cairo_region_t *region = cairo_region_create();
    for (const OutlineRun &run : skin.outline) {
        cairo_rectangle_int_t r = {run.x * gZoom, run.y * gZoom, run.width * gZoom, gZoom};
        cairo_region_union_rectangle(region, &r);
    }
    return region;
}

void placeChildren(const SkinDefinition &skin)
{
    gtk_widget_set_size_request(gCanvas, skin.canvasWidth * gZoom, skin.canvasHeight * gZoom);
    gtk_fixed_move(GTK_FIXED(gFixed), gCanvas, skin.canvasX * gZoom, skin.canvasY * gZoom);
    for (Control &c : gControls) {
        const ControlPlacement &p = placement(skin, c.id);
        bool shown = p.width > 0 && p.height > 0;
        gtk_widget_set_visible(c.widget, shown);
        if (!shown)
            continue;
        gtk_widget_set_size_request(c.widget, p.width * gZoom, p.height * gZoom);
        gtk_fixed_move(GTK_FIXED(gFixed), c.widget, p.x * gZoom, p.y * gZoom);
    }
}

void shapeWindow(const SkinDefinition &skin)
{
    gtk_widget_set_size_request(gWindow, skin.image.width * gZoom, skin.image.height * gZoom);
    gtk_window_resize(GTK_WINDOW(gWindow), skin.image.width * gZoom, skin.image.height * gZoom);
    cairo_region_t *region = outlineRegion(skin);
    gtk_widget_shape_combine_region(gWindow, region);
    cairo_region_destroy(region);
}

// Logged when it changes, so that tests can hold the controls to the
// skin's sizes.
void onControlAllocated(GtkWidget *widget, GdkRectangle *a, gpointer name)
{
    GdkRectangle *last = static_cast<GdkRectangle *>(g_object_get_data(G_OBJECT(widget), "tovrin-allocation"));
    if (!last) {
        last = g_new0(GdkRectangle, 1);
        g_object_set_data_full(G_OBJECT(widget), "tovrin-allocation", last, g_free);
    } else if (gdk_rectangle_equal(last, a)) {
        return;
    }
    *last = *a;
    Log_printf("Display: control %s at %d,%d size %dx%d\n", static_cast<const char *>(name), a->x, a->y, a->width,
               a->height);
}

void installCss()
{
    if (!gControlCss) {
        gControlCss = gtk_css_provider_new();
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(gControlCss),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    char css[sizeof CONTROL_CSS + 16];
    std::snprintf(css, sizeof css, CONTROL_CSS, CONTROL_FONT_PX * gZoom);
    gtk_css_provider_load_from_data(gControlCss, css, -1, nullptr);
}

GtkWidget *makeControl(Control &c)
{
    GtkWidget *w = nullptr;
    if (c.id == CMD_ACTION1 || c.id == CMD_ACTION2) {
        w = gtk_button_new_with_label("");
        gtk_button_set_relief(GTK_BUTTON(w), GTK_RELIEF_NORMAL);
        g_signal_connect(w, "clicked", G_CALLBACK(onButtonClicked), GINT_TO_POINTER(c.id));
    } else {
        w = gtk_combo_box_text_new();
        // Long entries are cut, never a reason for the list to grow.
        GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(w));
        for (GList *cell = cells; cell; cell = cell->next)
            g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, "width-chars", 1, "max-width-chars", 1, nullptr);
        g_list_free(cells);
        if (c.id == CMD_ACTION3)
            g_signal_connect(w, "changed", G_CALLBACK(onOptionChanged), nullptr);
    }
    gtk_widget_set_name(w, c.name);
    gtk_style_context_add_class(gtk_widget_get_style_context(w), "tovrin-control");
    gtk_widget_set_can_focus(w, FALSE);
    gtk_widget_set_focus_on_click(w, FALSE);
    g_signal_connect(w, "size-allocate", G_CALLBACK(onControlAllocated), const_cast<char *>(c.name));
    return w;
}

bool createWindows(const SkinDefinition *skin)
{
    gZoom = fittingZoom(*skin, gZoom);
    installCss();
    gWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (!gWindow)
        return false;
    gtk_window_set_title(GTK_WINDOW(gWindow), "Tovrin");
    gtk_window_set_decorated(GTK_WINDOW(gWindow), FALSE);
    gtk_window_set_resizable(GTK_WINDOW(gWindow), FALSE);
    gtk_window_set_icon_name(GTK_WINDOW(gWindow), "tovrin");
    gtk_widget_set_app_paintable(gWindow, TRUE);
    gtk_widget_add_events(gWindow, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                       GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK);
    g_signal_connect(gWindow, "motion-notify-event", G_CALLBACK(onMotion), nullptr);
    g_signal_connect(gWindow, "leave-notify-event", G_CALLBACK(onLeave), nullptr);
    g_signal_connect(gWindow, "button-press-event", G_CALLBACK(onPress), nullptr);
    g_signal_connect(gWindow, "button-release-event", G_CALLBACK(onRelease), nullptr);
    g_signal_connect(gWindow, "grab-broken-event", G_CALLBACK(onGrabBroken), nullptr);
    g_signal_connect(gWindow, "key-press-event", G_CALLBACK(onKey), nullptr);
    g_signal_connect(gWindow, "delete-event", G_CALLBACK(onDelete), nullptr);

    gFixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(gWindow), gFixed);
    g_signal_connect(gFixed, "draw", G_CALLBACK(onHandsetDraw), nullptr);

    gCanvas = gtk_drawing_area_new();
    gtk_widget_set_name(gCanvas, "canvas");
    gtk_widget_add_events(gCanvas, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(gCanvas, "draw", G_CALLBACK(onCanvasDraw), nullptr);
    g_signal_connect(gCanvas, "button-press-event", G_CALLBACK(onCanvasPress), nullptr);
    gtk_fixed_put(GTK_FIXED(gFixed), gCanvas, 0, 0);
    for (Control &c : gControls) {
        c.widget = makeControl(c);
        gtk_fixed_put(GTK_FIXED(gFixed), c.widget, 0, 0);
    }
    gtk_widget_show_all(gFixed);
    placeChildren(*skin);
    shapeWindow(*skin);
    return true;
}

void applySkin(const SkinDefinition *skin)
{
    placeChildren(*skin);
    shapeWindow(*skin);
    gtk_widget_queue_draw(gWindow);
}

void showMainWindow() { gtk_widget_show(gWindow); }

void destroyWindows()
{
    gtkDestroyPrefsWindow();
    if (gWindow)
        gtk_widget_destroy(gWindow);
    gWindow = gFixed = gCanvas = nullptr;
    for (Control &c : gControls)
        c.widget = nullptr;
}

void invalidateHandset(int x, int y, int width, int height)
{
    if (gFixed)
        gtk_widget_queue_draw_area(gFixed, x * gZoom, y * gZoom, width * gZoom, height * gZoom);
}

void invalidateCanvas()
{
    if (gCanvas)
        gtk_widget_queue_draw(gCanvas);
}

void setButtonText(int id, const std::string &utf8)
{
    Control *c = control(id);
    if (!c || !c->widget)
        return;
    gtk_button_set_label(GTK_BUTTON(c->widget), utf8.c_str());
    // A long label is cut, never a reason for the button, or the window
    // whose size follows its children's, to grow.
    if (GtkWidget *label = gtk_bin_get_child(GTK_BIN(c->widget)); label && GTK_IS_LABEL(label)) {
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
        gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
    }
}

void setListEntries(int id, const std::vector<std::string> &utf8, int selected)
{
    Control *c = control(id);
    if (!c || !c->widget)
        return;
    gFillingLists = true;
    GtkComboBoxText *combo = GTK_COMBO_BOX_TEXT(c->widget);
    gtk_combo_box_text_remove_all(combo);
    for (const std::string &entry : utf8)
        gtk_combo_box_text_append_text(combo, entry.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
    gFillingLists = false;
}

void getWindowOrigin(int *x, int *y)
{
    *x = *y = 0;
    if (gWindow && gtk_widget_get_window(gWindow))
        gdk_window_get_origin(gtk_widget_get_window(gWindow), x, y);
}

void moveWindow(int x, int y)
{
    if (gWindow)
        gtk_window_move(GTK_WINDOW(gWindow), x, y);
}

void capturePointer(bool capture)
{
    GdkWindow *window = gWindow ? gtk_widget_get_window(gWindow) : nullptr;
    GdkSeat *seat = window ? gdk_display_get_default_seat(gdk_window_get_display(window)) : nullptr;
    if (!seat)
        return;
    if (capture)
        gdk_seat_grab(seat, window, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr, nullptr, nullptr, nullptr);
    else
        gdk_seat_ungrab(seat);
}

// The sockets (browsing, and the push listener) are watched only while
// the poll timer runs: a dialog that has stopped the Browser also stops
// the datagrams from driving it.
struct SocketWatch {
    int (*fd)();  // the stack's current socket, -1 when closed
    guint source;
    int watched;
};

SocketWatch gWatches[] = {{S_transportFd, 0, -1}, {S_pushListenerFd, 0, -1}};

gboolean onSocket(gint, GIOCondition condition, gpointer data)
{
    auto *w = static_cast<SocketWatch *>(data);
    if (condition & (G_IO_NVAL | G_IO_ERR)) {
        w->source = 0;
        w->watched = -1;
        return G_SOURCE_REMOVE;
    }
    windowTimer(TIMER_POLL);
    return G_SOURCE_CONTINUE;
}

void unwatchSockets()
{
    for (SocketWatch &w : gWatches) {
        if (w.source)
            g_source_remove(w.source);
        w.source = 0;
        w.watched = -1;
    }
}

// The stack opens new sockets (reconnect, going online): follow them.
void watchSockets()
{
    for (SocketWatch &w : gWatches) {
        int fd = w.fd();
        if (fd == w.watched && w.source)
            continue;
        if (w.source)
            g_source_remove(w.source);
        w.source = 0;
        w.watched = -1;
        if (fd < 0)
            continue;
        w.source = g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_ERR), onSocket, &w);
        w.watched = fd;
    }
}

gboolean onTimer(gpointer id)
{
    int timer = GPOINTER_TO_INT(id);
    if (timer == TIMER_POLL)
        watchSockets();
    windowTimer(timer);
    // windowTimer may have stopped this timer.
    return gTimers[timer] ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void stopTimer(int id)
{
    if (id < 1 || id > 2 || !gTimers[id])
        return;
    g_source_remove(gTimers[id]);
    gTimers[id] = 0;
    if (id == TIMER_POLL)
        unwatchSockets();
}

void startTimer(int id, int milliseconds)
{
    if (id < 1 || id > 2)
        return;
    stopTimer(id);
    gTimers[id] = g_timeout_add(static_cast<guint>(milliseconds), onTimer, GINT_TO_POINTER(id));
    if (id == TIMER_POLL)
        watchSockets();
}

struct MenuRun {
    GMainLoop *loop;
    int chosen;
};

void onMenuItem(GtkMenuItem *item, gpointer run)
{
    static_cast<MenuRun *>(run)->chosen = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "command"));
}

void onMenuDone(GtkMenuShell *, gpointer run) { g_main_loop_quit(static_cast<MenuRun *>(run)->loop); }

GtkWidget *buildMenu(const std::vector<MenuEntry> &entries, MenuRun *run)
{
    GtkWidget *menu = gtk_menu_new();
    for (const MenuEntry &e : entries) {
        GtkWidget *item = nullptr;
        if (e.command == 0 && e.text.empty() && e.submenu.empty()) {
            item = gtk_separator_menu_item_new();
        } else if (e.checked) {
            item = gtk_check_menu_item_new_with_label(e.text.c_str());
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), TRUE);
        } else {
            item = gtk_menu_item_new_with_label(e.text.c_str());
        }
        gtk_widget_set_sensitive(item, e.enabled);
        if (!e.submenu.empty()) {
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), buildMenu(e.submenu, run));
        } else if (e.command) {
            g_object_set_data(G_OBJECT(item), "command", GINT_TO_POINTER(e.command));
            g_signal_connect(item, "activate", G_CALLBACK(onMenuItem), run);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    gtk_widget_show_all(menu);
    return menu;
}

void setZoom(int zoom);

// The window's own entries follow the display's: the zoom.
std::vector<MenuEntry> withZoomMenu(const std::vector<MenuEntry> &entries)
{
    std::vector<MenuEntry> all = entries;
    MenuEntry zoom;
    zoom.text = "Zoom";
    for (int z = 1; z <= ZOOM_MAX; z++) {
        MenuEntry e;
        e.command = MENU_ZOOM_BASE + z;
        e.text = std::to_string(z) + "\u00d7";
        e.checked = z == gZoom;
        zoom.submenu.push_back(e);
    }
    // After the skin's entry, else at the end.
    size_t at = all.size();
    for (size_t i = 0; i < all.size(); i++)
        if (all[i].command == MENU_CHANGE_SKIN)
            at = i + 1;
    all.insert(all.begin() + static_cast<long>(at), zoom);
    return all;
}

int popupMenu(const std::vector<MenuEntry> &entries, int x, int y)
{
    if (!gWindow)
        return 0;
    MenuRun run = {g_main_loop_new(nullptr, FALSE), 0};
    GtkWidget *menu = buildMenu(withZoomMenu(entries), &run);
    g_signal_connect(menu, "deactivate", G_CALLBACK(onMenuDone), &run);
    gtk_menu_attach_to_widget(GTK_MENU(menu), gWindow, nullptr);
    GdkRectangle at = {x * gZoom, y * gZoom, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(menu), gtk_widget_get_window(gWindow), &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, nullptr);
    if (gtk_widget_get_visible(menu))
        g_main_loop_run(run.loop);
    g_main_loop_unref(run.loop);
    gtk_widget_destroy(menu);
    if (run.chosen > MENU_ZOOM_BASE && run.chosen <= MENU_ZOOM_BASE + ZOOM_MAX) {
        setZoom(run.chosen - MENU_ZOOM_BASE);
        return 0;
    }
    return run.chosen;
}

// One modal dialog at a time; the Browser's poll stops while it is open.
int showWmlDialog(DialogRequest *request)
{
    if (gDialogDepth > 0 || gQuitting || !gWindow) {
        Log_str("Display: a dialog is already open; this one is cancelled\n");
        return 0;
    }
    gDialogDepth++;
    platform().stopTimer(TIMER_POLL);
    int x = 0, y = 0;
    getWindowOrigin(&x, &y);
    const SkinDefinition &skin = currentSkin();
    int result = gtkShowDialog(GTK_WINDOW(gWindow), x + skin.canvasX * gZoom, y + skin.canvasY * gZoom, request);
    gDialogDepth--;
    if (!gQuitting)
        platform().startTimer(TIMER_POLL, TIMER_POLL_MS);
    return result;
}

void messageBox(const char *caption, const char *text, bool error)
{
    Log_printf("Display: message box [%s] %s\n", caption, text);
    gtkMessageBox(gWindow ? GTK_WINDOW(gWindow) : nullptr, caption, text, error);
}

bool chooseFile(const char *title, const char *filterName, const char *pattern, std::string *path)
{
    return gtkChooseFile(gWindow ? GTK_WINDOW(gWindow) : nullptr, title, filterName, pattern, path);
}

bool spawnProgram(const std::vector<std::string> &argv)
{
    if (argv.empty())
        return false;
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0;
}

gboolean runPosted(gpointer command)
{
    if (!gQuitting)
        windowCommand(GPOINTER_TO_INT(command));
    return G_SOURCE_REMOVE;
}

void postCommand(int command) { g_idle_add(runPosted, GINT_TO_POINTER(command)); }

// Open dialogs are answered "cancel" so that their nested loops end and
// the main loop can.
void quit()
{
    if (gQuitting)
        return;
    gQuitting = true;
    GList *windows = gtk_window_list_toplevels();
    for (GList *w = windows; w; w = w->next)
        if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_DELETE_EVENT);
    g_list_free(windows);
    if (gtk_main_level() > 0)
        gtk_main_quit();
}

void showPrefs() { gtkShowPrefsWindow(); }

// The list dialogs open over the canvas, as the WML dialogs do.
void canvasOnScreen(int *x, int *y)
{
    getWindowOrigin(x, y);
    *x += currentSkin().canvasX * gZoom;
    *y += currentSkin().canvasY * gZoom;
}

bool gotoUrl(const std::vector<std::string> &choices, std::string *url)
{
    int x = 0, y = 0;
    canvasOnScreen(&x, &y);
    return gtkGotoUrlDialog(GTK_WINDOW(gWindow), x, y, choices, url);
}

void bookmarks()
{
    int x = 0, y = 0;
    canvasOnScreen(&x, &y);
    gtkBookmarksDialog(GTK_WINDOW(gWindow), x, y);
}

void pushes()
{
    int x = 0, y = 0;
    canvasOnScreen(&x, &y);
    gtkPushDialog(GTK_WINDOW(gWindow), x, y);
}

// Ctrl+C in the terminal or a polite kill closes the window in order.
gboolean onSignal(gpointer)
{
    platform().quit();
    return G_SOURCE_CONTINUE;
}

const Platform kGtk = {
    "gtk",         createWindows,  applySkin,       showMainWindow, destroyWindows, invalidateHandset, invalidateCanvas,
    setButtonText, setListEntries, getWindowOrigin, moveWindow,     capturePointer, startTimer,        stopTimer,
    popupMenu,     showWmlDialog,  messageBox,      chooseFile,     showPrefs,      gotoUrl,           bookmarks,
    pushes,        spawnProgram,   postCommand,     quit,
};

void setZoom(int zoom)
{
    const SkinDefinition &skin = currentSkin();
    int fitted = fittingZoom(skin, zoom);
    storeZoom(zoom);
    if (fitted == gZoom)
        return;
    gZoom = fitted;
    installCss();
    applySkin(&skin);
}

}  // namespace

bool gtkOpenDisplay(int *argc, char ***argv)
{
    // Shaped windows and moving them need X11 (also under XWayland).
    gdk_set_allowed_backends("x11");
    // Nothing here draws with OpenGL; probing for it loads a driver that
    // alone is larger than the rest of the program.
    setenv("GDK_GL", "disable", 0);
    return gtk_init_check(argc, argv);
}

int runDesktop(const CommandLine &cmd)
{
    setPlatform(&kGtk);
    setDialogBackend(showWmlDialog);
    if (const char *bench = std::getenv("TOVRIN_BENCH_STARTUP"))
        gBenchStartup = *bench == '1';
    g_unix_signal_add(SIGTERM, onSignal, nullptr);
    g_unix_signal_add(SIGINT, onSignal, nullptr);
    g_unix_signal_add(SIGHUP, onSignal, nullptr);
    if (!loadSkinFromRegistry()) {
        std::fprintf(stderr, "tovrin: no skin could be loaded (see the log)\n");
        return 1;
    }
    gZoom = cmd.zoom ? cmd.zoom : storedZoom();
    if (!createWindows(&currentSkin())) {
        std::fprintf(stderr, "tovrin: cannot create the window\n");
        return 1;
    }
    if (!gtkCreatePrefsWindow(GTK_WINDOW(gWindow), displayPrefs())) {
        std::fprintf(stderr, "tovrin: cannot create the preferences window\n");
        return 1;
    }
    connectDisplayToWindow();
    paintSkin();
    showMainWindow();
    startTimer(TIMER_POLL, TIMER_POLL_MS);
    int status = 0;
    if (displayInit(cmd, true)) {
        if (!gQuitting)
            gtk_main();
    } else {
        status = 1;
    }
    gQuitting = true;
    stopTimer(TIMER_POLL);
    stopTimer(TIMER_REPEAT);
    displayShutdown();
    destroyWindows();
    releaseHandsetPicture();
    return status;
}
