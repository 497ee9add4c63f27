#include "shell/gtk/gtk_dialogs.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/text.h"

namespace {

// The Part's layouts are in dialog units of "MS Sans Serif" 8.
constexpr double PX_PER_DLU_X = 1.5;
constexpr double PX_PER_DLU_Y = 1.625;
int dluX(int units) { return static_cast<int>(std::lround(units * PX_PER_DLU_X)); }
int dluY(int units) { return static_cast<int>(std::lround(units * PX_PER_DLU_Y)); }

// Push buttons of the templates: 46 x 14 units, on one row 7 units above
// the bottom edge, centred.
constexpr int BUTTON_WIDTH = 46;
constexpr int BUTTON_HEIGHT = 14;
constexpr int BUTTON_GAP = 4;
constexpr int BUTTON_BOTTOM = 7;

constexpr int MAX_OPTIONS = 255;  // a select record counts its options in a byte

// A control of a template: position and size in dialog units.
struct Box {
    int x, y, width, height;
};

struct Layout {
    const char *title;  // the default title
    const char *role;
    int width, height;  // the dialog's client area
    Box prompt;         // width 0: none
    Box input;          // the edit field, the list or the read-only text
};

const Layout TEXT_LAYOUT = {"Text Entry", "tovrin-text-entry", 108, 92, {2, 7, 103, 34}, {2, 49, 103, 14}};
const Layout MASKED_LAYOUT = {"Text Entry", "tovrin-masked-entry", 109, 79, {4, 7, 101, 28}, {4, 39, 101, 14}};
const Layout SINGLE_LAYOUT = {"Select Options", "tovrin-select", 109, 106, {2, 6, 103, 32}, {2, 43, 103, 36}};
const Layout MULTIPLE_LAYOUT = {"Select Options", "tovrin-select", 109, 108, {4, 6, 101, 35}, {4, 46, 101, 36}};
const Layout CONFIRM_LAYOUT = {"Confirm", "tovrin-confirm", 109, 79, {4, 7, 101, 42}, {0, 0, 0, 0}};
const Layout INFO_LAYOUT = {"Information", "tovrin-information", 108, 103, {0, 0, 0, 0}, {7, 7, 94, 67}};

const char DIALOG_CLASS[] = "tovrin-dialog";

// The templates' font is small: the dialogs use 8 pt and slim controls so
// that the dialogs' sizes hold.
const char DIALOG_CSS[] =
    ".tovrin-dialog, .tovrin-dialog * { font-family: \"Liberation Sans\", Sans; font-size: 8pt; }\n"
    ".tovrin-dialog button { min-height: 0; min-width: 0; padding: 1px 4px; }\n"
    ".tovrin-dialog entry { min-height: 0; padding: 1px 3px; }\n"
    ".tovrin-dialog treeview.view { padding: 0 2px; }\n"
    ".tovrin-dialog textview text { background-color: @theme_base_color; }\n"
    ".tovrin-dialog scrollbar slider { min-width: 4px; min-height: 4px; }\n";

void ensureDialogStyle()
{
    static bool added = false;
    GdkScreen *screen = gdk_screen_get_default();
    if (added || !screen)
        return;
    GtkCssProvider *css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, DIALOG_CSS, -1, nullptr);
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    added = true;
}

// UTF-8 for GTK: text that is not UTF-8 is taken as ISO-8859-1.
std::string validUtf8(const char *text)
{
    if (!text)
        return "";
    if (g_utf8_validate(text, -1, nullptr))
        return text;
    std::string utf8;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++) {
        if (*p < 0x80) {
            utf8 += static_cast<char>(*p);
        } else {
            utf8 += static_cast<char>(0xC0 | *p >> 6);
            utf8 += static_cast<char>(0x80 | (*p & 0x3F));
        }
    }
    return utf8;
}

struct Dialog {
    GtkWidget *window = nullptr;
    GtkWidget *fixed = nullptr;
    GtkWidget *input = nullptr;   // entry, tree view or text view
    GtkWidget *accept = nullptr;  // OK or Yes: the default button
    GtkWidget *reject = nullptr;  // Cancel or No; null for information
};

void onButtonClicked(GtkButton *button, gpointer dialog)
{
    int response = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "tovrin-response"));
    gtk_dialog_response(GTK_DIALOG(dialog), response);
}

