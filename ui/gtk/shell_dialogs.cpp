// The GTK backend's shell dialogs: a message dialog and a folder chooser, run
// modally with the layer's loop turning.
#include <gtk/gtk.h>

#include <chrono>

#include "platform/log.h"
#include "platform/text.h"
#include "ui/core/message_loop.h"
#include "ui/core/win_api.h"
#include "ui/gtk/gtk_backend.h"

namespace {

// Runs the layer's loop until the dialog answers; a quit ends the wait and
// stays pending for the loop outside. Gives the GTK response.
int RunDialog(GtkWidget* dialog, HWND owner) {
    struct Answer {
        int response = GTK_RESPONSE_NONE;
        bool given = false;
    } answer;  // outlives the dialog, destroyed below
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, int id, gpointer data) {
                         auto* state = static_cast<Answer*>(data);
                         state->response = id;
                         state->given = true;
                     }),
                     &answer);
    const bool& answered = answer.given;
    const bool ownerWasEnabled = owner && IsWindow(owner) && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    gtk_widget_show_all(dialog);
    gtk_window_present(GTK_WINDOW(dialog));
    while (!answered) {
        if (ui::RunUntil([&] { return answered; }, std::chrono::hours(1))) break;
        if (auto quit = ui::TakeQuit()) {
            PostQuitMessage(*quit);
            break;
        }
    }
    if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    gtk_widget_destroy(dialog);
    return answer.response;
}

GtkWindow* ParentOf(const ui::GtkBackend& backend, HWND owner) {
    GtkWidget* window = owner ? backend.NativeWindow(GetAncestor(owner, GA_ROOT)) : nullptr;
    return window ? GTK_WINDOW(window) : nullptr;
}

}  // namespace

namespace ui {

void GtkBackend::ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                                bool warning) {
    const std::string body = platform::GbkToUtf8(text);
    const std::string title = platform::GbkToUtf8(caption);
    GtkWidget* dialog = gtk_message_dialog_new(ParentOf(*this, owner), GTK_DIALOG_MODAL,
                                               warning ? GTK_MESSAGE_WARNING : GTK_MESSAGE_INFO,
                                               GTK_BUTTONS_OK, "%s", body.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
    RunDialog(dialog, owner);
}

std::optional<std::string> GtkBackend::BrowseForFolder(HWND owner, std::string_view title,
                                                       std::string_view startFolder) {
    const std::string utf8Title = platform::GbkToUtf8(title);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        utf8Title.c_str(), ParentOf(*this, owner), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
        GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);
    if (!startFolder.empty()) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog),
                                            platform::GbkToUtf8(startFolder).c_str());
    }
    std::optional<std::string> chosen;
    // The answer is read before the dialog goes.
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* self, int id, gpointer data) {
                         if (id != GTK_RESPONSE_ACCEPT) return;
                         gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(self));
                         if (path)
                             *static_cast<std::optional<std::string>*>(data) =
                                 platform::Utf8ToGbk(path);
                         g_free(path);
                     }),
                     &chosen);
    RunDialog(dialog, owner);
    return chosen;
}

}  // namespace ui
