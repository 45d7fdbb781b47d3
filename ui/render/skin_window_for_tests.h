// A skinned window for the widget layer's tests: builds a skin (file name or
// XML text), records the notifications it gets, and has the window mechanics
// of the system's skinned windows: the caption and size box of the skin answer
// the hit test, and the maximised rectangle is the monitor's work area.
#pragma once

#include <string>
#include <vector>

#include "ui/core/UIlib.h"
#include "ui/core/skinned_frame.h"

namespace ui::testing {

struct Notification {
    std::string type;
    std::string sender;
    std::string senderText;  // GBK
    WPARAM wParam = 0;
};

class SkinWindow : public DuiLib::CWindowWnd, public DuiLib::INotifyUI {
public:
    explicit SkinWindow(std::string skin) : skin_(std::move(skin)) {}

    DuiLib::CPaintManagerUI& Manager() { return manager_; }
    const std::vector<Notification>& Notifications() const { return notifications_; }
    int Count(const std::string& type) const {
        int n = 0;
        for (const auto& note : notifications_) n += note.type == type;
        return n;
    }
    template <typename T>
    T* Find(const char* name) {
        return dynamic_cast<T*>(manager_.FindControl(name));
    }

    void Notify(DuiLib::TNotifyUI& msg) override {
        notifications_.push_back({msg.sType, msg.pSender ? std::string(msg.pSender->GetName()) : "",
                                  msg.pSender ? std::string(msg.pSender->GetText()) : "",
                                  msg.wParam});
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "SkinTestWindow"; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE: {
                manager_.Init(m_hWnd);
                DuiLib::CDialogBuilder builder;
                DuiLib::CControlUI* root = builder.Create(skin_, nullptr, nullptr, &manager_);
                if (!root) return -1;
                manager_.AttachDialog(root);
                manager_.AddNotifier(this);
                return 0;
            }
            case WM_NCHITTEST:
                return HitTest(lParam);
            case WM_GETMINMAXINFO: {
                DuiLib::FillMaximisedSize(m_hWnd, *reinterpret_cast<MINMAXINFO*>(lParam));
                return 0;
            }
            case WM_SIZE:
                DuiLib::ApplyRoundCorners(m_hWnd, manager_);
                break;
            default:
                break;
        }
        LRESULT result = 0;
        if (manager_.MessageHandler(message, wParam, lParam, result)) return result;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

    // Buttons, options and edit boxes in the caption band take their own clicks.
    LRESULT HitTest(LPARAM lParam) {
        return DuiLib::SkinnedHitTest(m_hWnd, manager_, lParam, [](const DuiLib::CControlUI& c) {
            const std::string kind = c.GetClass();
            return kind == "ButtonUI" || kind == "OptionUI" || kind == "EditUI";
        });
    }

    std::string skin_;
    DuiLib::CPaintManagerUI manager_;
    std::vector<Notification> notifications_;
};

}  // namespace ui::testing