void place(Dialog *d, GtkWidget *widget, const Box &box)
{
    gtk_widget_set_size_request(widget, dluX(box.width), dluY(box.height));
    gtk_fixed_put(GTK_FIXED(d->fixed), widget, dluX(box.x), dluY(box.y));
}

GtkWidget *addButton(Dialog *d, const char *label, const char *name, int response)
{
    GtkWidget *button = gtk_button_new_with_label(label);
    gtk_widget_set_name(button, name);
    g_object_set_data(G_OBJECT(button), "tovrin-response", GINT_TO_POINTER(response));
    g_signal_connect(button, "clicked", G_CALLBACK(onButtonClicked), d->window);
    gtk_widget_set_size_request(button, dluX(BUTTON_WIDTH), dluY(BUTTON_HEIGHT));
    return button;
}

// The dialog window, its fixed area at the layout's size, the prompt.
void createDialog(Dialog *d, const Layout &layout, GtkWindow *owner, const std::string &title,
                  const std::string &prompt)
{
    ensureDialogStyle();
    d->window = GTK_WIDGET(g_object_new(GTK_TYPE_DIALOG, "use-header-bar", FALSE, nullptr));
    // Kept until closeDialog, even when the owner is destroyed under it.
    g_object_ref(d->window);
    GtkWindow *window = GTK_WINDOW(d->window);
    gtk_window_set_title(window, title.c_str());
    gtk_window_set_role(window, layout.role);
    gtk_widget_set_name(d->window, layout.role);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner)
        gtk_window_set_transient_for(window, owner);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_destroy_with_parent(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_style_context_add_class(gtk_widget_get_style_context(d->window), DIALOG_CLASS);

    GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(d->window));
    gtk_container_set_border_width(GTK_CONTAINER(content), 0);
    gtk_box_set_spacing(GTK_BOX(content), 0);
    d->fixed = gtk_fixed_new();
    gtk_widget_set_size_request(d->fixed, dluX(layout.width), dluY(layout.height));
    gtk_box_pack_start(GTK_BOX(content), d->fixed, TRUE, TRUE, 0);

    if (layout.prompt.width > 0) {
        GtkWidget *label = gtk_label_new(prompt.c_str());
        gtk_widget_set_name(label, "prompt");
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_label_set_yalign(GTK_LABEL(label), 0);
        gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
        place(d, label, layout.prompt);
        // A prompt longer than its box ends in an ellipsis, as many lines
        // as fit.
        PangoLayout *probe = gtk_widget_create_pango_layout(label, "Xg");
        int lineHeight = 0;
        pango_layout_get_pixel_size(probe, nullptr, &lineHeight);
        g_object_unref(probe);
        int lines = lineHeight > 0 ? dluY(layout.prompt.height) / lineHeight : 1;
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
        gtk_label_set_lines(GTK_LABEL(label), lines > 0 ? lines : 1);
    }
}

// The button row: accept (default) and, unless null, reject.
void addButtons(Dialog *d, const Layout &layout, const char *acceptLabel, const char *acceptName,
                const char *rejectLabel, const char *rejectName)
{
    int count = rejectLabel ? 2 : 1;
    int rowWidth = dluX(count * BUTTON_WIDTH + (count - 1) * BUTTON_GAP);
    int x = (dluX(layout.width) - rowWidth) / 2;
    int y = dluY(layout.height - BUTTON_BOTTOM - BUTTON_HEIGHT);
    d->accept = addButton(d, acceptLabel, acceptName, GTK_RESPONSE_OK);
    gtk_fixed_put(GTK_FIXED(d->fixed), d->accept, x, y);
    gtk_widget_set_can_default(d->accept, TRUE);
    gtk_window_set_default(GTK_WINDOW(d->window), d->accept);
    if (rejectLabel) {
        d->reject = addButton(d, rejectLabel, rejectName, GTK_RESPONSE_CANCEL);
        gtk_fixed_put(GTK_FIXED(d->fixed), d->reject, x + dluX(BUTTON_WIDTH + BUTTON_GAP), y);
    }
}

void closeDialog(Dialog *d)
{
    gtk_widget_destroy(d->window);
    g_object_unref(d->window);
}

// Shows the dialog at the canvas corner and runs it once.
int runDialog(Dialog *d, int x, int y, bool first)
{
    if (first) {
        gtk_widget_show_all(d->fixed);
        gtk_window_move(GTK_WINDOW(d->window), x, y);
        gtk_window_present(GTK_WINDOW(d->window));
    }
    return gtk_dialog_run(GTK_DIALOG(d->window));
}

