// Containers and layouts.
//
// Sections: items | visibility and state | attributes and events | layout
//           (plain container, vertical, horizontal, tab) | hit testing and paint
#include "ui/core/container.h"

#include <algorithm>

#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace DuiLib {
namespace {

int ClampWidth(const CControlUI& control, int width) {
    return std::clamp(width, control.GetMinWidth(),
                      std::max(control.GetMinWidth(), control.GetMaxWidth()));
}

int ClampHeight(const CControlUI& control, int height) {
    return std::clamp(height, control.GetMinHeight(),
                      std::max(control.GetMinHeight(), control.GetMaxHeight()));
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() = default;

void* CContainerUI::GetInterface(std::string_view name) {
    if (name == "Container") return this;
    if (name == "IContainer") return static_cast<IContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

// ---- items -----------------------------------------------------------------------------------
CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == control) return static_cast<int>(i);
    return -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    int from = GetItemIndex(control);
    if (from < 0 || index < 0 || index >= GetCount()) return false;
    auto item = std::move(items_[static_cast<size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + index, std::move(item));
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > GetCount() || control == this) return false;
    items_.insert(items_.begin() + index, std::unique_ptr<CControlUI>(control));
    if (manager_)
        manager_->InitControls(control, this);
    else
        control->SetManager(nullptr, this, false);
    control->SetInternVisible(IsVisible());
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    return RemoveAt(GetItemIndex(control));
}

bool CContainerUI::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    auto item = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    Discard(std::move(item));
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    auto items = std::move(items_);
    items_.clear();
    for (auto& item : items) Discard(std::move(item));
    scrollY_ = 0;
    NeedUpdate();
}

std::unique_ptr<CControlUI> CContainerUI::ReleaseAt(int index) {
    if (index < 0 || index >= GetCount()) return nullptr;
    auto item = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    if (manager_) manager_->ReapObjects(item.get());
    item->SetManager(nullptr, nullptr, false);
    NeedUpdate();
    return item;
}

void CContainerUI::Discard(std::unique_ptr<CControlUI> control) {
    if (!manager_) return;  // deleted here, with nothing else pointing at it
    CPaintManagerUI* manager = manager_;
    manager->ReapObjects(control.get());
    control->SetManager(nullptr, nullptr, false);
    manager->AddDelayedCleanup(std::move(control));
}

// ---- visibility and state -----------------------------------------------------------------------
void CContainerUI::PropagateVisibility() {
    for (auto& item : items_) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    PropagateVisibility();
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    PropagateVisibility();
}

void CContainerUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    for (auto& item : items_) item->SetEnabled(enabled);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    CControlUI::SetManager(manager, parent, init);
    for (auto& item : items_) item->SetManager(manager, this, init);
}

void CContainerUI::SetInset(RECT inset) {
    inset_ = inset;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    childPadding_ = std::max(0, padding);
    NeedUpdate();
}

void CContainerUI::EnableVScrollBar(bool enable) {
    vscroll_ = enable;
    if (!enable) scrollY_ = 0;
    NeedUpdate();
}

void CContainerUI::SetScrollPos(int y) {
    y = std::clamp(y, 0, scrollRange_);
    if (y == scrollY_) return;
    scrollY_ = y;
    SetAbsolutePos(rect_);
    Invalidate();
}

void CContainerUI::SetViewHandler(ViewHandler handler) {
    viewHandler_ = std::move(handler);
    viewScrollY_ = viewHeight_ = -1;
    NeedUpdate();
}

int CContainerUI::GetViewHeight() const {
    const RECT inner = InnerRect();
    return std::max<int>(0, inner.bottom - inner.top);
}

void CContainerUI::ViewMayHaveChanged() {
    if (!viewHandler_ || (viewScrollY_ == scrollY_ && viewHeight_ == GetViewHeight())) return;
    viewScrollY_ = scrollY_;
    viewHeight_ = GetViewHeight();
    // A copy: the handler may set another handler while it runs.
    const ViewHandler handler = viewHandler_;
    handler(*this);
}

