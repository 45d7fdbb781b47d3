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
// no frame, so it looks like the control it covers.
std::string EntryCss(const DuiLib::CPaintManagerUI* manager, DuiLib::CEditUI* edit) {
    const DuiLib::TFontInfo* font = manager ? manager->GetFontInfo(edit->GetFont()) : nullptr;
    std::string family = font ? platform::GbkToUtf8(font->sFontName) : "";
    std::erase(family, '"');
    std::string css =
        "entry { border-style: none; border-width: 0; border-radius: 0; box-shadow: none;"
        " outline-style: none; min-height: 0; padding: 0 1px; margin: 0; font: ";
    if (font && font->bBold) css += "bold ";
    if (font && font->bItalic) css += "italic ";
    css += std::to_string(font && font->iSize > 0 ? font->iSize : 12) + "px ";
    if (!family.empty()) css += "\"" + family + "\", ";
    css += "\"WenQuanYi Micro Hei\", sans-serif;";
    const DWORD ground = (edit->GetBkColor() >> 24) ? edit->GetBkColor() : 0xFFFFFFFF;
    css += " background-color: " + CssColor(ground) + "; background-image: none;";
    css += " color: " +
           CssColor(edit->IsEnabled() ? edit->GetTextColor() : edit->GetDisabledTextColor()) +
           "; caret-color: " + CssColor(edit->GetTextColor()) + "; }";
    return css;
}

// An edit box's native entry: placed inside the edit's text padding, looking
// like the control it covers, reporting the user's text and focus to it.
class GtkNativeEdit : public NativeEdit {
public:
    GtkNativeEdit(DuiLib::CEditUI& edit, GtkWidget* layout) : edit_(edit), layout_(layout) {
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
    }

    ~GtkNativeEdit() override {
        g_entries.erase(&edit_);
        if (entry_) {
            g_signal_handlers_disconnect_by_data(entry_, this);
            gtk_widget_destroy(entry_);
        }
        g_object_unref(css_);
    }

    void SetBounds(const RECT& rect, bool visible) override {
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
        // The look follows the edit's attributes, which may change at any time.
        const std::string style = EntryCss(edit_.GetManager(), &edit_);
        if (style != style_) {
            gtk_css_provider_load_from_data(css_, style.c_str(), -1, nullptr);
            style_ = style;
        }
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
        if (entry_) gtk_entry_set_visibility(GTK_ENTRY(entry_), !password);
    }

    void SetReadOnly(bool readOnly) override {
        if (entry_) gtk_editable_set_editable(GTK_EDITABLE(entry_), !readOnly);
    }

    void SetFocused(bool focused) override {
        if (!entry_) return;
        if (focused && !gtk_widget_has_focus(entry_) && gtk_widget_get_visible(entry_))
            gtk_widget_grab_focus(entry_);
        if (!focused && gtk_widget_has_focus(entry_)) gtk_widget_grab_focus(layout_);
    }

private:
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
};

}  // namespace

std::unique_ptr<NativeEdit> GtkBackend::CreateNativeEdit(DuiLib::CEditUI& edit) {
    DuiLib::CPaintManagerUI* manager = edit.GetManager();
    Window* w = manager ? Find(manager->GetPaintWindow()) : nullptr;
    if (!w) return nullptr;
    return std::make_unique<GtkNativeEdit>(edit, w->layout);
}

GtkWidget* GtkBackend::EntryOf(const DuiLib::CEditUI* edit) const {
    auto found = g_entries.find(edit);
    return found == g_entries.end() ? nullptr : found->second;
}

}  // namespace ui
