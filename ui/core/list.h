// CListUI: a vertical, scrollable list. Its items are list elements (one of
// them selected at a time) or any other control (a container of options, for
// instance), stacked like a vertical layout. CComboUI, a choice among list
// elements, lives here beside it: it selects the elements the same way.
//
// A left press on an element raises "itemclick" (sender: the element), then
// selects it, which raises "itemselect" on the list (wParam: new index, lParam:
// old index) when the selection changed.
//
// Keys: Return or space on a focused element, or on the list for its selected
// element, does what a press on the element does; Up and Down move the
// selection (and the focus, when an element has it).
#pragma once

#include <optional>

#include "ui/core/container.h"
#include "ui/core/label.h"

namespace DuiLib {

class CListUI;

// Selection bookkeeping shared by the list and the combo box.
// The selected index once the item at `removed` is gone (-1: the selected one went).
int SelectionAfterRemoval(int selected, int removed);
// Where an up or down arrow moves the selection among `count` items; nothing
// for other keys or when there is no item that way.
std::optional<int> SelectionStepForKey(WPARAM key, int selected, int count);

class CListElementUI : public CControlUI {
public:
    LPCTSTR GetClass() const override { return "ListElementUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }
    bool Activate() override;

    // The list or combo box the element belongs to (its parent).
    CControlUI* GetOwner() const { return parent_; }
    int GetIndex() const;
    bool IsSelected() const { return selected_; }
    // Asks the owning list to select this element.
    bool Select(bool select = true);

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(ui::RenderTarget& target) override;
    SIZE EstimateSize(SIZE available) const override;

protected:
    bool hot_ = false;

private:
    friend class CListUI;
    friend class CComboUI;
    bool selected_ = false;
};

class CListLabelElementUI : public CListElementUI {
public:
    LPCTSTR GetClass() const override { return "ListLabelElementUI"; }
    void* GetInterface(std::string_view name) override;
    void PaintText(ui::RenderTarget& target) override;
};

class CListUI : public CVerticalLayoutUI {
public:
    CListUI();
    LPCTSTR GetClass() const override { return "ListUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }

    int GetCurSel() const { return curSel_; }
    // Selects the element at `index` (-1: none). False when `index` is not an element.
    bool SelectItem(int index, bool notify = true);
    bool IsItemShowHtml() const { return itemShowHtml_; }
    void SetItemShowHtml(bool show = true) { itemShowHtml_ = show; }
    int GetItemHeight() const { return itemHeight_; }  // default height of elements
    // Scrolls so that the item at `index` is fully visible.
    void EnsureVisible(int index);

    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;

private:
    int curSel_ = -1;
    bool itemShowHtml_ = false;
    int itemHeight_ = 22;
};

// A choice among list elements. Its text is the selected item's text. Choosing an item (SelectItem,
// or Up/Down keys) raises "itemselect" with the new index in wParam and the old one in lParam.
class CComboUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "ComboUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }

    int GetCurSel() const { return curSel_; }
    bool SelectItem(int index, bool notify = true);
    CStdString GetText() const override;

    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(ui::RenderTarget& target, const RECT& paintRect) override;
    CControlUI* FindControlAt(POINT point) override;

    void SetAbsolutePos(const RECT& rect) override;

private:
    int curSel_ = -1;
    RECT textPadding_{};
    DWORD textColor_ = 0xFF000000;
};

}  // namespace DuiLib
