#include "shell/gtk/gtk_lists.h"

#include "browser/browser.h"
#include "cache/cache.h"
#include "shell/menu.h"

namespace {

constexpr int FIELD_MAX = 255;  // bookmark title and URL fields
constexpr int URL_MAX = 1023;   // the Goto URL field
enum { RESPONSE_UPDATE = 1, RESPONSE_DELETE, RESPONSE_GO };

GtkWidget *newDialog(GtkWindow *owner, const char *title, int x, int y, int width, int height)
{
    GtkWidget *dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    if (owner)
        gtk_window_set_transient_for(GTK_WINDOW(dialog), owner);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_default_size(GTK_WINDOW(dialog), width, height);
    gtk_window_move(GTK_WINDOW(dialog), x, y);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 6);
    return dialog;
}

GtkWidget *content(GtkWidget *dialog) { return gtk_dialog_get_content_area(GTK_DIALOG(dialog)); }

// A one-column list of texts in a scrolled window.
GtkWidget *newList(GtkWidget **view)
{
    GtkListStore *store = gtk_list_store_new(1, G_TYPE_STRING);
    *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(*view), FALSE);
    GtkCellRenderer *cell = gtk_cell_renderer_text_new();
    g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(*view), -1, "", cell, "text", 0, nullptr);
    GtkWidget *scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroll), *view);
    gtk_widget_set_vexpand(scroll, TRUE);
    return scroll;
}

void fillList(GtkWidget *view, const std::vector<std::string> &texts)
{
    GtkListStore *store = GTK_LIST_STORE(gtk_tree_view_get_model(GTK_TREE_VIEW(view)));
    gtk_list_store_clear(store);
    for (const std::string &t : texts) {
        GtkTreeIter it;
        gtk_list_store_append(store, &it);
        gtk_list_store_set(store, &it, 0, t.c_str(), -1);
    }
}

int selectedRow(GtkWidget *view)
{
    GtkTreeModel *model = nullptr;
    GtkTreeIter it;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), &model, &it))
        return -1;
    GtkTreePath *path = gtk_tree_model_get_path(model, &it);
    int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return row;
}

// A double click is Go.
void onRowActivated(GtkTreeView *, GtkTreePath *, GtkTreeViewColumn *, gpointer dialog)
{
    gtk_dialog_response(GTK_DIALOG(dialog), RESPONSE_GO);
}

std::vector<std::string> bookmarkTitles()
{
    std::vector<std::string> titles;
    std::string title, url;
    for (int i = 0; getBookmark(i, &title, &url); i++)
        titles.push_back(title);
    return titles;
}

struct BookmarkFields {
    GtkWidget *title;
    GtkWidget *url;
};

void onBookmarkSelected(GtkTreeSelection *selection, gpointer data)
{
    auto *fields = static_cast<BookmarkFields *>(data);
    int row = selectedRow(GTK_WIDGET(gtk_tree_selection_get_tree_view(selection)));
    std::string title, url;
    if (!getBookmark(row, &title, &url))
        return;
    gtk_entry_set_text(GTK_ENTRY(fields->title), title.c_str());
    gtk_entry_set_text(GTK_ENTRY(fields->url), url.c_str());
}

GtkWidget *labelledEntry(GtkWidget *grid, int row, const char *label, const char *name)
{
    GtkWidget *l = gtk_label_new(label);
    gtk_widget_set_halign(l, GTK_ALIGN_START);
    GtkWidget *e = gtk_entry_new();
    gtk_widget_set_name(e, name);
    gtk_entry_set_max_length(GTK_ENTRY(e), FIELD_MAX);
    gtk_widget_set_hexpand(e, TRUE);
    gtk_grid_attach(GTK_GRID(grid), l, 0, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), e, 1, row, 1, 1);
    return e;
}

}  // namespace