// ---- attributes and events --------------------------------------------------------------------
AttributeResult CContainerUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "inset") {
        auto rect = ui::ParseRect(value);
        if (!rect) return AttributeResult::Malformed;
        SetInset(*rect);
        return AttributeResult::Applied;
    }
    if (name == "childpadding") {
        auto padding = ui::ParseInt(value);
        if (!padding) return AttributeResult::Malformed;
        SetChildPadding(*padding);
        return AttributeResult::Applied;
    }
    if (name == "vscrollbar" || name == "hscrollbar") {
        auto enable = ui::ParseBool(value);
        if (!enable) return AttributeResult::Malformed;
        if (name == "vscrollbar") EnableVScrollBar(*enable);
        return AttributeResult::Applied;
    }
    return CControlUI::SetAttribute(name, value);
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == EventType::ScrollWheel && vscroll_ && scrollRange_ > 0) {
        int notches = static_cast<short>(HIWORD(event.wParam)) / 120;
        SetScrollPos(scrollY_ - notches * 40);
        return;
    }
    CControlUI::DoEvent(event);
}

// ---- layout
// ----------------------------------------------------------------------------------------
RECT CContainerUI::InnerRect() const {
    return RECT{rect_.left + inset_.left, rect_.top + inset_.top, rect_.right - inset_.right,
                rect_.bottom - inset_.bottom};
}

void CContainerUI::PlaceFloatingChildren(const RECT&) {
    RECT origin = rect_;
    OffsetRect(&origin, 0, -scrollY_);
    for (auto& item : items_)
        if (item->IsFloat()) item->SetAbsolutePos(item->FloatRectIn(origin));
}

void CContainerUI::SetContentHeight(int height, const RECT& inner) {
    int range = vscroll_ ? std::max(0, height - static_cast<int>(inner.bottom - inner.top)) : 0;
    scrollRange_ = range;
    if (scrollY_ > range) {
        scrollY_ = range;
        SetAbsolutePos(rect_);  // again, with the scroll position in range
    }
}

void CContainerUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
    ViewMayHaveChanged();
    RECT inner = InnerRect();
    int innerWidth = std::max<int>(0, inner.right - inner.left);
    int innerHeight = std::max<int>(0, inner.bottom - inner.top);
    int content = 0;
    for (auto& item : items_) {
        if (item->IsFloat() || !item->IsVisible()) continue;
        SIZE size = item->EstimateSize({innerWidth, innerHeight});
        int width = ClampWidth(*item, size.cx ? size.cx : innerWidth);
        int height = ClampHeight(*item, size.cy ? size.cy : innerHeight);
        int top = inner.top - scrollY_;
        item->SetAbsolutePos({inner.left, top, inner.left + width, top + height});
        content = std::max(content, height);
    }
    PlaceFloatingChildren(inner);
    SetContentHeight(content, inner);
}

// Shares the inner length along one direction among the shown, non-floating
// children: fixed lengths first, what is left after them and the padding shared
// equally among the flexible ones (the last takes the rounding remainder).
// `place` gets each child in order with its estimated size and its length.
void CContainerUI::StackChildren(bool vertical, const RECT& inner,
                                 const std::function<void(CControlUI&, SIZE, int)>& place) {
    int innerWidth = std::max<int>(0, inner.right - inner.left);
    int innerHeight = std::max<int>(0, inner.bottom - inner.top);
    auto along = [vertical](SIZE size) { return vertical ? size.cy : size.cx; };
    auto clamp = [vertical](const CControlUI& item, int length) {
        return vertical ? ClampHeight(item, length) : ClampWidth(item, length);
    };
    int fixedTotal = 0, flexible = 0, shown = 0;
    for (auto& item : items_) {
        if (item->IsFloat() || !item->IsVisible()) continue;
        SIZE size = item->EstimateSize({innerWidth, innerHeight});
        if (along(size) == 0)
            ++flexible;
        else
            fixedTotal += clamp(*item, along(size));
        ++shown;
    }
    int padding = childPadding_ * std::max(0, shown - 1);
    int remaining = std::max(0, (vertical ? innerHeight : innerWidth) - fixedTotal - padding);
    int flexLeft = flexible;
    for (auto& item : items_) {
        if (item->IsFloat() || !item->IsVisible()) continue;
        SIZE size = item->EstimateSize({innerWidth, innerHeight});
        int length;
        if (along(size) != 0) {
            length = clamp(*item, along(size));
        } else {
            int share = flexLeft == 1 ? remaining : remaining / flexLeft;
            length = clamp(*item, share);
            remaining = std::max(0, remaining - length);
            --flexLeft;
        }
        place(*item, size, length);
    }
}

void* CVerticalLayoutUI::GetInterface(std::string_view name) {
    if (name == "VerticalLayout") return this;
    return CContainerUI::GetInterface(name);
}

