#include "shell/gtk/gtk_prefs.h"

#include <string>

#include "shell/prefs_form.h"

namespace {

struct PrefsWindow {
    GtkWidget *window = nullptr;
    UserPrefs *prefs = nullptr;
    GtkWidget *notebook = nullptr;
    GtkWidget *homeUrl = nullptr;
    GtkWidget *loadOnStartup = nullptr;
    GtkWidget *cacheMin = nullptr;
    GtkWidget *cacheMax = nullptr;
    GtkWidget *bearer = nullptr;
    GtkWidget *address = nullptr;
    GtkWidget *port = nullptr;
    GtkWidget *acceptPush = nullptr;
    GtkWidget *sduSize = nullptr;
    GtkWidget *morMethod = nullptr;
    GtkWidget *morPush = nullptr;
    GtkWidget *newContext = nullptr;
    GtkWidget *sharedVariables = nullptr;
};

PrefsWindow gPrefsWindow;

constexpr int NUMBER_DIGITS = 10;  // a 32-bit number

const char PREFS_CSS[] = ".tovrin-prefs, .tovrin-prefs * { font-family: \"Liberation Sans\", Sans; font-size: 9pt; }\n"
                         ".tovrin-prefs button { min-height: 0; padding: 2px 8px; }\n"
                         ".tovrin-prefs entry { min-height: 0; padding: 2px 4px; }\n"
                         ".tovrin-prefs combobox button { padding: 1px 4px; }\n"
                         ".tovrin-prefs notebook tab { min-height: 0; padding: 2px 8px; }\n"
                         ".tovrin-prefs .warning { color: #a01010; }\n";

void addStyle()
{
    GdkScreen *screen = gdk_screen_get_default();
    if (!screen)
        return;
    GtkCssProvider *css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, PREFS_CSS, -1, nullptr);
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
}

// ---- the controls

GtkWidget *named(GtkWidget *widget, const char *name)
{
    gtk_widget_set_name(widget, name);
    return widget;
}

GtkWidget *textField(const char *name)
{
    GtkWidget *entry = named(gtk_entry_new(), name);
    gtk_entry_set_max_length(GTK_ENTRY(entry), PREFS_FORM_MAX_TEXT);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 28);
    return entry;
}

// Number fields take digits only (typed or pasted).
void onNumberInsert(GtkEditable *editable, const char *text, int length, int *position, gpointer)
{
    std::string digits;
    for (int i = 0; length < 0 ? text[i] != 0 : i < length; i++) {
        if (text[i] >= '0' && text[i] <= '9')
            digits += text[i];
    }
    if (digits.size() == static_cast<size_t>(length < 0 ? std::char_traits<char>::length(text) : length))
        return;
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onNumberInsert), nullptr);
    if (!digits.empty())
        gtk_editable_insert_text(editable, digits.c_str(), static_cast<int>(digits.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onNumberInsert), nullptr);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

GtkWidget *numberField(const char *name)
{
    GtkWidget *entry = named(gtk_entry_new(), name);
    gtk_entry_set_max_length(GTK_ENTRY(entry), NUMBER_DIGITS);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), NUMBER_DIGITS);
    gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_DIGITS);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_alignment(GTK_ENTRY(entry), 1.0);
    g_signal_connect(entry, "insert-text", G_CALLBACK(onNumberInsert), nullptr);
    return entry;
}

GtkWidget *label(const char *text, GtkWidget *mnemonicTarget = nullptr)
{
    GtkWidget *l = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(l), 0);
    if (mnemonicTarget)
        gtk_label_set_mnemonic_widget(GTK_LABEL(l), mnemonicTarget);
    return l;
}

GtkWidget *dropDown(const char *name, const char *const *entries, int count)
{
    GtkWidget *combo = named(gtk_combo_box_text_new(), name);
    for (int i = 0; i < count; i++)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), entries[i]);
    return combo;
}

