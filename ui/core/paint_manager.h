// CPaintManagerUI: one per window. It owns the window's control tree (the
// root given to AttachDialog), finds controls by name (a name map, so lookups
// cost the same in big skins) and by point, routes mouse and keyboard messages
// to controls, keeps focus, option groups and timers, and hands notifications
// to the window's notifiers.
//
// Input routing (MessageHandler):
//   mouse move       hot control (MouseEnter/MouseLeave); the pressed control keeps the capture
//   left press       pushed state and focus ("killfocus" on the old, "setfocus" on the new)
//   left release     "click" when released over the control that was pressed
//   right release    "menu" with the mouse point (client coordinates)
//   Tab, Shift+Tab   focus to the next (previous) control that takes it (SetNextTabControl)
//   arrow keys       on an option: focus to the next (Right, Down) or previous (Left, Up)
//                    option of its row (the options sharing its parent), wrapping
//   Return, space    on a button or option: what a click does
//   Shift+F10        "menu" on the focused control, at its bottom-left corner
//   other keys       to the focused control (Return in an edit: "return"; typing: "textchanged")
// Moving the focus by keyboard shows the focus mark on the focused control (drawn
// by CControlUI); a mouse press hides it again, so mouse users see the skin as drawn.
//   wheel            scrolls the scrollable container under the mouse
// Timers set on a control arrive at the notifiers as "timer" with the id in wParam.
// "windowinit" is raised once, on the first turn of the loop after AttachDialog.
//
// Sections: notifications and filters | fonts | CPaintManagerUI (process-wide,
//           window, tree and lookup, timers, focus, notifications, skin values, layout and paint)
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/render.h"
#include "ui/core/std_string.h"
#include "ui/core/win_types.h"

namespace DuiLib {

class COptionUI;

// ---- notifications and filters ------------------------------------------------------------
struct TNotifyUI {
    CStdString sType;  // "click", "timer", "setfocus", ...
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;  // GetTickCount() when raised
    POINT ptMouse;          // client coordinates
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// A window's pre-message filter sees each input message first (see ui/core/input.h).
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// ---- fonts -----------------------------------------------------------------------------------
struct TFontInfo {
    CStdString sFontName;  // GBK
    int iSize = 12;
    bool bBold = false;
    bool bUnderline = false;
    bool bItalic = false;
};

// ---- CPaintManagerUI ---------------------------------------------------------------------------
class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // process-wide
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    // The program folder, ending in the separator.
    static CStdString GetInstancePath();
    static void SetResourcePath(std::string_view path);
    static CStdString GetResourcePath();
    // Runs the UI thread's loop until the quit message.
    static void MessageLoop();
    // The paint manager of a window, or null.
    static CPaintManagerUI* FromWindow(HWND hwnd);

    // window
    void Init(HWND hwnd);
    HWND GetPaintWindow() const { return hwnd_; }
    POINT GetMousePos() const { return mousePos_; }
    // Window procedure share: true when the message was handled (result in `result`).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Runs the pre-message filters; true when one handled the message.
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // tree and lookup
    // Takes ownership of `root` (the previous root is deleted). False for null.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return root_.get(); }
    // Joins a subtree to this window (names, groups, DoInit). Containers call it.
    void InitControls(CControlUI* control, CControlUI* parent);
    // Drops every reference to the subtree (name map, focus, hot, pushed, timers).
    void ReapObjects(CControlUI* control);
    // Deletes a control removed from the tree on a later turn of the loop.
    void AddDelayedCleanup(std::unique_ptr<CControlUI> control);
    // The first control registered under `name` that is still in the tree; null when none.
    CControlUI* FindControl(std::string_view name) const;
    // The topmost visible control under the point (client coordinates); null when none.
    CControlUI* FindControl(POINT point);
    CControlUI* FindSubControlByName(CControlUI* parent, std::string_view name) const;
    // Called by controls when their name changes.
    void RenameControl(CControlUI* control, std::string_view oldName, std::string_view newName);

    // option groups (options register themselves)
    void AddOptionGroup(std::string_view group, COptionUI* option);
    void RemoveOptionGroup(std::string_view group, COptionUI* option);
    const std::unordered_set<COptionUI*>* GetOptionGroup(std::string_view group) const;

    // timers: fire every `elapse` ms until killed; a new SetTimer with the same
    // control and id replaces the old one.
    bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
    bool KillTimer(CControlUI* control, UINT timerId);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();

    // focus
    CControlUI* GetFocus() const { return focus_; }
    void SetFocus(CControlUI* control);
    // Focuses the control now, and again when the window regains the focus
    // while no control has it.
    void SetFocusNeeded(CControlUI* control);
    // Moves the focus to the next (or previous) control that takes it, wrapping.
    bool SetNextTabControl(bool forward = true);
    // Whether the focused control shows the focus mark (the focus was moved by keyboard).
    bool IsFocusMarkShown() const { return focusMarkShown_; }
    void ShowFocusMark(bool show);
    CControlUI* GetHotControl() const { return hot_; }
    CControlUI* GetPushedControl() const { return pushed_; }

