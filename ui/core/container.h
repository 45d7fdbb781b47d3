// Containers: a container owns what is added to it and lays its children out.
//
// CContainerUI gives every non-floating child its whole inner rectangle (they
// overlap); CVerticalLayoutUI and CHorizontalLayoutUI stack them, giving fixed
// sizes first and sharing what is left among the flexible ones; CTabLayoutUI
// shows one child at a time. Floating children are placed by their fixed
// position relative to the container in all of them. With "vscrollbar" a
// container scrolls its content vertically (mouse wheel, SetScrollPos); a view
// handler hears when the part of the content in view changed, so content too
// long to build whole (thousands of search results) is built where it shows.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/core/control.h"

namespace DuiLib {

class IContainerUI {
public:
    virtual ~IContainerUI() = default;
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;  // deletes it
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;  // deletes every item
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    LPCTSTR GetClass() const override { return "ContainerUI"; }
    void* GetInterface(std::string_view name) override;

    // items: the container takes ownership of what is added (null is refused)
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    // Takes the item at `index` out without deleting it: the window forgets it
    // (its name, timers, focus, hover) and it belongs to no window until added
    // again. Null for an index out of range.
    std::unique_ptr<CControlUI> ReleaseAt(int index);

    RECT GetInset() const { return inset_; }
    void SetInset(RECT inset);
    int GetChildPadding() const { return childPadding_; }
    void SetChildPadding(int padding);

    // vertical scrolling (content taller than the container)
    bool IsVScrollBarEnabled() const { return vscroll_; }
    void EnableVScrollBar(bool enable = true);
    int GetScrollPos() const { return scrollY_; }
    void SetScrollPos(int y);  // clamped to 0..GetScrollRange()
    int GetScrollRange() const { return scrollRange_; }
    // Called during layout, before the children are placed, whenever the scroll
    // position or the inner height changed since the last call (and at the first
    // layout after it is set): it may add, remove or move children then, and they
    // are placed in the same pass. An empty handler removes it.
    using ViewHandler = std::function<void(CContainerUI&)>;
    void SetViewHandler(ViewHandler handler);
    // The height of the inner rectangle: how much of the content is in view.
    int GetViewHeight() const;

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(ui::RenderTarget& target, const RECT& paintRect) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    int GetChildCount() const override { return GetCount(); }
    CControlUI* GetChildAt(int index) const override { return GetItemAt(index); }
    CControlUI* FindControlAt(POINT point) override;

    void SetAbsolutePos(const RECT& rect) override;

protected:
    // The rectangle inside the inset, where children go.
    RECT InnerRect() const;
    // Places the floating children; shared by every layout.
    void PlaceFloatingChildren(const RECT& inner);
    // Layouts report the height their content needs, which sets the scroll range.
    void SetContentHeight(int height, const RECT& inner);
    // The vertical and horizontal layouts: sizes the children along one direction
    // (vertical: heights, else widths) and hands each to `place` in order.
    void StackChildren(bool vertical, const RECT& inner,
                       const std::function<void(CControlUI&, SIZE, int)>& place);
    // Runs the view handler when the view changed; every layout calls it first.
    void ViewMayHaveChanged();
    // Tells the children whether this container shows them.
    virtual void PropagateVisibility();
    // Takes an item out of the tree; it is deleted at once, or on a later turn
    // of the loop when it belongs to a window (it may be the sender of the
    // notification being handled).
    void Discard(std::unique_ptr<CControlUI> control);

    std::vector<std::unique_ptr<CControlUI>> items_;
    RECT inset_{};
    int childPadding_ = 0;
    bool vscroll_ = false;
    int scrollY_ = 0;
    int scrollRange_ = 0;
    ViewHandler viewHandler_;
    int viewScrollY_ = -1, viewHeight_ = -1;  // as the view handler last heard them
};

class CVerticalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "VerticalLayoutUI"; }
    void* GetInterface(std::string_view name) override;

    void SetAbsolutePos(const RECT& rect) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "HorizontalLayoutUI"; }
    void* GetInterface(std::string_view name) override;

    void SetAbsolutePos(const RECT& rect) override;
};

class CTabLayoutUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "TabLayoutUI"; }
    void* GetInterface(std::string_view name) override;

    int GetCurSel() const { return curSel_; }
    // The option group whose options switch this layout's pages (the skin's
    // "tabgroup"): a screen reader calls those options page tabs.
    CStdString GetTabGroup() const { return tabGroup_; }
    // Shows page `index` and hides the others; false for an index out of range.
    bool SelectItem(int index);
    bool SelectItem(CControlUI* control);

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;

    void SetAbsolutePos(const RECT& rect) override;

protected:
    void PropagateVisibility() override;

private:
    int curSel_ = -1;
    CStdString tabGroup_;
};

}  // namespace DuiLib