// Stacks the children top to bottom.
void CVerticalLayoutUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
    ViewMayHaveChanged();
    RECT inner = InnerRect();
    int innerWidth = std::max<int>(0, inner.right - inner.left);
    int top = inner.top - scrollY_;
    const int start = top;
    bool placedAny = false;
    StackChildren(true, inner, [&](CControlUI& item, SIZE size, int height) {
        int width = ClampWidth(item, size.cx ? size.cx : innerWidth);
        item.SetAbsolutePos({inner.left, top, inner.left + width, top + height});
        top += height + childPadding_;
        placedAny = true;
    });
    int content = placedAny ? top - childPadding_ - start : 0;
    PlaceFloatingChildren(inner);
    SetContentHeight(content, inner);
}

void* CHorizontalLayoutUI::GetInterface(std::string_view name) {
    if (name == "HorizontalLayout") return this;
    return CContainerUI::GetInterface(name);
}

// Stacks the children left to right.
void CHorizontalLayoutUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
    ViewMayHaveChanged();
    RECT inner = InnerRect();
    int innerHeight = std::max<int>(0, inner.bottom - inner.top);
    int left = inner.left;
    int content = 0;
    StackChildren(false, inner, [&](CControlUI& item, SIZE size, int width) {
        int height = ClampHeight(item, size.cy ? size.cy : innerHeight);
        int top = inner.top - scrollY_;
        item.SetAbsolutePos({left, top, left + width, top + height});
        left += width + childPadding_;
        content = std::max(content, height);
    });
    PlaceFloatingChildren(inner);
    SetContentHeight(content, inner);
}

void* CTabLayoutUI::GetInterface(std::string_view name) {
    if (name == "TabLayout") return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > GetCount()) return false;
    if (curSel_ >= index && curSel_ >= 0) ++curSel_;
    if (!CContainerUI::AddAt(control, index)) return false;
    if (curSel_ < 0) curSel_ = 0;
    PropagateVisibility();
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    int index = GetItemIndex(control);
    if (index < 0) return false;
    if (!CContainerUI::RemoveAt(index)) return false;
    if (curSel_ >= GetCount())
        curSel_ = GetCount() - 1;
    else if (index < curSel_)
        --curSel_;
    PropagateVisibility();
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    curSel_ = -1;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == curSel_) return true;
    curSel_ = index;
    PropagateVisibility();
    NeedUpdate();
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control) {
    return SelectItem(GetItemIndex(control));
}

void CTabLayoutUI::PropagateVisibility() {
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->SetInternVisible(IsVisible() && static_cast<int>(i) == curSel_);
}

AttributeResult CTabLayoutUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "selectedid") {
        auto index = ui::ParseInt(value);
        if (!index) return AttributeResult::Malformed;
        if (!SelectItem(*index)) curSel_ = *index;  // pages may come later (skins)
        PropagateVisibility();
        return AttributeResult::Applied;
    }
    if (name == "tabgroup") {
        tabGroup_ = value;
        return AttributeResult::Applied;
    }
    return CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
    ViewMayHaveChanged();
    RECT inner = InnerRect();
    int innerWidth = std::max<int>(0, inner.right - inner.left);
    int innerHeight = std::max<int>(0, inner.bottom - inner.top);
    for (size_t i = 0; i < items_.size(); ++i) {
        auto& item = items_[i];
        if (item->IsFloat() || static_cast<int>(i) != curSel_) continue;
        SIZE size = item->EstimateSize({innerWidth, innerHeight});
        int width = ClampWidth(*item, size.cx ? size.cx : innerWidth);
        int height = ClampHeight(*item, size.cy ? size.cy : innerHeight);
        item->SetAbsolutePos({inner.left, inner.top, inner.left + width, inner.top + height});
    }
    PlaceFloatingChildren(inner);
    SetContentHeight(0, inner);
}

// ---- hit testing and paint
// ---------------------------------------------------------------------------
CControlUI* CContainerUI::FindControlAt(POINT point) {
    if (!IsVisible() || !PtInRect(&rect_, point)) return nullptr;
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (CControlUI* hit = (*it)->FindControlAt(point)) return hit;
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::DoPaint(ui::RenderTarget& target, const RECT& paintRect) {
    RECT visible;
    if (!IntersectRect(&visible, &paintRect, &rect_)) return;
    CControlUI::DoPaint(target, paintRect);
    target.PushClip(rect_);
    for (auto& item : items_) {
        if (!item->IsVisible()) continue;
        RECT itemRect = item->GetAbsolutePos();
        RECT overlap;
        if (IntersectRect(&overlap, &visible, &itemRect)) item->DoPaint(target, visible);
    }
    target.PopClip();
}

}  // namespace DuiLib
