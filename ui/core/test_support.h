// Shared by the widget layer's tests: a skinned window that records its
// notifications and messages, and a render target that records drawing.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"
#include "ui/core/input.h"

namespace ui_test {

using namespace DuiLib;

class TestWindow : public CWindowWnd, public INotifyUI {
public:
    explicit TestWindow(std::string skinText = {}) : skin(std::move(skinText)) {}

    HWND Open(int x = 100, int y = 50, int cx = 400, int cy = 300, HWND owner = nullptr) {
        return Create(owner, "test", WS_POPUP | WS_VISIBLE, 0, x, y, cx, cy);
    }

    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(uMsg);
        if (onMessage) {
            bool handled = false;
            LRESULT result = onMessage(uMsg, wParam, lParam, handled);
            if (handled) return result;
        }
        if (uMsg == WM_CREATE) {
            pm.Init(m_hWnd);
            if (!skin.empty()) {
                CDialogBuilder builder;
                pm.AttachDialog(builder.Create(skin, nullptr, nullptr, &pm));
            }
            pm.AddNotifier(this);
            return 0;
        }
        LRESULT result = 0;
        if (pm.MessageHandler(uMsg, wParam, lParam, result)) return result;
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }

    void Notify(TNotifyUI& msg) override {
        notes.push_back(msg);
        if (msg.sType != "windowinit")
            log.push_back(msg.sType + ":" + (msg.pSender ? msg.pSender->GetName() : ""));
        if (onNotify) onNotify(msg);
    }

    void OnFinalMessage(HWND hwnd) override {
        finalMessageSeen = true;
        if (onFinal) onFinal(hwnd);
    }

    // "type:sender" of every notification, in order ("windowinit" left out),
    // noted on arrival (a sender may be gone later).
    const std::vector<std::string>& Log() const { return log; }

    // Input in client coordinates, through the same path as native input.
    void Click(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    void Press(int x, int y) {
        ui::DeliverInputMessage(m_hWnd, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
    }
    void Release(int x, int y) {
        ui::DeliverInputMessage(m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void Move(int x, int y) { ui::DeliverInputMessage(m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void Key(WPARAM key) { ui::DeliverInputMessage(m_hWnd, WM_KEYDOWN, key, 0); }
    void Type(std::string_view text) {
        for (char c : text)
            ui::DeliverInputMessage(m_hWnd, WM_CHAR, static_cast<unsigned char>(c), 0);
    }

    template <typename T = CControlUI>
    T* Find(std::string_view name) {
        return dynamic_cast<T*>(pm.FindControl(name));
    }

    CPaintManagerUI pm;
    std::string skin;
    std::vector<TNotifyUI> notes;
    std::vector<std::string> log;
    std::vector<UINT> messages;
    bool finalMessageSeen = false;
    std::function<LRESULT(UINT, WPARAM, LPARAM, bool&)> onMessage;
    std::function<void(TNotifyUI&)> onNotify;
    std::function<void(HWND)> onFinal;

protected:
    LPCTSTR GetWindowClassName() const override { return "TestWindow"; }
};

// Records what controls draw: one line per call ("image:file", "fill:#AARRGGBB", "text:...").
class RecordingTarget : public ui::RenderTarget {
public:
    void FillRect(const RECT&, DWORD argb) override {
        char text[16];
        std::snprintf(text, sizeof text, "#%08X", argb);
        calls.push_back(std::string("fill:") + text);
    }
    bool DrawImage(const RECT& control, const ui::ImageSpec& image) override {
        calls.push_back("image:" + image.file);
        lastControl = control;
        lastImage = image;
        return true;
    }
    void DrawText(const RECT& rect, const std::string& text, DWORD argb, int, UINT) override {
        calls.push_back("text:" + text);
        lastTextRect = rect;
        lastTextColor = argb;
    }
    void DrawBorder(const RECT&, DWORD, int) override { calls.push_back("border"); }
    void PushClip(const RECT&) override {}
    void PopClip() override {}

    bool Drew(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    std::vector<std::string> calls;
    RECT lastControl{};
    ui::ImageSpec lastImage;
    RECT lastTextRect{};
    DWORD lastTextColor = 0;
};

}  // namespace ui_test
