// CDownloadStatusUI: the small control laid over a plugin's catalogue option
// while its files download: a progress bar and a close button that cancels the
// download.
//
// The control of an option named N is named "DownloadStatus" + N; its close
// button is named "close" + that name and carries the control's name as user
// data, which is how a click on it finds its control again.
#pragma once

#include <string>
#include <string_view>

#include "ui/core/UIlib.h"

namespace quorvi {

class CDownloadStatusUI : public DuiLib::CContainerUI {
public:
    static constexpr std::string_view kNamePrefix = "DownloadStatus";
    static constexpr std::string_view kCloseButtonPrefix = "close";

    CDownloadStatusUI();

    LPCTSTR GetClass() const override { return "DownloadStatusUI"; }
    void* GetInterface(std::string_view name) override;
    // The status control behind a control, or null when it is another kind.
    static CDownloadStatusUI* From(DuiLib::CControlUI* control);

    // Names the control, its close button ("close" + name) and the button's user data.
    void SetName(std::string_view name) override;

    DuiLib::CProgressUI& Progress() { return *m_progress; }
    DuiLib::CButtonUI& CloseButton() { return *m_closeButton; }

    // 1 after the user pressed the close button, 0 otherwise.
    int Cancelled() const { return m_cancelled; }
    void SetCancelled(int cancelled) { m_cancelled = cancelled; }

private:
    DuiLib::CProgressUI* m_progress;   // owned by the container
    DuiLib::CButtonUI* m_closeButton;  // owned by the container
    int m_cancelled = 0;
};

// The status control's name for a catalogue option's name.
inline std::string DownloadStatusNameFor(std::string_view optionName) {
    return std::string(CDownloadStatusUI::kNamePrefix) + std::string(optionName);
}

}  // namespace quorvi