// ---- text entry

// Deck bytes of one UTF-8 character in the charset.
size_t deckBytes(const char *character, const char *next, uint32_t charset)
{
    return charset == CHARSET_UTF8 ? static_cast<size_t>(next - character) : 1;
}

// The edit field holds at most maxLength bytes of deck text (characters in
// an ISO-8859-1 deck): an insertion is cut where it would go past them.
void onTextInsert(GtkEditable *editable, const char *text, int length, int *position, gpointer data)
{
    size_t maxLength = GPOINTER_TO_SIZE(data);
    uint32_t charset = D_getDeckCharset();
    size_t used = dialogTextToDeck(gtk_entry_get_text(GTK_ENTRY(editable)), charset, SIZE_MAX).size();
    size_t room = maxLength > used ? maxLength - used : 0;
    size_t total = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    const char *p = text;
    while (static_cast<size_t>(p - text) < total) {
        const char *next = g_utf8_next_char(p);
        size_t bytes = deckBytes(p, next, charset);
        if (bytes > room)
            break;
        room -= bytes;
        p = next;
    }
    size_t fits = static_cast<size_t>(p - text);
    if (fits >= total)
        return;
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onTextInsert), data);
    if (fits > 0)
        gtk_editable_insert_text(editable, text, static_cast<int>(fits), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onTextInsert), data);
    g_signal_stop_emission_by_name(editable, "insert-text");
    gtk_widget_error_bell(GTK_WIDGET(editable));
}

int runTextEntry(GtkWindow *owner, int x, int y, DialogRequest *request, const std::string &title,
                 const std::string &prompt)
{
    bool masked = request->kind == DIALOG_MASKED_TEXT;
    const Layout &layout = masked ? MASKED_LAYOUT : TEXT_LAYOUT;
    Dialog d;
    createDialog(&d, layout, owner, title, prompt);
    d.input = gtk_entry_new();
    gtk_widget_set_name(d.input, "value");
    gtk_entry_set_width_chars(GTK_ENTRY(d.input), 1);
    // Characters, and deck bytes for a UTF-8 deck (a maximum of 0 takes
    // nothing: the buffer has room for the terminator only).
    gtk_entry_set_max_length(GTK_ENTRY(d.input), request->maxLength > 0 ? request->maxLength : 1);
    g_signal_connect(d.input, "insert-text", G_CALLBACK(onTextInsert), GSIZE_TO_POINTER(request->maxLength));
    if (masked) {
        gtk_entry_set_visibility(GTK_ENTRY(d.input), FALSE);
        gtk_entry_set_input_purpose(GTK_ENTRY(d.input), GTK_INPUT_PURPOSE_PASSWORD);
    }
    gtk_entry_set_activates_default(GTK_ENTRY(d.input), TRUE);
    if (request->buffer) {
        // The buffer holds maxLength bytes and the terminator.
        std::string initial(request->buffer, strnlen(request->buffer, request->maxLength));
        gtk_entry_set_text(GTK_ENTRY(d.input), deckTextToUtf8(initial.c_str()).c_str());
        gtk_editable_select_region(GTK_EDITABLE(d.input), 0, -1);
    }
    place(&d, d.input, layout.input);
    addButtons(&d, layout, "OK", "ok", "Cancel", "cancel");
    gtk_widget_grab_focus(d.input);

    uint32_t charset = D_getDeckCharset();
    int result = 0;
    for (bool first = true;; first = false) {
        if (runDialog(&d, x, y, first) != GTK_RESPONSE_OK)
            break;
        std::string value = dialogTextToDeck(gtk_entry_get_text(GTK_ENTRY(d.input)), charset, request->maxLength);
        if (deckTextCharacters(value, charset) < request->minLength) {
            char message[64];
            std::snprintf(message, sizeof message, "Please enter atleast %d characters", request->minLength);
            gtkMessageBox(GTK_WINDOW(d.window), "", message, true);
            // Back in the field to type on: nothing selected, at the end.
            gtk_widget_grab_focus(d.input);
            gtk_editable_set_position(GTK_EDITABLE(d.input), -1);
            continue;
        }
        if (request->buffer)
            std::memcpy(request->buffer, value.c_str(), value.size() + 1);
        result = 1;
        break;
    }
    closeDialog(&d);
    return result;
}

// ---- select

GtkTreePath *pathAt(int index) { return gtk_tree_path_new_from_indices(index, -1); }

