// An edit box's native entry on the GTK backend: a GtkEntry over the control,
// looking like it and reporting the user's text and focus to it.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "platform/text.h"
#include "ui/core/controls.h"
#include "ui/core/paint_manager.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/gtk/gtk_window.h"

namespace ui {

namespace {

// The entries standing over edit boxes (for tests and captures).
std::map<const DuiLib::CEditUI*, GtkWidget*> g_entries;

std::string CssColor(DWORD argb) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06x", argb & 0xFFFFFFu);
    return text;
}

// CSS of an entry standing in for an edit box: the edit's font, colours and
// no frame, so it looks like the control it covers. Without the focus it is
// clear through, and the edit's own painting shows: the window's frames are the
// same with or without the entry, which can then be made after the first one.
// No transitions, so a change of look is there in the next frame.
std::string EntryCss(const DuiLib::CPaintManagerUI* manager, DuiLib::CEditUI* edit, bool focused) {
    const DuiLib::TFontInfo* font = manager ? manager->GetFontInfo(edit->GetFont()) : nullptr;
    std::string family = font ? platform::GbkToUtf8(font->sFontName) : "";
    std::erase(family, '"');
    std::string css =
        "entry { border-style: none; border-width: 0; border-radius: 0; box-shadow: none;"
        " outline-style: none; min-height: 0; padding: 0 1px; margin: 0; transition: none;"
        " font: ";
    if (font && font->bBold) css += "bold ";
    if (font && font->bItalic) css += "italic ";
    css += std::to_string(font && font->iSize > 0 ? font->iSize : 12) + "px ";
    if (!family.empty()) css += "\"" + family + "\", ";
    css += "\"WenQuanYi Micro Hei\", sans-serif;";
    if (!focused)
        return css +
               " background-color: transparent; background-image: none; color: transparent;"
               " caret-color: transparent; }"
               // a selection left in the entry would show over the edit's text
               " entry selection { background-color: transparent; color: transparent; }";
    const DWORD ground = (edit->GetBkColor() >> 24) ? edit->GetBkColor() : 0xFFFFFFFF;
    css += " background-color: " + CssColor(ground) + "; background-image: none;";
    css += " color: " +
           CssColor(edit->IsEnabled() ? edit->GetTextColor() : edit->GetDisabledTextColor()) +
           "; caret-color: " + CssColor(edit->GetTextColor()) + "; }";
    return css;
}

// An edit box's native entry: placed inside the edit's text padding, looking
// like the control it covers, reporting the user's text and focus to it.
// The program's first entry costs a good part of its start (GTK sets up the
// entry's style and theme), so while there is none, an edit on a window not
// yet drawn has its entry made just after the window's first frame, or at once
// when the edit takes the focus (a click or Tab); until then the edit draws its
// own text and takes typed characters itself. Later windows (dialogs) have
// their entries, and so their accessible text objects, from the start.
class GtkNativeEdit : public NativeEdit {
public:
    GtkNativeEdit(DuiLib::CEditUI& edit, GtkWidget* layout, bool windowDrawn)
        : edit_(edit), layout_(layout) {
        if (windowDrawn || !g_entries.empty()) {
            Make();
            return;
        }
        drawHandler_ = g_signal_connect_after(layout_, "draw", G_CALLBACK(OnLayoutDrawn), this);
        layoutGone_ = g_signal_connect(layout_, "destroy", G_CALLBACK(OnLayoutDestroyed), this);
    }

    ~GtkNativeEdit() override {
        g_entries.erase(&edit_);
        Unwait();
        if (entry_) {
            g_signal_handlers_disconnect_by_data(entry_, this);
            gtk_widget_destroy(entry_);
        }
        if (css_) g_object_unref(css_);
    }

    void SetBounds(const RECT& rect, bool visible) override {
        bounds_ = rect;
        visible_ = visible;
        if (!entry_) return;
        const RECT pad = edit_.GetTextPadding();
        const RECT pos{rect.left + pad.left, rect.top + pad.top, rect.right - pad.right,
                       rect.bottom - pad.bottom};
        if (!visible || Width(pos) <= 0 || Height(pos) <= 0) {
            if (gtk_widget_has_focus(entry_)) gtk_widget_grab_focus(layout_);
            gtk_widget_hide(entry_);
            return;
        }
        if (pos != placed_) {
            gtk_widget_set_size_request(entry_, Width(pos), Height(pos));
            gtk_layout_move(GTK_LAYOUT(layout_), entry_, pos.left, pos.top);
            placed_ = pos;
        }
        Restyle();
        gtk_entry_set_max_length(GTK_ENTRY(entry_), std::max(0, edit_.GetMaxChar()));
        gtk_widget_set_sensitive(entry_, edit_.IsEnabled());
        gtk_widget_show(entry_);
    }

    void SetText(const std::string& gbk) override {
        if (!entry_ || platform::Utf8ToGbk(gtk_entry_get_text(GTK_ENTRY(entry_))) == gbk) return;
        settingText_ = true;  // a text set by code raises nothing
        gtk_entry_set_text(GTK_ENTRY(entry_), platform::GbkToUtf8(gbk).c_str());
        settingText_ = false;
    }

