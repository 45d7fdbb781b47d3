// The references the start-up benchmark measures the client against: the least
// a GTK 3 program does to show a window of the main window's size
// (quorvi_reference_window), and the same window holding a WebKit view that
// shows URL (quorvi_reference_web_window --web URL).
#include <gtk/gtk.h>
#ifdef QUORVI_REFERENCE_WEB
#include <webkit2/webkit2.h>
#endif

#include <cstring>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Reference");
    gtk_window_set_default_size(GTK_WINDOW(window), 950, 553);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
#ifdef QUORVI_REFERENCE_WEB
    if (argc > 2 && std::strcmp(argv[1], "--web") == 0) {
        GtkWidget* view = webkit_web_view_new();
        gtk_container_add(GTK_CONTAINER(window), view);
        webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[2]);
    }
#endif
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