bool gtkGotoUrlDialog(GtkWindow *owner, int x, int y, const std::vector<std::string> &choices, std::string *url)
{
    GtkWidget *dialog = newDialog(owner, "Goto URL", x, y, 240, -1);
    GtkWidget *combo = gtk_combo_box_text_new_with_entry();
    gtk_widget_set_name(combo, "url");
    for (const std::string &c : choices)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), c.c_str());
    if (!choices.empty())
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    GtkWidget *entry = gtk_bin_get_child(GTK_BIN(combo));
    gtk_entry_set_max_length(GTK_ENTRY(entry), URL_MAX);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_box_pack_start(GTK_BOX(content(dialog)), combo, FALSE, FALSE, 4);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", GTK_RESPONSE_OK);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancel", GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(entry);
    bool ok = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (ok)
        *url = gtk_entry_get_text(GTK_ENTRY(entry));
    gtk_widget_destroy(dialog);
    return ok;
}

void gtkBookmarksDialog(GtkWindow *owner, int x, int y)
{
    GtkWidget *dialog = newDialog(owner, "Bookmarks", x, y, 260, 300);
    GtkWidget *view = nullptr;
    gtk_box_pack_start(GTK_BOX(content(dialog)), newList(&view), TRUE, TRUE, 2);
    GtkWidget *frame = gtk_frame_new("Current Entry");
    GtkWidget *grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 6);
    BookmarkFields fields = {labelledEntry(grid, 0, "Title", "title"), labelledEntry(grid, 1, "URL", "url")};
    gtk_container_add(GTK_CONTAINER(frame), grid);
    gtk_box_pack_start(GTK_BOX(content(dialog)), frame, FALSE, FALSE, 4);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Update", RESPONSE_UPDATE);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Delete", RESPONSE_DELETE);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Go", RESPONSE_GO);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "E_xit", GTK_RESPONSE_CLOSE);
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), "changed", G_CALLBACK(onBookmarkSelected),
                     &fields);
    g_signal_connect(view, "row-activated", G_CALLBACK(onRowActivated), dialog);
    fillList(view, bookmarkTitles());
    gtk_widget_show_all(dialog);
    for (;;) {
        int response = gtk_dialog_run(GTK_DIALOG(dialog));
        int row = selectedRow(view);
        if (response == RESPONSE_UPDATE && row >= 0) {
            updateBookmark(row, gtk_entry_get_text(GTK_ENTRY(fields.title)), gtk_entry_get_text(GTK_ENTRY(fields.url)));
            fillList(view, bookmarkTitles());
        } else if (response == RESPONSE_DELETE && row >= 0) {
            deleteBookmark(row);
            fillList(view, bookmarkTitles());
        } else if (response == RESPONSE_GO && row >= 0) {
            gtk_widget_destroy(dialog);
            gotoBookmark(row);
            return;
        } else if (response != RESPONSE_UPDATE && response != RESPONSE_DELETE && response != RESPONSE_GO) {
            break;  // Exit, Escape or the window closed
        }
    }
    gtk_widget_destroy(dialog);
}

void gtkPushDialog(GtkWindow *owner, int x, int y)
{
    GtkWidget *dialog = newDialog(owner, "Push Messages", x, y, 240, 220);
    GtkWidget *view = nullptr;
    gtk_box_pack_start(GTK_BOX(content(dialog)), newList(&view), TRUE, TRUE, 2);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Delete", RESPONSE_DELETE);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Go", RESPONSE_GO);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "E_xit", GTK_RESPONSE_CLOSE);
    g_signal_connect(view, "row-activated", G_CALLBACK(onRowActivated), dialog);
    std::vector<std::string> uris = pushMessageList();
    fillList(view, uris);
    gtk_widget_show_all(dialog);
    for (;;) {
        int response = gtk_dialog_run(GTK_DIALOG(dialog));
        int row = selectedRow(view);
        bool chosen = row >= 0 && static_cast<size_t>(row) < uris.size();
        if (response == RESPONSE_DELETE && chosen) {
            deletePush(uris[row].c_str());
            uris = pushMessageList();
            fillList(view, uris);
        } else if (response == RESPONSE_GO && chosen) {
            // A push names the page it is about.
            std::string page = C_pushOpenUrl(uris[row].c_str());
            gtk_widget_destroy(dialog);
            if (!page.empty())
                B_go(page.c_str(), nullptr, METHOD_GET);
            return;
        } else if (response != RESPONSE_DELETE && response != RESPONSE_GO) {
            break;
        }
    }
    gtk_widget_destroy(dialog);
}
