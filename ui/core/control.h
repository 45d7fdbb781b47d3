// CControlUI: the base of every control in a window's tree.
//
// Geometry: a control has an absolute rectangle in its window's client
// coordinates, set by its parent's layout. A floating control ("float") is
// placed instead by its fixed position relative to its parent's top-left
// (fixed x/y, fixed width/height); SetPos and GetPos of a floating control use
// that relative frame. Layout runs lazily: NeedUpdate/NeedParentUpdate mark the
// window for layout, which happens before painting, hit testing and on size
// changes (CPaintManagerUI::UpdateLayout).
//
// Sections: events | CControlUI (identity, texts, geometry, state, look,
//           attributes, events and painting, tree)
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/core/attribute_result.h"
#include "ui/core/attributes.h"
#include "ui/core/render.h"
#include "ui/core/std_string.h"
#include "ui/core/win_types.h"

namespace DuiLib {

class CPaintManagerUI;
class CControlUI;

// ---- events ------------------------------------------------------------------------------
// Input and timers reach controls as events; controls answer with notifications.
enum class EventType {
    MouseEnter,
    MouseLeave,
    MouseMove,
    ButtonDown,
    ButtonUp,
    DoubleClick,
    RightButtonDown,
    RightButtonUp,
    ScrollWheel,
    KeyDown,
    Char,
    SetFocus,
    KillFocus,
    Timer,
};

struct TEventUI {
    EventType Type = EventType::MouseMove;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse;      // client coordinates
    WPARAM wParam = 0;  // key code, character, timer id, wheel delta
    LPARAM lParam = 0;
};

// Button-like visual states.
inline constexpr UINT UISTATE_HOT = 0x01;
inline constexpr UINT UISTATE_PUSHED = 0x02;
inline constexpr UINT UISTATE_FOCUSED = 0x04;
inline constexpr UINT UISTATE_SELECTED = 0x08;
inline constexpr UINT UISTATE_DISABLED = 0x10;
inline constexpr UINT UISTATE_CAPTURED = 0x20;

// ---- CControlUI ---------------------------------------------------------------------------
class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // identity
    virtual CStdString GetName() const { return name_; }
    virtual void SetName(std::string_view name);
    virtual LPCTSTR GetClass() const { return "ControlUI"; }
    // Non-null when the control is of the named kind ("Control", "Container", "Option"...).
    virtual void* GetInterface(std::string_view name);

    // texts (GBK)
    virtual CStdString GetText() const { return text_; }
    virtual void SetText(std::string_view text);
    CStdString GetToolTip() const { return toolTip_; }
    void SetToolTip(std::string_view text) { toolTip_ = text; }
    // The name a screen reader gives a control that shows no text (an icon-only button).
    CStdString GetAccName() const { return accName_; }
    void SetAccName(std::string_view name) { accName_ = name; }
    CStdString GetUserData() const { return userData_; }
    void SetUserData(std::string_view text) { userData_ = text; }
    UINT_PTR GetTag() const { return tag_; }
    void SetTag(UINT_PTR tag) { tag_ = tag; }