int cursorIndex(GtkTreeView *view)
{
    GtkTreePath *path = nullptr;
    gtk_tree_view_get_cursor(view, &path, nullptr);
    if (!path)
        return -1;
    int index = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return index;
}

// Moves the cursor without changing which rows are selected (a multiple
// choice list works like a list of check boxes: the cursor only points).
void setCursorKeepingSelection(GtkTreeView *view, int index)
{
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    GList *rows = gtk_tree_selection_get_selected_rows(selection, nullptr);
    GtkTreePath *path = pathAt(index);
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_path_free(path);
    gtk_tree_selection_unselect_all(selection);
    for (GList *row = rows; row; row = row->next)
        gtk_tree_selection_select_path(selection, static_cast<GtkTreePath *>(row->data));
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
}

void toggleRow(GtkTreeView *view, int index)
{
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    GtkTreePath *path = pathAt(index);
    if (gtk_tree_selection_path_is_selected(selection, path))
        gtk_tree_selection_unselect_path(selection, path);
    else
        gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
}

int rowCount(GtkTreeView *view) { return gtk_tree_model_iter_n_children(gtk_tree_view_get_model(view), nullptr); }

gboolean onListKey(GtkWidget *widget, GdkEventKey *event, gpointer dialog)
{
    GtkTreeView *view = GTK_TREE_VIEW(widget);
    guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter || event->keyval == GDK_KEY_ISO_Enter) {
        gtk_window_activate_default(GTK_WINDOW(dialog));
        return TRUE;
    }
    bool multiple = gtk_tree_selection_get_mode(gtk_tree_view_get_selection(view)) == GTK_SELECTION_MULTIPLE;
    if (!multiple || modifiers != 0)
        return FALSE;
    int count = rowCount(view);
    int cursor = cursorIndex(view);
    int target;
    switch (event->keyval) {
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        if (cursor >= 0)
            toggleRow(view, cursor);
        return TRUE;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: target = cursor - 1; break;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: target = cursor + 1; break;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: target = 0; break;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: target = count - 1; break;
    default: return FALSE;
    }
    if (target < 0)
        target = 0;
    if (target >= count)
        target = count - 1;
    if (target >= 0)
        setCursorKeepingSelection(view, target);
    return TRUE;
}

// Multiple choice: a click toggles the row under the pointer.
gboolean onListButton(GtkWidget *widget, GdkEventButton *event, gpointer)
{
    GtkTreeView *view = GTK_TREE_VIEW(widget);
    if (gtk_tree_selection_get_mode(gtk_tree_view_get_selection(view)) != GTK_SELECTION_MULTIPLE)
        return FALSE;
    if (event->button != GDK_BUTTON_PRIMARY)
        return FALSE;
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;  // the second press of a double click already toggled
    if (event->window != gtk_tree_view_get_bin_window(view))
        return FALSE;
    GtkTreePath *path = nullptr;
    if (!gtk_tree_view_get_path_at_pos(view, static_cast<int>(event->x), static_cast<int>(event->y), &path, nullptr,
                                       nullptr, nullptr))
        return TRUE;
    int index = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    gtk_widget_grab_focus(widget);
    toggleRow(view, index);
    setCursorKeepingSelection(view, index);
    return TRUE;
}

// Single choice: a double click is OK.
void onRowActivated(GtkTreeView *, GtkTreePath *, GtkTreeViewColumn *, gpointer dialog)
{
    gtk_window_activate_default(GTK_WINDOW(dialog));
}