    // notifications
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);  // seen by MessageHandler first
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    void SendNotify(CControlUI* control, std::string_view type, WPARAM wParam = 0,
                    LPARAM lParam = 0, bool async = false);
    void SendNotify(TNotifyUI& msg, bool async = false);

    // skin values (from the Window element or set by code)
    RECT GetCaptionRect() const { return caption_; }
    void SetCaptionRect(const RECT& rect) { caption_ = rect; }
    RECT GetSizeBox() const { return sizeBox_; }
    void SetSizeBox(const RECT& rect) { sizeBox_ = rect; }
    SIZE GetRoundCorner() const { return roundCorner_; }
    void SetRoundCorner(int cx, int cy) { roundCorner_ = {cx, cy}; }
    SIZE GetInitSize() const { return initSize_; }
    // Also resizes the window when it exists.
    void SetInitSize(int cx, int cy);
    SIZE GetMinInfo() const { return minInfo_; }
    void SetMinInfo(int cx, int cy) { minInfo_ = {cx, cy}; }
    SIZE GetMaxInfo() const { return maxInfo_; }
    void SetMaxInfo(int cx, int cy) { maxInfo_ = {cx, cy}; }
    // Class defaults: attribute lists applied to every control of that skin class
    // ("Button", "Option"...) before its own attributes.
    void AddDefaultAttributeList(std::string_view controlClass, std::string_view list);
    CStdString GetDefaultAttributeList(std::string_view controlClass) const;

    // fonts: index order of the skin's Font elements
    int AddFont(const TFontInfo& font, bool isDefault = false);
    const TFontInfo* GetFontInfo(int index) const;  // -1 or out of range: the default font
    int GetFontCount() const { return static_cast<int>(fonts_.size()); }

    // layout and paint
    void NeedUpdate();
    bool IsUpdateNeeded() const { return updateNeeded_; }
    // Lays the tree out in the window's client rectangle when something changed.
    void UpdateLayout();
    void Invalidate(const RECT& rect);
    // Paints the tree (after laying it out) onto `target`, for a frame shown now.
    void Paint(ui::RenderTarget& target, const RECT& paintRect);
    // The same painting for a frame shown later: the tasks waiting for the next
    // paint wait on until FramePainted.
    void PaintAhead(ui::RenderTarget& target, const RECT& paintRect);
    // A frame painted ahead has been shown: the tasks waiting for it are posted.
    void FramePainted();
    // Runs `task` on the loop's turn after the window's next paint, once: work
    // the frame on screen does not need waits for it. Dropped with the manager.
    void RunAfterNextPaint(std::function<void()> task);

private:
    void RegisterNames(CControlUI* control);
    void FireTimer(CControlUI* control, UINT timerId);
    void SetHot(CControlUI* control, POINT point);
    void DispatchEvent(CControlUI* control, EventType type, POINT point, WPARAM wParam = 0,
                       LPARAM lParam = 0);
    bool HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
    bool HandleKey(UINT uMsg, WPARAM wParam);
    bool MoveFocusInRow(bool forward);
    void CollectTabStops(CControlUI* control, std::vector<CControlUI*>& out) const;

    HWND hwnd_ = nullptr;
    std::unique_ptr<CControlUI> root_;
    std::unordered_map<std::string, std::vector<CControlUI*>> names_;
    std::map<std::string, std::unordered_set<COptionUI*>, std::less<>> optionGroups_;
    std::map<std::string, std::string, std::less<>> defaultAttributes_;
    std::vector<INotifyUI*> notifiers_;
    std::vector<IMessageFilterUI*> preFilters_;
    std::vector<IMessageFilterUI*> filters_;
    std::vector<TFontInfo> fonts_;
    int defaultFont_ = -1;
    struct TimerKey {
        CControlUI* control;
        UINT id;
        auto operator<=>(const TimerKey&) const = default;
    };
    std::map<TimerKey, std::uint64_t> timers_;  // -> loop timer handle
    CControlUI* focus_ = nullptr;
    CControlUI* focusNeeded_ = nullptr;
    CControlUI* hot_ = nullptr;
    CControlUI* pushed_ = nullptr;
    POINT mousePos_{};
    bool shiftDown_ = false;
    bool focusMarkShown_ = false;
    RECT caption_{};
    RECT sizeBox_{};
    SIZE roundCorner_{};
    SIZE initSize_{};
    SIZE minInfo_{};
    SIZE maxInfo_{};
    bool updateNeeded_ = true;
    bool firstLayout_ = true;
    std::vector<std::unique_ptr<CControlUI>> delayedCleanup_;
    std::vector<std::function<void()>> afterPaint_;
    std::shared_ptr<bool> alive_;  // lets queued work notice the manager is gone
};

}  // namespace DuiLib
