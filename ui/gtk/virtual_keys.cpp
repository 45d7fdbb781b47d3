#include "ui/gtk/virtual_keys.h"

#include <gdk/gdkkeysyms.h>

namespace ui {

WPARAM VirtualKeyFromKeyval(unsigned int keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return 0x60 + (keyval - GDK_KEY_KP_0);
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return 0x70 + (keyval - GDK_KEY_F1);
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return VK_BACK;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
        case GDK_KEY_KP_Tab:
            return VK_TAB;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            return VK_RETURN;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return VK_SHIFT;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R:
            return VK_CONTROL;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
        case GDK_KEY_Meta_L:
        case GDK_KEY_Meta_R:
            return VK_MENU;
        case GDK_KEY_Escape:
            return VK_ESCAPE;
        case GDK_KEY_space:
        case GDK_KEY_KP_Space:
            return VK_SPACE;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up:
            return VK_PRIOR;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down:
            return VK_NEXT;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            return VK_END;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            return VK_HOME;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            return VK_LEFT;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            return VK_UP;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            return VK_RIGHT;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            return VK_DOWN;
        case GDK_KEY_Insert:
        case GDK_KEY_KP_Insert:
            return 0x2D;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete:
            return VK_DELETE;
        case GDK_KEY_KP_Multiply:
            return 0x6A;
        case GDK_KEY_KP_Add:
            return 0x6B;
        case GDK_KEY_KP_Subtract:
            return 0x6D;
        case GDK_KEY_KP_Decimal:
            return 0x6E;
        case GDK_KEY_KP_Divide:
            return 0x6F;
        default:
            return 0;
    }
}

}  // namespace ui
