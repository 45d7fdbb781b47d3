// Sections: creation | window procedure | notifications | browser events
#include "ui/gallery/gallery_window.h"

#include <string>

#include "ui/core/skinned_frame.h"

namespace gallery {

using namespace DuiLib;

namespace {
constexpr UINT kProgressTimer = 1;
}

// ---- creation --------------------------------------------------------------------------------
LRESULT GalleryWindow::OnCreate() {
    manager_.Init(m_hWnd);
    CDialogBuilder builder;
    CControlUI* root = builder.Create("gallery.xml", nullptr, nullptr, &manager_);
    if (!root) return -1;
    manager_.AttachDialog(root);
    manager_.AddNotifier(this);
    FillList();
    if (auto* web = dynamic_cast<CWebBrowserUI*>(manager_.FindControl("web"))) {
        web->SetWebBrowserEventHandler(this);
        web->Navigate2(pageUrl_);
    }
    manager_.SetTimer(manager_.GetRoot(), kProgressTimer, 60);
    return 0;
}

// Sixty entries built from the names the skin lists (comma-separated user data).
void GalleryWindow::FillList() {
    auto* list = dynamic_cast<CListUI*>(manager_.FindControl("appList"));
    if (!list) return;
    std::vector<std::string> names;
    std::string all = list->GetUserData();
    for (size_t start = 0; start <= all.size();) {
        size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        if (comma > start) names.push_back(all.substr(start, comma - start));
        start = comma + 1;
    }
    if (names.empty()) names.push_back("App");
    for (int i = 0; i < 60; ++i) {
        auto* item = new CListLabelElementUI;
        item->SetText(names[i % names.size()] + " " + std::to_string(i + 1));
        item->SetAttribute("height", "30");
        item->SetAttribute("textpadding", "10,0,0,0");
        list->Add(item);
    }
    list->SelectItem(2);
}

// ---- window procedure ------------------------------------------------------------------------
LRESULT GalleryWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_NCHITTEST:
            return HitTest(lParam);
        case WM_GETMINMAXINFO: {
            auto* minMax = reinterpret_cast<MINMAXINFO*>(lParam);
            FillMaximisedSize(m_hWnd, *minMax);
            const SIZE least = manager_.GetMinInfo();
            if (least.cx > 0) minMax->ptMinTrackSize = {least.cx, least.cy};
            return 0;
        }
        case WM_SIZE:
            ApplyRoundCorners(m_hWnd, manager_);
            break;
        case WM_SYSCOMMAND: {
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                PostQuitMessage(0);
                return 0;
            }
            const bool wasZoomed = IsZoomed(m_hWnd);
            LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
            if (IsWindow(m_hWnd) && wasZoomed != static_cast<bool>(IsZoomed(m_hWnd)))
                ShowMaximizeState();
            return result;
        }
        default:
            break;
    }
    LRESULT result = 0;
    if (manager_.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void GalleryWindow::OnFinalMessage(HWND) {
    delete this;
}

// Buttons and options in the caption band take their own clicks.
LRESULT GalleryWindow::HitTest(LPARAM lParam) {
    return SkinnedHitTest(m_hWnd, manager_, lParam, [](const CControlUI& control) {
        return CStdString(control.GetClass()).CompareNoCase("ButtonUI") == 0 ||
               CStdString(control.GetClass()).CompareNoCase("OptionUI") == 0;
    });
}

void GalleryWindow::ShowMaximizeState() {
    const bool zoomed = IsZoomed(m_hWnd);
    if (CControlUI* max = manager_.FindControl("maxbtn")) max->SetVisible(!zoomed);
    if (CControlUI* restore = manager_.FindControl("restorebtn")) restore->SetVisible(zoomed);
}

void GalleryWindow::SelectPage(int page) {
    static const char* const kNav[] = {"navControls", "navList", "navBrowser"};
    if (page < 0 || page > 2) return;
    if (auto* option = dynamic_cast<COptionUI*>(manager_.FindControl(kNav[page])))
        option->Selected(true);
}

void GalleryWindow::SetLabel(const char* name, const std::string& gbk) {
    if (CControlUI* label = manager_.FindControl(name)) label->SetText(gbk);
}

// ---- notifications ---------------------------------------------------------------------------
void GalleryWindow::Notify(TNotifyUI& msg) {
    const std::string name = msg.pSender ? std::string(msg.pSender->GetName()) : "";
    if (msg.sType == "click") {
        if (name == "closebtn") PostQuitMessage(0);
        if (name == "minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        if (name == "maxbtn") SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
        if (name == "restorebtn") SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        if (name.rfind("app", 0) == 0 || name.rfind("btn", 0) == 0)
            SetLabel("status", "click: " + std::string(msg.pSender->GetText()));
    } else if (msg.sType == "selectchanged") {
        auto* pages = dynamic_cast<CTabLayoutUI*>(manager_.FindControl("pages"));
        auto* option = dynamic_cast<COptionUI*>(msg.pSender);
        if (pages && option && option->IsSelected()) {
            if (name == "navControls") pages->SelectItem(0);
            if (name == "navList") pages->SelectItem(1);
            if (name == "navBrowser") pages->SelectItem(2);
        }
    } else if (msg.sType == "textchanged" && name == "accountedit") {
        SetLabel("lbEcho", "textchanged: " + std::string(msg.pSender->GetText()));
    } else if (msg.sType == "return") {
        SetLabel("status", "return: " + name);
    } else if (msg.sType == "itemselect" && name == "appList") {
        auto* list = static_cast<CListUI*>(msg.pSender);
        if (CControlUI* item = list->GetItemAt(list->GetCurSel())) {
            SetLabel("lbSelected", item->GetText());
            SetLabel("txtSelectedInfo", "itemselect: " + std::to_string(msg.wParam) + " (" +
                                            std::to_string(static_cast<long>(msg.lParam)) + ")");
        }
    } else if (msg.sType == "itemselect" && name == "comboCampus") {
        SetLabel("status", "itemselect: " + std::string(msg.pSender->GetText()));
    } else if (msg.sType == "timer" && msg.wParam == kProgressTimer) {
        syncProgress_ = (syncProgress_ + 1) % 101;
        if (auto* progress = dynamic_cast<CProgressUI*>(manager_.FindControl("progressSync")))
            progress->SetValue(syncProgress_);
        SetLabel("lbSync", std::to_string(syncProgress_) + "%");
    }
}

// ---- browser events --------------------------------------------------------------------------
void GalleryWindow::NewWindow3(void**, VARIANT_BOOL* cancel, DWORD, BSTR, BSTR) {
    *cancel = VARIANT_TRUE;  // the gallery opens no windows of its own
    ++refusedNewWindows_;
    SetLabel("lbBrowserState", "NewWindow3 refused: " + std::to_string(refusedNewWindows_));
}

void GalleryWindow::DocumentComplete(void*, BSTR) {
    pageLoaded_ = true;
    SetLabel("lbBrowserState", "DocumentComplete");
    if (auto* web = dynamic_cast<CWebBrowserUI*>(manager_.FindControl("web"))) {
        web->RunJavaScript(
            u"document.getElementById('scripted').textContent = "
            u"document.title + ' \u00b7 RunJavaScript OK';");
    }
}

HRESULT GalleryWindow::ShowContextMenu(DWORD, POINT*, void*, void*) {
    return S_OK;  // no context menu over the page
}

}  // namespace gallery
