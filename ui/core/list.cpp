// List elements, the list and the combo box.
#include "ui/core/list.h"

#include <algorithm>

#include "ui/core/control_attributes.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace DuiLib {

// ---- selection bookkeeping ---------------------------------------------------------------------
int SelectionAfterRemoval(int selected, int removed) {
    if (removed == selected) return -1;
    return removed < selected ? selected - 1 : selected;
}

std::optional<int> SelectionStepForKey(WPARAM key, int selected, int count) {
    if (key == VK_UP && selected > 0) return selected - 1;
    if (key == VK_DOWN && selected + 1 < count) return selected + 1;
    return std::nullopt;
}

// ---- CListElementUI ----------------------------------------------------------------------------
void* CListElementUI::GetInterface(std::string_view name) {
    return name == "ListItem" ? this : CControlUI::GetInterface(name);
}

int CListElementUI::GetIndex() const {
    auto* container =
        parent_ ? static_cast<IContainerUI*>(parent_->GetInterface("IContainer")) : nullptr;
    return container ? container->GetItemIndex(const_cast<CListElementUI*>(this)) : -1;
}

bool CListElementUI::Activate() {
    if (!CControlUI::Activate()) return false;
    // "itemclick" first; the selection (and "itemselect") follows.
    SendNotify("itemclick");
    if (GetManager()) Select(true);
    return true;
}

bool CListElementUI::Select(bool select) {
    if (!IsEnabled()) return false;
    int index = select ? GetIndex() : -1;
    if (auto* list = dynamic_cast<CListUI*>(parent_)) return list->SelectItem(index);
    if (auto* combo = dynamic_cast<CComboUI*>(parent_)) return combo->SelectItem(index);
    selected_ = select;
    Invalidate();
    return true;
}

AttributeResult CListElementUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "selected") {
        auto selected = ui::ParseBool(value);
        if (!selected) return AttributeResult::Malformed;
        if (*selected) Select(true);
        return AttributeResult::Applied;
    }
    return CControlUI::SetAttribute(name, value);
}

void CListElementUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case EventType::ButtonDown:
        case EventType::DoubleClick:
            Activate();
            return;
        case EventType::MouseEnter:
            hot_ = true;
            Invalidate();
            return;
        case EventType::MouseLeave:
            hot_ = false;
            Invalidate();
            return;
        case EventType::KeyDown:
            if (event.wParam == VK_RETURN || event.wParam == VK_SPACE) {
                Activate();
                return;
            }
            if (auto* list = dynamic_cast<CListUI*>(parent_)) {
                TEventUI forwarded = event;
                list->DoEvent(forwarded);
                return;
            }
            break;
        default:
            break;
    }
    CControlUI::DoEvent(event);
}

void CListElementUI::PaintStatusImage(ui::RenderTarget& target) {
    if (selected_)
        target.FillRect(rect_, 0xFFC1E3FF);
    else if (hot_)
        target.FillRect(rect_, 0xFFE9F5FF);
}

SIZE CListElementUI::EstimateSize(SIZE available) const {
    SIZE size = CControlUI::EstimateSize(available);
    if (size.cy == 0) {
        auto* list = dynamic_cast<const CListUI*>(parent_);
        size.cy = list ? list->GetItemHeight() : 22;
    }
    return size;
}

void* CListLabelElementUI::GetInterface(std::string_view name) {
    return name == "ListLabelElement" ? this : CListElementUI::GetInterface(name);
}

void CListLabelElementUI::PaintText(ui::RenderTarget& target) {
    CStdString text = GetText();
    if (text.empty()) return;
    RECT rect{rect_.left + 4, rect_.top, rect_.right - 4, rect_.bottom};
    target.DrawText(rect, text, IsEnabled() ? 0xFF000000 : 0xFFA7A6AA, -1,
                    ui::DT_SINGLELINE | ui::DT_VCENTER);
}

// ---- CListUI
// ---------------------------------------------------------------------------------------
CListUI::CListUI() {
    EnableVScrollBar(false);
}

void* CListUI::GetInterface(std::string_view name) {
    return name == "List" ? this : CVerticalLayoutUI::GetInterface(name);
}

bool CListUI::SelectItem(int index, bool notify) {
    if (index < -1 || index >= GetCount()) return false;
    if (index >= 0 && !dynamic_cast<CListElementUI*>(GetItemAt(index))) return false;
    if (index == curSel_) return true;
    int old = curSel_;
    if (auto* previous = dynamic_cast<CListElementUI*>(GetItemAt(old))) {
        previous->selected_ = false;
        previous->Invalidate();
    }
    curSel_ = index;
    if (auto* current = dynamic_cast<CListElementUI*>(GetItemAt(index))) {
        current->selected_ = true;
        current->Invalidate();
        EnsureVisible(index);
    }
    if (notify) SendNotify("itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    return true;
}

void CListUI::EnsureVisible(int index) {
    CControlUI* item = GetItemAt(index);
    if (!item || !vscroll_) return;
    RECT inner = InnerRect();
    RECT itemRect = item->GetAbsolutePos();
    if (itemRect.top < inner.top)
        SetScrollPos(scrollY_ - (inner.top - itemRect.top));
    else if (itemRect.bottom > inner.bottom)
        SetScrollPos(scrollY_ + (itemRect.bottom - inner.bottom));
}

bool CListUI::Remove(CControlUI* control) {
    return RemoveAt(GetItemIndex(control));
}

bool CListUI::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    curSel_ = SelectionAfterRemoval(curSel_, index);
    return CVerticalLayoutUI::RemoveAt(index);
}