GtkWidget *group(const char *title, GtkWidget *child)
{
    GtkWidget *frame = gtk_frame_new(title);
    gtk_widget_set_margin_start(child, 6);
    gtk_widget_set_margin_end(child, 6);
    gtk_widget_set_margin_top(child, 4);
    gtk_widget_set_margin_bottom(child, 6);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

GtkWidget *grid()
{
    GtkWidget *g = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(g), 6);
    gtk_grid_set_column_spacing(GTK_GRID(g), 6);
    return g;
}

GtkWidget *page()
{
    GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(box), 10);
    return box;
}

void addPage(GtkWidget *content, const char *title)
{
    gtk_notebook_append_page(GTK_NOTEBOOK(gPrefsWindow.notebook), content, gtk_label_new(title));
}

void onClearCache(GtkButton *, gpointer) { clearCacheFromPrefs(); }

GtkWidget *generalPage(PrefsWindow *w)
{
    GtkWidget *box = page();
    w->homeUrl = textField("home-url");
    gtk_widget_set_hexpand(w->homeUrl, TRUE);
    gtk_box_pack_start(GTK_BOX(box), group("Homepage", w->homeUrl), FALSE, FALSE, 0);
    w->loadOnStartup = named(gtk_check_button_new_with_label("Load on startup"), "load-on-startup");
    gtk_box_pack_start(GTK_BOX(box), w->loadOnStartup, FALSE, FALSE, 0);
    return box;
}

GtkWidget *cachePage(PrefsWindow *w)
{
    GtkWidget *box = page();
    GtkWidget *g = grid();
    w->cacheMin = numberField("cache-min");
    w->cacheMax = numberField("cache-max");
    gtk_grid_attach(GTK_GRID(g), label("Min Cache Size", w->cacheMin), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(g), w->cacheMin, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(g), label("Kb"), 2, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(g), label("Max Cache Size", w->cacheMax), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(g), w->cacheMax, 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(g), label("Kb"), 2, 1, 1, 1);
    gtk_box_pack_start(GTK_BOX(box), g, FALSE, FALSE, 0);
    GtkWidget *clear = named(gtk_button_new_with_label("Clear Cache"), "clear-cache");
    gtk_widget_set_halign(clear, GTK_ALIGN_START);
    g_signal_connect(clear, "clicked", G_CALLBACK(onClearCache), nullptr);
    gtk_box_pack_start(GTK_BOX(box), clear, FALSE, FALSE, 0);
    return box;
}

GtkWidget *gatewayPage(PrefsWindow *w)
{
    GtkWidget *box = page();
    GtkWidget *g = grid();
    w->bearer = dropDown("bearer", PREFS_BEARER_ENTRIES, 2);
    gtk_widget_set_sensitive(w->bearer, FALSE);
    w->address = textField("gateway-address");
    gtk_widget_set_hexpand(w->address, TRUE);
    w->port = dropDown("port", PREFS_PORT_ENTRIES, 2);
    gtk_grid_attach(GTK_GRID(g), label("Bearer Service", w->bearer), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(g), w->bearer, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(g), label("Address", w->address), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(g), w->address, 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(g), label("Mode/Port", w->port), 0, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(g), w->port, 1, 2, 1, 1);
    gtk_box_pack_start(GTK_BOX(box), g, FALSE, FALSE, 0);
    w->acceptPush = named(gtk_check_button_new_with_label("Accept Push messages"), "accept-push");
    gtk_widget_set_sensitive(w->acceptPush, FALSE);
    gtk_box_pack_start(GTK_BOX(box), w->acceptPush, FALSE, FALSE, 0);
    return box;
}

