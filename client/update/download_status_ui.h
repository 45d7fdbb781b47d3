// CDownloadStatusUI: the small control laid over a plugin's catalogue option
// while its files download: a progress bar and a close button that cancels the
// download. When the download fails, a short text takes the progress bar's place
// and the control stays until the user closes it.
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
    DuiLib::CLabelUI& FailureText() { return *m_failure; }

    // Shows the failure text in place of the progress bar, or the bar again.
    void SetFailed(bool failed);
    bool Failed() const { return m_failed; }

    // 1 after the user pressed the close button, 0 otherwise.
    int Cancelled() const { return m_cancelled; }
    void SetCancelled(int cancelled) { m_cancelled = cancelled; }

private:
    DuiLib::CProgressUI* m_progress;   // owned by the container
    DuiLib::CButtonUI* m_closeButton;  // owned by the container
    DuiLib::CLabelUI* m_failure;       // owned by the container; hidden until a failure
    int m_cancelled = 0;
    bool m_failed = false;
};

// The status control's name for a catalogue option's name.
inline std::string DownloadStatusNameFor(std::string_view optionName) {
    return std::string(CDownloadStatusUI::kNamePrefix) + std::string(optionName);
}

}  // namespace quorvi