void CListUI::RemoveAll() {
    curSel_ = -1;
    CVerticalLayoutUI::RemoveAll();
}

AttributeResult CListUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "itemshowhtml") {
        auto show = ui::ParseBool(value);
        if (!show) return AttributeResult::Malformed;
        SetItemShowHtml(*show);
        return AttributeResult::Applied;
    }
    if (name == "itemheight") {
        auto height = ui::ParseInt(value);
        if (!height || *height <= 0) return AttributeResult::Malformed;
        itemHeight_ = *height;
        NeedUpdate();
        return AttributeResult::Applied;
    }
    return CVerticalLayoutUI::SetAttribute(name, value);
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == EventType::KeyDown) {
        if (auto next = SelectionStepForKey(event.wParam, curSel_, GetCount())) {
            // The focus follows the selection when one of the elements has it.
            CControlUI* focus = manager_ ? manager_->GetFocus() : nullptr;
            const bool elementFocused = focus && focus->GetParent() == this;
            SelectItem(*next);
            CControlUI* item = GetItemAt(*next);
            if (elementFocused && item && item->GetManager()) item->SetFocus();
            return;
        }
        if (event.wParam == VK_RETURN || event.wParam == VK_SPACE) {
            if (auto* selected = dynamic_cast<CListElementUI*>(GetItemAt(curSel_))) {
                selected->Activate();
                return;
            }
        }
    }
    CVerticalLayoutUI::DoEvent(event);
}

// ---- CComboUI ---------------------------------------------------------------------------------
void* CComboUI::GetInterface(std::string_view name) {
    return name == "Combo" ? this : CContainerUI::GetInterface(name);
}

bool CComboUI::SelectItem(int index, bool notify) {
    if (index < -1 || index >= GetCount()) return false;
    if (index >= 0 && !dynamic_cast<CListElementUI*>(GetItemAt(index))) return false;
    if (index == curSel_) return true;
    int old = curSel_;
    if (auto* previous = dynamic_cast<CListElementUI*>(GetItemAt(old))) previous->selected_ = false;
    curSel_ = index;
    if (auto* current = dynamic_cast<CListElementUI*>(GetItemAt(index))) current->selected_ = true;
    Invalidate();
    if (notify) SendNotify("itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    return true;
}

CStdString CComboUI::GetText() const {
    CControlUI* item = GetItemAt(curSel_);
    return item ? item->GetText() : CStdString();
}

bool CComboUI::Remove(CControlUI* control) {
    return RemoveAt(GetItemIndex(control));
}

bool CComboUI::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    curSel_ = SelectionAfterRemoval(curSel_, index);
    return CContainerUI::RemoveAt(index);
}

void CComboUI::RemoveAll() {
    curSel_ = -1;
    CContainerUI::RemoveAll();
}

AttributeResult CComboUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "textpadding") {
        auto padding = ui::ParseRect(value);
        if (padding) textPadding_ = *padding;
        return Result(padding.has_value());
    }
    if (name == "textcolor") {
        auto colour = ui::ParseColor(value);
        if (colour) textColor_ = *colour;
        return Result(colour.has_value());
    }
    if (name == "normalimage" || name == "hotimage" || name == "pushedimage") {
        // The drop-down's look belongs to the on-screen backend; the values must still parse.
        return Result(ui::ParseImageSpec(value).has_value());
    }
    return CContainerUI::SetAttribute(name, value);
}

void CComboUI::DoEvent(TEventUI& event) {
    if (event.Type == EventType::KeyDown) {
        if (auto next = SelectionStepForKey(event.wParam, curSel_, GetCount())) {
            SelectItem(*next);
            return;
        }
    }
    CControlUI::DoEvent(event);
}

void CComboUI::DoPaint(ui::RenderTarget& target, const RECT& paintRect) {
    CControlUI::DoPaint(target, paintRect);
    CStdString text = GetText();
    if (!text.empty())
        target.DrawText(Deflate(rect_, textPadding_), text, textColor_, -1,
                        ui::DT_SINGLELINE | ui::DT_VCENTER);
}

CControlUI* CComboUI::FindControlAt(POINT point) {
    return CControlUI::FindControlAt(point);  // the items live in the drop-down
}

void CComboUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
}

}  // namespace DuiLib
