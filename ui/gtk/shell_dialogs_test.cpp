// The message box and the folder picker: modal over their owner, answered by
// the user, with the layer's loop running meanwhile.
#include "ui/core/shell_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/chinese_texts.h"
#include "platform/text.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/skin_window_for_tests.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The shown dialog of this type, or null.
template <typename Check>
GtkWidget* ShownDialog(Check isWanted) {
    GtkWidget* found = nullptr;
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next)
        if (gtk_widget_get_mapped(GTK_WIDGET(l->data)) && isWanted(GTK_WIDGET(l->data)))
            found = GTK_WIDGET(l->data);
    g_list_free(tops);
    return found;
}

class ShellDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(ui::InstallGtkBackend()); }
    void SetUp() override {
        owner_ = std::make_unique<ui::testing::SkinWindow>(
            "<Window size=\"200,100\"><Control bkcolor=\"#FF808080\"/></Window>");
        ASSERT_NE(owner_->Create(nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 100, 100, 200, 100),
                  nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner_->GetHWND());
        ui::RunUntilIdle();
    }
    // Runs `act` on the loop once a dialog passing `isWanted` is shown.
    template <typename Check>
    void WhenShown(Check isWanted, std::function<void(GtkWidget*)> act) {
        struct Watch {
            Check isWanted;
            std::function<void(GtkWidget*)> act;
        };
        g_timeout_add(
            20,
            [](gpointer data) {
                auto* watch = static_cast<Watch*>(data);
                GtkWidget* dialog = ShownDialog(watch->isWanted);
                if (!dialog) return G_SOURCE_CONTINUE;
                watch->act(dialog);
                delete watch;
                return G_SOURCE_REMOVE;
            },
            new Watch{isWanted, std::move(act)});
    }
    std::unique_ptr<ui::testing::SkinWindow> owner_;
};

TEST_F(ShellDialogs, MessageBoxIsModalOverItsOwnerUntilOk) {
    bool ownerDisabled = false;
    std::string shownText;
    int turns = 0;
    ui::PostTask([&] { ++turns; });
    WhenShown([](GtkWidget* w) { return GTK_IS_MESSAGE_DIALOG(w); },
              [&](GtkWidget* dialog) {
                  ownerDisabled = !IsWindowEnabled(owner_->GetHWND());
                  gchar* text = nullptr;
                  g_object_get(dialog, "text", &text, nullptr);
                  shownText = text ? text : "";
                  g_free(text);
                  ui::PostTask([&] { ++turns; });  // the layer's loop still runs
                  g_timeout_add(
                      100,
                      [](gpointer d) {
                          gtk_button_clicked(GTK_BUTTON(
                              gtk_dialog_get_widget_for_response(GTK_DIALOG(d), GTK_RESPONSE_OK)));
                          return G_SOURCE_REMOVE;
                      },
                      dialog);
              });
    // The launcher's second-instance message, GBK as the system keeps it.
    const char* text = platform::texts::kAlreadyRunningMessage;
    EXPECT_EQ(MessageBoxA(owner_->GetHWND(), text, "quorvi", MB_OK), static_cast<int>(IDOK));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(shownText, platform::GbkToUtf8(text));
    EXPECT_EQ(turns, 2);
    EXPECT_TRUE(IsWindowEnabled(owner_->GetHWND()));
}

TEST_F(ShellDialogs, FolderPickerGivesTheChosenFolderOrNothing) {
    const fs::path parent = fs::temp_directory_path() / ("quorvi-pick-" + std::to_string(getpid()));
    const fs::path folder = parent / "下载";
    fs::create_directories(folder);
    auto isChooser = [](GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); };
    // The chooser loads folders in the background: answer once it shows the choice.
    WhenShown(isChooser, [&](GtkWidget* dialog) {
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog), folder.c_str());
        WhenShown(
            [&](GtkWidget* w) {
                if (!GTK_IS_FILE_CHOOSER_DIALOG(w)) return false;
                gchar* selected = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(w));
                const bool ready = selected && folder == selected;
                g_free(selected);
                return ready;
            },
            [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT); });
    });
    // Never wait without limit: a chooser still open after 15 s is cancelled.
    const guint guard = g_timeout_add_seconds(
        15,
        [](gpointer) {
            if (GtkWidget* open =
                    ShownDialog([](GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); }))
                gtk_dialog_response(GTK_DIALOG(open), GTK_RESPONSE_CANCEL);
            return G_SOURCE_CONTINUE;
        },
        nullptr);
    auto chosen =
        ui::BrowseForFolder(owner_->GetHWND(), "save", platform::Utf8ToGbk(parent.string()));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, platform::Utf8ToGbk(folder.string()));  // GBK, as the system keeps paths

    WhenShown(isChooser, [](GtkWidget* dialog) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    });
    EXPECT_FALSE(ui::BrowseForFolder(owner_->GetHWND(), "save").has_value());
    g_source_remove(guard);
    fs::remove_all(parent);
}

}  // namespace