int runSelect(GtkWindow *owner, int x, int y, DialogRequest *request, int options, const std::string &title,
              const std::string &prompt)
{
    bool multiple = request->multiple != 0;
    const Layout &layout = multiple ? MULTIPLE_LAYOUT : SINGLE_LAYOUT;
    Dialog d;
    createDialog(&d, layout, owner, title, prompt);

    GtkListStore *store = gtk_list_store_new(1, G_TYPE_STRING);
    const char *option = request->buffer;
    for (int i = 0; i < options; i++) {
        GtkTreeIter iter;
        gtk_list_store_append(store, &iter);
        gtk_list_store_set(store, &iter, 0, deckTextToUtf8(option).c_str(), -1);
        option += std::strlen(option) + 1;
    }
    d.input = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    GtkTreeView *view = GTK_TREE_VIEW(d.input);
    gtk_widget_set_name(d.input, "options");
    gtk_tree_view_set_headers_visible(view, FALSE);
    gtk_tree_view_set_enable_search(view, FALSE);
    GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "ellipsize", PANGO_ELLIPSIZE_END, "ypad", 0, nullptr);
    gtk_tree_view_append_column(view, gtk_tree_view_column_new_with_attributes("", renderer, "text", 0, nullptr));
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    gtk_tree_selection_set_mode(selection, multiple ? GTK_SELECTION_MULTIPLE : GTK_SELECTION_SINGLE);
    g_signal_connect(d.input, "key-press-event", G_CALLBACK(onListKey), d.window);
    g_signal_connect(d.input, "button-press-event", G_CALLBACK(onListButton), nullptr);
    if (!multiple)
        g_signal_connect(d.input, "row-activated", G_CALLBACK(onRowActivated), d.window);

    GtkWidget *scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    gtk_container_add(GTK_CONTAINER(scroller), d.input);
    place(&d, scroller, layout.input);
    addButtons(&d, layout, "OK", "ok", "Cancel", "cancel");

    // Single choice: the first preselected option; multiple: every one.
    // Then every selected byte is 0 until OK.
    int first = -1;
    std::vector<int> preselected;
    for (int i = 0; i < options; i++) {
        if (request->selected[i] == 1 && (multiple || preselected.empty()))
            preselected.push_back(i);
        request->selected[i] = 0;
    }
    if (!preselected.empty())
        first = preselected.front();
    GtkTreePath *cursor = pathAt(first >= 0 ? first : 0);
    gtk_tree_view_set_cursor(view, cursor, nullptr, FALSE);
    gtk_tree_path_free(cursor);
    gtk_tree_selection_unselect_all(selection);
    for (int i : preselected) {
        GtkTreePath *path = pathAt(i);
        gtk_tree_selection_select_path(selection, path);
        gtk_tree_path_free(path);
    }
    gtk_widget_grab_focus(d.input);

    int result = 0;
    if (runDialog(&d, x, y, true) == GTK_RESPONSE_OK) {
        GList *rows = gtk_tree_selection_get_selected_rows(selection, nullptr);
        for (GList *row = rows; row; row = row->next) {
            int index = gtk_tree_path_get_indices(static_cast<GtkTreePath *>(row->data))[0];
            if (index >= 0 && index < options)
                request->selected[index] = 1;
        }
        g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
        result = 1;
    }
    closeDialog(&d);
    return result;
}

int countOptions(const DialogRequest *request)
{
    int count = 0;
    for (const char *option = request->buffer; option && *option && count < MAX_OPTIONS; count++)
        option += std::strlen(option) + 1;
    return count;
}

// ---- confirm and information

int runConfirm(GtkWindow *owner, int x, int y, const std::string &title, const std::string &prompt)
{
    Dialog d;
    createDialog(&d, CONFIRM_LAYOUT, owner, title, prompt);
    addButtons(&d, CONFIRM_LAYOUT, "Yes", "yes", "No", "no");
    gtk_widget_grab_focus(d.accept);
    int result = runDialog(&d, x, y, true) == GTK_RESPONSE_OK ? 1 : 0;
    closeDialog(&d);
    return result;
}

int runInformation(GtkWindow *owner, int x, int y, const std::string &title, const std::string &prompt)
{
    Dialog d;
    createDialog(&d, INFO_LAYOUT, owner, title, prompt);
    d.input = gtk_text_view_new();
    gtk_widget_set_name(d.input, "message");
    GtkTextView *text = GTK_TEXT_VIEW(d.input);
    gtk_text_view_set_editable(text, FALSE);
    gtk_text_view_set_cursor_visible(text, FALSE);
    gtk_text_view_set_wrap_mode(text, GTK_WRAP_WORD_CHAR);
    gtk_text_view_set_left_margin(text, 2);
    gtk_text_view_set_right_margin(text, 2);
    gtk_text_view_set_top_margin(text, 1);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(text), prompt.c_str(), -1);
    GtkWidget *scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    gtk_container_add(GTK_CONTAINER(scroller), d.input);
    place(&d, scroller, INFO_LAYOUT.input);
    addButtons(&d, INFO_LAYOUT, "Ok", "ok", nullptr, nullptr);
    gtk_widget_grab_focus(d.accept);
    runDialog(&d, x, y, true);
    closeDialog(&d);
    return 0;
}

const char *const KIND_NAMES[] = {"text", "select", "confirm", "information", "masked"};

}  // namespace