GtkWidget *advancedPage(PrefsWindow *w)
{
    GtkWidget *box = page();
    GtkWidget *warning = label("Changing these settings could sevearly degrade the performance of the browser!  "
                               "Please make sure you know what you are doing before changing any of these options.");
    gtk_label_set_line_wrap(GTK_LABEL(warning), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(warning), 44);
    gtk_widget_set_name(warning, "warning");
    gtk_style_context_add_class(gtk_widget_get_style_context(warning), "warning");
    gtk_box_pack_start(GTK_BOX(box), warning, FALSE, FALSE, 0);

    GtkWidget *sduRow = grid();
    w->sduSize = numberField("sdu-size");
    gtk_grid_attach(GTK_GRID(sduRow), label("Maximum data unit size", w->sduSize), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(sduRow), w->sduSize, 1, 0, 1, 1);
    gtk_box_pack_start(GTK_BOX(box), sduRow, FALSE, FALSE, 0);

    GtkWidget *requests = grid();
    w->morMethod = numberField("mor-method");
    w->morPush = numberField("mor-push");
    gtk_grid_attach(GTK_GRID(requests), label("Methods", w->morMethod), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(requests), w->morMethod, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(requests), label("Push", w->morPush), 2, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(requests), w->morPush, 3, 0, 1, 1);
    gtk_box_pack_start(GTK_BOX(box), group("Maximum outstanding requests", requests), FALSE, FALSE, 0);

    w->newContext = named(gtk_check_button_new_with_label("Clear navigation history in addtion to variables"),
                          "newcontext-history");
    w->sharedVariables =
        named(gtk_check_button_new_with_label("Share variables between decks until NEWCONTEXT"), "shared-variables");
    GtkWidget *behaviour = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(behaviour), w->newContext, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(behaviour), w->sharedVariables, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), group("NEWCONTEXT behaviour", behaviour), FALSE, FALSE, 0);
    return box;
}

// ---- the form and the controls

void setText(GtkWidget *entry, const std::string &text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }
std::string getText(GtkWidget *entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }
void setCheck(GtkWidget *check, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), on); }
bool getCheck(GtkWidget *check) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check)); }

void showForm(const PrefsWindow &w, const PrefsForm &form)
{
    setText(w.homeUrl, form.homeUrl);
    setCheck(w.loadOnStartup, form.loadOnStartup);
    setText(w.cacheMin, form.cacheMinKb);
    setText(w.cacheMax, form.cacheMaxKb);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.bearer), form.bearerIndex);
    setText(w.address, form.gatewayAddress);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.port), form.portIndex);
    setCheck(w.acceptPush, form.acceptPush);
    setText(w.sduSize, form.sduSize);
    setText(w.morMethod, form.morMethod);
    setText(w.morPush, form.morPush);
    setCheck(w.newContext, form.newContextClearsHistory);
    setCheck(w.sharedVariables, form.sharedVariables);
}

PrefsForm readForm(const PrefsWindow &w)
{
    PrefsForm form;
    form.homeUrl = getText(w.homeUrl);
    form.loadOnStartup = getCheck(w.loadOnStartup);
    form.cacheMinKb = getText(w.cacheMin);
    form.cacheMaxKb = getText(w.cacheMax);
    form.bearerIndex = gtk_combo_box_get_active(GTK_COMBO_BOX(w.bearer));
    form.gatewayAddress = getText(w.address);
    form.portIndex = gtk_combo_box_get_active(GTK_COMBO_BOX(w.port));
    form.acceptPush = getCheck(w.acceptPush);
    form.sduSize = getText(w.sduSize);
    form.morMethod = getText(w.morMethod);
    form.morPush = getText(w.morPush);
    form.newContextClearsHistory = getCheck(w.newContext);
    form.sharedVariables = getCheck(w.sharedVariables);
    return form;
}

void fillFromRecord()
{
    PrefsForm form;
    fillPrefsForm(*gPrefsWindow.prefs, &form);
    showForm(gPrefsWindow, form);
}

void onOk(GtkButton *, gpointer)
{
    applyPrefsForm(readForm(gPrefsWindow), gPrefsWindow.prefs);
    gtk_widget_hide(gPrefsWindow.window);
}

void onCancel(GtkButton *, gpointer) { gtk_widget_hide(gPrefsWindow.window); }

void onRestore(GtkButton *, gpointer)
{
    PrefsForm form;
    restorePrefsForm(gPrefsWindow.prefs, &form);
    showForm(gPrefsWindow, form);
}

gboolean onDelete(GtkWidget *window, GdkEvent *, gpointer)
{
    gtk_widget_hide(window);
    return TRUE;  // kept for the next time
}

void onDestroyed(GtkWidget *, gpointer) { gPrefsWindow = PrefsWindow{}; }