    void SetPasswordMode(bool password) override {
        password_ = password;
        if (entry_) gtk_entry_set_visibility(GTK_ENTRY(entry_), !password);
    }

    void SetReadOnly(bool readOnly) override {
        readOnly_ = readOnly;
        if (entry_) gtk_editable_set_editable(GTK_EDITABLE(entry_), !readOnly);
    }

    void SetFocused(bool focused) override {
        focused_ = focused;
        if (focused && !entry_) Make();
        if (!entry_) return;
        Restyle();
        if (focused && !gtk_widget_has_focus(entry_) && gtk_widget_get_visible(entry_))
            gtk_widget_grab_focus(entry_);
        if (!focused && gtk_widget_has_focus(entry_)) gtk_widget_grab_focus(layout_);
    }

private:
    // Makes the entry and gives it what the edit holds now.
    void Make() {
        Unwait();
        if (entry_ || !layout_) return;
        entry_ = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(entry_), 1);
        gtk_entry_set_has_frame(GTK_ENTRY(entry_), FALSE);
        gtk_entry_set_invisible_char(GTK_ENTRY(entry_), '*');
        css_ = gtk_css_provider_new();
        gtk_style_context_add_provider(gtk_widget_get_style_context(entry_),
                                       GTK_STYLE_PROVIDER(css_),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_signal_connect(entry_, "changed", G_CALLBACK(OnChanged), this);
        g_signal_connect(entry_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
        g_signal_connect(entry_, "destroy", G_CALLBACK(OnDestroyed), this);
        gtk_layout_put(GTK_LAYOUT(layout_), entry_, 0, 0);
        g_entries[&edit_] = entry_;
        SetText(edit_.GetText());
        SetPasswordMode(password_);
        SetReadOnly(readOnly_);
        SetBounds(bounds_, visible_);
    }

    // The look follows the edit's attributes, which may change at any time, and the focus.
    void Restyle() {
        const std::string style = EntryCss(edit_.GetManager(), &edit_, focused_);
        if (style == style_) return;
        gtk_css_provider_load_from_data(css_, style.c_str(), -1, nullptr);
        style_ = style;
    }

    // Stops waiting for the window's first frame.
    void Unwait() {
        if (idle_) g_source_remove(idle_);
        idle_ = 0;
        if (drawHandler_) g_signal_handler_disconnect(layout_, drawHandler_);
        if (layoutGone_) g_signal_handler_disconnect(layout_, layoutGone_);
        drawHandler_ = layoutGone_ = 0;
    }

    // The frame is being drawn: the entry follows once it is on the screen.
    static gboolean OnLayoutDrawn(GtkWidget*, cairo_t*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        if (!self->idle_)
            self->idle_ =
                g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnFirstFrameShown, self, nullptr);
        return FALSE;
    }

    static gboolean OnFirstFrameShown(gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        self->idle_ = 0;
        gdk_display_flush(gdk_display_get_default());  // the frame goes out before the entry's work
        self->Make();
        return G_SOURCE_REMOVE;
    }

    static void OnLayoutDestroyed(GtkWidget*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        self->Unwait();
        self->layout_ = nullptr;
    }

    static void OnChanged(GtkEditable* editable, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        if (self->settingText_) return;
        self->edit_.SetTextFromUser(platform::Utf8ToGbk(gtk_entry_get_text(GTK_ENTRY(editable))));
    }

    static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        DuiLib::CPaintManagerUI* manager = self->edit_.GetManager();
        if (manager && manager->GetFocus() != &self->edit_) manager->SetFocus(&self->edit_);
        return FALSE;
    }

    // The window went first (its layout takes its children along).
    static void OnDestroyed(GtkWidget*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        g_entries.erase(&self->edit_);
        self->entry_ = nullptr;
    }

    DuiLib::CEditUI& edit_;
    GtkWidget* layout_;
    GtkWidget* entry_ = nullptr;
    GtkCssProvider* css_ = nullptr;
    std::string style_;
    RECT placed_{-1, -1, -1, -1};
    bool settingText_ = false;
    // What the entry is given when it is made.
    RECT bounds_{};
    bool visible_ = false;
    bool password_ = false;
    bool readOnly_ = false;
    bool focused_ = false;
    gulong drawHandler_ = 0;
    gulong layoutGone_ = 0;
    guint idle_ = 0;
};

}  // namespace

std::unique_ptr<NativeEdit> GtkBackend::CreateNativeEdit(DuiLib::CEditUI& edit) {
    DuiLib::CPaintManagerUI* manager = edit.GetManager();
    Window* w = manager ? Find(manager->GetPaintWindow()) : nullptr;
    if (!w) return nullptr;
    return std::make_unique<GtkNativeEdit>(edit, w->layout, w->drawn);
}

GtkWidget* GtkBackend::EntryOf(const DuiLib::CEditUI* edit) const {
    auto found = g_entries.find(edit);
    return found == g_entries.end() ? nullptr : found->second;
}

}  // namespace ui