    // geometry
    virtual RECT GetPos() const;                   // floating: relative to the parent
    virtual void SetPos(RECT rect);                // floating: relative to the parent
    RECT GetAbsolutePos() const { return rect_; }  // client coordinates
    int GetWidth() const { return rect_.right - rect_.left; }
    int GetHeight() const { return rect_.bottom - rect_.top; }
    bool IsFloat() const { return float_; }
    virtual void SetFloat(bool isFloat = true);
    SIZE GetFixedXY() const { return fixedXY_; }
    void SetFixedXY(SIZE xy);
    int GetFixedWidth() const { return fixedWidth_; }
    void SetFixedWidth(int width);  // negative values are ignored; 0 = flexible
    int GetFixedHeight() const { return fixedHeight_; }
    void SetFixedHeight(int height);
    int GetMinWidth() const { return minWidth_; }
    void SetMinWidth(int width);
    int GetMaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int width);
    int GetMinHeight() const { return minHeight_; }
    void SetMinHeight(int height);
    int GetMaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int height);
    // The size a layout should give this control; 0 in a dimension means flexible.
    virtual SIZE EstimateSize(SIZE available) const;

    // state
    // Visible: its own flag and not hidden by its parent (a tab page not selected).
    virtual bool IsVisible() const { return visible_ && internVisible_; }
    virtual void SetVisible(bool visible = true);
    virtual void SetInternVisible(bool visible = true);
    bool IsEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled = true);
    // Whether the window opens a context menu for the control on its "menu"
    // notification (the skin's "menu"): screen readers offer a "menu" action.
    bool HasMenu() const { return hasMenu_; }
    void SetHasMenu(bool menu) { hasMenu_ = menu; }
    bool IsMouseEnabled() const { return mouseEnabled_; }
    void SetMouseEnabled(bool enabled = true) { mouseEnabled_ = enabled; }
    bool IsFocused() const { return focused_; }
    virtual void SetFocus();
    // Controls Tab can move the focus to (edits, buttons, options, lists...).
    virtual bool IsTabStop() const { return false; }
    // Does what a click does: "click" and the control's own action. False when
    // the control cannot be activated (hidden or disabled).
    virtual bool Activate();

    // look
    DWORD GetBkColor() const { return bkColor_; }
    void SetBkColor(DWORD argb);
    CStdString GetBkImage() const { return bkImageText_; }
    bool SetBkImage(std::string_view spec);  // false (and no change) when malformed
    DWORD GetBorderColor() const { return borderColor_; }
    void SetBorderColor(DWORD argb);
    int GetBorderSize() const { return borderSize_; }
    void SetBorderSize(int size);

    // attributes: parsed once, here, into typed members
    virtual AttributeResult SetAttribute(std::string_view name, std::string_view value);
    // name="value" pairs; gives the first failing result, applying the rest anyway.
    AttributeResult SetAttributeList(std::string_view list);

    // events and painting
    virtual void DoInit() {}  // once, when the control joins a window
    virtual void DoEvent(TEventUI& event);
    virtual void DoPaint(ui::RenderTarget& target, const RECT& paintRect);
    virtual void PaintBkColor(ui::RenderTarget& target);
    virtual void PaintBkImage(ui::RenderTarget& target);
    virtual void PaintStatusImage(ui::RenderTarget& target);
    virtual void PaintText(ui::RenderTarget& target);
    virtual void PaintBorder(ui::RenderTarget& target);
    // Drawn over a focused control while its window shows the focus mark.
    void PaintFocusMark(ui::RenderTarget& target);
    static constexpr DWORD kFocusMarkOuterColor = 0xFFFFFFFF;
    static constexpr DWORD kFocusMarkInnerColor = 0xFF1A4FD0;
    void Invalidate();
    void NeedUpdate();
    void NeedParentUpdate();
    bool IsUpdateNeeded() const { return updateNeeded_; }

    // tree
    CPaintManagerUI* GetManager() const { return manager_; }
    CControlUI* GetParent() const { return parent_; }
    // Joins (or leaves, with null) a window: names are registered, DoInit runs once.
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual int GetChildCount() const { return 0; }
    virtual CControlUI* GetChildAt(int) const { return nullptr; }
    // The topmost visible, mouse-enabled control under the point (client
    // coordinates): this control or one of its children; null when outside.
    virtual CControlUI* FindControlAt(POINT point);

    // For layouts: places the control at `rect` (client coordinates) and lays
    // out its children.
    virtual void SetAbsolutePos(const RECT& rect);
    // For layouts: where a floating control lies in a parent whose origin is
    // `parentRect`'s top-left.
    RECT FloatRectIn(const RECT& parentRect) const;

protected:
    // Paints `image` over the control; false when there is no image.
    bool DrawImage(ui::RenderTarget& target, const ui::ImageSpec& image);
    // Reports the control state change to the window for repainting.
    void SendNotify(std::string_view type, WPARAM wParam = 0, LPARAM lParam = 0);

    CPaintManagerUI* manager_ = nullptr;
    CControlUI* parent_ = nullptr;
    RECT rect_{};
    DWORD bkColor_ = 0;
    ui::ImageSpec bkImage_;
    DWORD borderColor_ = 0;
    int borderSize_ = 0;

private:
    CStdString name_;
    CStdString text_;
    CStdString toolTip_;
    CStdString accName_;
    CStdString userData_;
    UINT_PTR tag_ = 0;
    bool float_ = false;
    SIZE fixedXY_{};
    int fixedWidth_ = 0;
    int fixedHeight_ = 0;
    int minWidth_ = 0;
    int maxWidth_ = 9999;
    int minHeight_ = 0;
    int maxHeight_ = 9999;
    bool visible_ = true;
    bool internVisible_ = true;
    bool enabled_ = true;
    bool hasMenu_ = false;
    bool mouseEnabled_ = true;
    bool focused_ = false;
    bool updateNeeded_ = true;
    bool initialised_ = false;
    CStdString bkImageText_;

    friend class CPaintManagerUI;
};

}  // namespace DuiLib
