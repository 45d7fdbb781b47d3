#include "ui/gtk/virtual_keys.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

namespace {

TEST(VirtualKeys, LettersDigitsAndKeysWindowsNames) {
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_a), WPARAM('A'));
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_Z), WPARAM('Z'));
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_7), WPARAM('7'));
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_KP_3), 0x63u);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_F1), 0x70u);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_F12), 0x7Bu);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_KP_Enter), VK_RETURN);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_ISO_Left_Tab), VK_TAB);  // Shift+Tab
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_Escape), VK_ESCAPE);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_KP_Down), VK_DOWN);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_Delete), VK_DELETE);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_Control_R), VK_CONTROL);
    EXPECT_EQ(ui::VirtualKeyFromKeyval(GDK_KEY_dead_acute), 0u);
}

}  // namespace
