// CDialogBuilder: builds a control tree from a skin file (TinyXML).
//
// A skin is a Window element (attributes size, caption, sizebox, roundcorner,
// mininfo, maxinfo) holding Font and Default elements and one root control
// element; a skin without a Window element is a bare control tree. Every
// control element is created by class name (the callback is asked for names the
// layer does not know), added to its parent, then given the class defaults and
// then its own attributes.
//
// Failures: a file that cannot be read or parsed gives null and one line on
// standard error naming the file. An unknown attribute or a malformed value is
// reported on standard error with the file, the control and the attribute; the
// control is built without it. An unknown class with no callback answer is
// reported and skipped with its children.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log.h"
#include "ui/core/control.h"

class TiXmlElement;

namespace DuiLib {

class CPaintManagerUI;

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // A new control for a class name the layer does not know, or null.
    virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;
};

// A skin file read ahead of its build (to look through its text first): where
// it is (for messages) and its text, line ends made "\n"; no text when it
// cannot be read.
struct SkinFile {
    std::string path;
    std::optional<std::string> text;
};

// The skin file `name` (under CPaintManagerUI::GetResourcePath(), or an
// absolute path) read as CDialogBuilder::Create reads it.
SkinFile ReadSkin(std::string_view name);

class CDialogBuilder {
public:
    // `skin`: a file name under CPaintManagerUI::GetResourcePath(), an absolute
    // path, or the XML text itself (when it starts with '<'). With a paint
    // manager the Window values, fonts and class defaults go to it; the returned
    // root is not attached (AttachDialog does that). Null on failure.
    CControlUI* Create(std::string_view skin, LPCTSTR type = nullptr,
                       IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // The same from a skin file already read (null and a message when it could not be).
    CControlUI* Create(const SkinFile& file, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);

    // Problems found by the last Create, one line each (also written to standard error).
    const std::vector<std::string>& GetDiagnostics() const { return diagnostics_; }

private:
    // `fromFile`: the text of a file, whose declaration may name another encoding than UTF-8.
    CControlUI* Build(std::string_view text, bool fromFile, CControlUI* parent);
    CControlUI* BuildControl(TiXmlElement* element, CControlUI* parent);
    CControlUI* CreateByClass(std::string_view className);
    void ApplyWindowAttributes(const TiXmlElement* window);
    void ApplyFont(const TiXmlElement* element);
    void ApplyDefault(const TiXmlElement* element);
    void ApplyAttribute(const TiXmlElement* element, CControlUI* control, std::string_view name,
                        std::string_view value);
    // An attribute text as the system's text (GBK), from the document's encoding.
    std::string Text(const char* value) const;
    // "ui: skin FILE line N: Class 'name': " for messages.
    std::string Where(const TiXmlElement* element) const;
    // Logs a problem of the skin (a warning unless it stops the build) and keeps it.
    void Report(std::string line, platform::LogLevel level = platform::LogLevel::Warning);

    std::string source_;  // file name for messages
    bool utf8_ = true;
    IDialogBuilderCallback* callback_ = nullptr;
    CPaintManagerUI* manager_ = nullptr;
    std::vector<std::string> diagnostics_;
    std::map<std::string, std::string, std::less<>> localDefaults_;  // without a manager
};

// The control the layer creates for a skin class name ("Button", "Option"...), or null.
CControlUI* CreateBuiltinControl(std::string_view className);

}  // namespace DuiLib