// Escape is Cancel. Enter is OK wherever it would not press a push
// button: in the fields, on the check boxes, the drop-down lists and the tabs.
gboolean onKey(GtkWidget *window, GdkEventKey *event, gpointer)
{
    if (event->state & gtk_accelerator_get_default_mod_mask())
        return FALSE;
    if (event->keyval == GDK_KEY_Escape) {
        gtk_widget_hide(window);
        return TRUE;
    }
    if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter && event->keyval != GDK_KEY_ISO_Enter)
        return FALSE;
    GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window));
    if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus))
        return FALSE;
    gtk_window_activate_default(GTK_WINDOW(window));
    return TRUE;
}

}  // namespace

bool gtkCreatePrefsWindow(GtkWindow *owner, UserPrefs *prefs)
{
    if (!prefs)
        return false;
    if (gPrefsWindow.window) {
        gPrefsWindow.prefs = prefs;
        return true;
    }
    addStyle();
    PrefsWindow &w = gPrefsWindow;
    w.prefs = prefs;
    w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow *window = GTK_WINDOW(w.window);
    gtk_window_set_title(window, "Prefs");
    gtk_window_set_role(window, "tovrin-prefs");
    gtk_widget_set_name(w.window, "tovrin-prefs");
    gtk_style_context_add_class(gtk_widget_get_style_context(w.window), "tovrin-prefs");
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    if (owner) {
        gtk_window_set_transient_for(window, owner);
        gtk_window_set_destroy_with_parent(window, TRUE);
        gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    }
    g_signal_connect(w.window, "delete-event", G_CALLBACK(onDelete), nullptr);
    g_signal_connect(w.window, "key-press-event", G_CALLBACK(onKey), nullptr);
    g_signal_connect(w.window, "destroy", G_CALLBACK(onDestroyed), nullptr);

    GtkWidget *outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(outer), 8);
    gtk_container_add(GTK_CONTAINER(w.window), outer);

    w.notebook = named(gtk_notebook_new(), "pages");
    addPage(generalPage(&w), "General");
    addPage(cachePage(&w), "Cache");
    addPage(gatewayPage(&w), "Gateway");
    addPage(advancedPage(&w), "Advanced");
    gtk_box_pack_start(GTK_BOX(outer), w.notebook, TRUE, TRUE, 0);

    // One row of buttons for every page, as every page's buttons share one
    // handler.
    GtkWidget *buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
    gtk_box_set_spacing(GTK_BOX(buttons), 6);
    GtkWidget *ok = named(gtk_button_new_with_label("OK"), "ok");
    GtkWidget *cancel = named(gtk_button_new_with_label("Cancel"), "cancel");
    GtkWidget *restore = named(gtk_button_new_with_label("Restore"), "restore");
    g_signal_connect(ok, "clicked", G_CALLBACK(onOk), nullptr);
    g_signal_connect(cancel, "clicked", G_CALLBACK(onCancel), nullptr);
    g_signal_connect(restore, "clicked", G_CALLBACK(onRestore), nullptr);
    gtk_container_add(GTK_CONTAINER(buttons), ok);
    gtk_container_add(GTK_CONTAINER(buttons), cancel);
    gtk_container_add(GTK_CONTAINER(buttons), restore);
    gtk_box_pack_start(GTK_BOX(outer), buttons, FALSE, FALSE, 0);
    gtk_widget_set_can_default(ok, TRUE);
    gtk_window_set_default(window, ok);

    gtk_widget_show_all(outer);  // the window itself stays hidden
    gtk_widget_grab_focus(w.homeUrl);
    return true;
}

void gtkShowPrefsWindow()
{
    if (!gPrefsWindow.window)
        return;
    fillFromRecord();
    gtk_window_present(GTK_WINDOW(gPrefsWindow.window));
}

void gtkDestroyPrefsWindow()
{
    if (gPrefsWindow.window)
        gtk_widget_destroy(gPrefsWindow.window);  // clears the record
    gPrefsWindow = PrefsWindow{};
}

GtkWindow *gtkPrefsWindow() { return gPrefsWindow.window ? GTK_WINDOW(gPrefsWindow.window) : nullptr; }