std::string dialogTextToDeck(const char *utf8, uint32_t charset, size_t maxBytes)
{
    std::string out;
    const char *p = utf8 ? utf8 : "";
    while (*p) {
        gunichar c = g_utf8_get_char_validated(p, -1);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2))
            break;
        const char *next = g_utf8_next_char(p);
        size_t bytes = deckBytes(p, next, charset);
        if (out.size() + bytes > maxBytes)
            break;
        if (charset == CHARSET_UTF8)
            out.append(p, bytes);
        else
            out += c <= 0xFF ? static_cast<char>(c) : '?';
        p = next;
    }
    return out;
}

size_t deckTextCharacters(const std::string &deckText, uint32_t charset)
{
    if (charset != CHARSET_UTF8)
        return deckText.size();
    size_t count = 0;
    for (char c : deckText)
        count += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;
    return count;
}

int gtkShowDialog(GtkWindow *owner, int canvasScreenX, int canvasScreenY, DialogRequest *request)
{
    if (!request || request->kind > DIALOG_MASKED_TEXT)
        return 0;
    int options = 0;
    if (request->kind == DIALOG_SELECT) {
        options = countOptions(request);
        if (options == 0 || !request->selected)
            return 0;  // not shown: the caller warns instead
    }
    static const Layout *const defaults[] = {&TEXT_LAYOUT, &SINGLE_LAYOUT, &CONFIRM_LAYOUT, &INFO_LAYOUT,
                                             &MASKED_LAYOUT};
    std::string title = request->title ? deckTextToUtf8(request->title) : defaults[request->kind]->title;
    std::string prompt = deckTextToUtf8(request->prompt ? request->prompt : "");
    int x = canvasScreenX, y = canvasScreenY;
    int result = 0;
    switch (request->kind) {
    case DIALOG_TEXT:
    case DIALOG_MASKED_TEXT: result = runTextEntry(owner, x, y, request, title, prompt); break;
    case DIALOG_SELECT: result = runSelect(owner, x, y, request, options, title, prompt); break;
    case DIALOG_CONFIRM: result = runConfirm(owner, x, y, title, prompt); break;
    default: result = runInformation(owner, x, y, title, prompt); break;
    }
    Log_printf("Display: dialog %s [%s] %d\n", KIND_NAMES[request->kind], title.c_str(), result);
    return result;
}

void gtkMessageBox(GtkWindow *owner, const char *caption, const char *text, bool error)
{
    ensureDialogStyle();
    std::string message = validUtf8(text);
    GtkWidget *box =
        gtk_message_dialog_new(owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                               error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s", message.c_str());
    g_object_ref(box);
    GtkWindow *window = GTK_WINDOW(box);
    gtk_window_set_title(window, validUtf8(caption).c_str());
    gtk_window_set_role(window, "tovrin-message");
    gtk_widget_set_name(box, "tovrin-message");
    gtk_window_set_position(window, owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    // GTK 3 message dialogs show no icon of their own: the icon goes beside
    // the message area.
    GtkWidget *area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(box));
    GtkWidget *row = area ? gtk_widget_get_parent(area) : nullptr;
    if (row && GTK_IS_BOX(row)) {
        GtkWidget *icon =
            gtk_image_new_from_icon_name(error ? "dialog-error" : "dialog-information", GTK_ICON_SIZE_DIALOG);
        gtk_widget_set_valign(icon, GTK_ALIGN_CENTER);
        gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
        gtk_box_reorder_child(GTK_BOX(row), icon, 0);
        gtk_widget_show(icon);
    }
    gtk_window_present(window);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    g_object_unref(box);
}

bool gtkChooseFile(GtkWindow *owner, const char *title, const char *filterName, const char *pattern, std::string *path)
{
    GtkWidget *chooser =
        gtk_file_chooser_dialog_new(validUtf8(title).c_str(), owner, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_role(GTK_WINDOW(chooser), "tovrin-choose-file");
    gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, validUtf8(filterName).c_str());
    gtk_file_filter_add_pattern(filter, pattern ? pattern : "*");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);  // takes the filter
    bool chosen = false;
    while (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        char *file = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
        bool exists = file && g_file_test(file, G_FILE_TEST_IS_REGULAR);
        if (exists) {
            *path = file;
            chosen = true;
        }
        g_free(file);
        if (chosen)
            break;
        gtkMessageBox(GTK_WINDOW(chooser), "", "The file does not exist.", true);
    }
    gtk_widget_destroy(chooser);
    return chosen;
}
