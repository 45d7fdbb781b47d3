// The skin builder.
//
// Sections: class names | loading | Window, Font and Default elements | controls
#include "ui/core/dialog_builder.h"

#include <tinyxml.h>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/log.h"
#include "platform/text.h"
#include "platform/xml_nesting.h"
#include "ui/core/browser.h"
#include "ui/core/container.h"
#include "ui/core/controls.h"
#include "ui/core/list.h"
#include "ui/core/paint_manager.h"

namespace DuiLib {

// ---- class names -------------------------------------------------------------------------------
CControlUI* CreateBuiltinControl(std::string_view className) {
    if (className == "Control") return new CControlUI;
    if (className == "Container") return new CContainerUI;
    if (className == "VerticalLayout") return new CVerticalLayoutUI;
    if (className == "HorizontalLayout") return new CHorizontalLayoutUI;
    if (className == "TabLayout") return new CTabLayoutUI;
    if (className == "Label") return new CLabelUI;
    if (className == "Text") return new CTextUI;
    if (className == "Button") return new CButtonUI;
    if (className == "Option") return new COptionUI;
    if (className == "Edit") return new CEditUI;
    if (className == "Combo") return new CComboUI;
    if (className == "List") return new CListUI;
    if (className == "ListElement") return new CListElementUI;
    if (className == "ListLabelElement") return new CListLabelElementUI;
    if (className == "Progress") return new CProgressUI;
    if (className == "ActiveX") return new CActiveXUI;
    if (className == "WebBrowser") return new CWebBrowserUI;
    return nullptr;
}

namespace {

bool IsUtf8Document(const TiXmlDocument& document) {
    for (const TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
        if (const TiXmlDeclaration* declaration = node->ToDeclaration()) {
            const std::string_view encoding = declaration->Encoding();
            return encoding.empty() || platform::EqualsIgnoringAsciiCase(encoding, "utf-8") ||
                   platform::EqualsIgnoringAsciiCase(encoding, "utf8");
        }
    }
    return true;  // XML without a declaration is UTF-8
}

// A skin file's text with its line ends made "\n", as TinyXML's own file loading does.
std::optional<std::string> ReadSkinFile(const std::string& path) {
    std::ifstream file(platform::GbkToUtf8(path), std::ios::binary);
    if (!file) return std::nullopt;
    const std::string raw{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\r') {
            text += raw[i];
        } else {
            text += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        }
    }
    return text;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

// ---- loading ------------------------------------------------------------------------------------
SkinFile ReadSkin(std::string_view name) {
    std::string path(name);
    if (path.empty() || path.front() != '/') path = CPaintManagerUI::GetResourcePath() + path;
    std::optional<std::string> text = ReadSkinFile(path);
    return SkinFile{std::move(path), std::move(text)};
}

CControlUI* CDialogBuilder::Create(std::string_view skin, LPCTSTR, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    if (skin.empty() || skin.front() != '<')
        return Create(ReadSkin(skin), callback, manager, parent);
    diagnostics_.clear();
    callback_ = callback;
    manager_ = manager;
    source_ = "(skin text)";
    return Build(skin, false, parent);
}

CControlUI* CDialogBuilder::Create(const SkinFile& file, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    diagnostics_.clear();
    callback_ = callback;
    manager_ = manager;
    source_ = file.path;
    if (!file.text) {
        Report("ui: skin " + source_ + ": cannot be read", platform::LogLevel::Error);
        return nullptr;
    }
    return Build(*file.text, true, parent);
}

CControlUI* CDialogBuilder::Build(std::string_view text, bool fromFile, CControlUI* parent) {
    localDefaults_.clear();
    // TinyXML parses and the builder builds recursively: a skin nested too
    // deeply would overflow the stack.
    if (!platform::XmlNestingWithin(text)) {
        Report("ui: skin " + source_ + ": nested deeper than " +
                   std::to_string(platform::kMaxXmlNesting) + " levels",
               platform::LogLevel::Error);
        return nullptr;
    }
    TiXmlDocument document;
    document.Parse(platform::XmlParseBuffer(text).c_str(), nullptr,
                   fromFile ? TIXML_ENCODING_UNKNOWN : TIXML_ENCODING_UTF8);
    if (document.Error()) {
        std::string reason = document.ErrorDesc() ? document.ErrorDesc() : "cannot be read";
        if (document.ErrorRow() > 0) reason += " at line " + std::to_string(document.ErrorRow());
        Report("ui: skin " + source_ + ": " + reason, platform::LogLevel::Error);
        return nullptr;
    }
    utf8_ = IsUtf8Document(document);
    TiXmlElement* root = document.RootElement();
    if (!root) {
        Report("ui: skin " + source_ + ": no element", platform::LogLevel::Error);
        return nullptr;
    }
    TiXmlElement* firstControl = root;
    if (std::strcmp(root->Value(), "Window") == 0) {
        ApplyWindowAttributes(root);
        firstControl = nullptr;
        for (TiXmlElement* child = root->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            std::string_view name = child->Value();
            if (name == "Font")
                ApplyFont(child);
            else if (name == "Default")
                ApplyDefault(child);
            else if (name == "Image")
                continue;  // images load on first use
            else if (!firstControl)
                firstControl = child;
            else
                Report(Where(child) + "a second root control is ignored");
        }
        if (!firstControl) {
            Report("ui: skin " + source_ + ": the Window holds no control",
                   platform::LogLevel::Error);
            return nullptr;
        }
    }
    return BuildControl(firstControl, parent);
}

std::string CDialogBuilder::Text(const char* value) const {
    if (!value) return {};
    if (!utf8_ || IsAscii(value)) return value;
    return platform::Utf8ToGbk(value);
}

std::string CDialogBuilder::Where(const TiXmlElement* element) const {
    std::string where =
        "ui: skin " + source_ + " line " + std::to_string(element->Row()) + ": " + element->Value();
    if (const char* name = element->Attribute("name")) where += std::string(" '") + name + "'";
    return where + ": ";
}

void CDialogBuilder::Report(std::string line, platform::LogLevel level) {
    platform::Log(level, line);
    diagnostics_.push_back(std::move(line));
}

// ---- Window, Font and Default elements
// ---------------------------------------------------------------
void CDialogBuilder::ApplyWindowAttributes(const TiXmlElement* window) {
    for (const TiXmlAttribute* attribute = window->FirstAttribute(); attribute;
         attribute = attribute->Next()) {
        std::string_view name = attribute->Name();
        std::string_view value = attribute->Value();
        bool known = true;
        bool ok = true;
        if (name == "size" || name == "roundcorner" || name == "mininfo" || name == "maxinfo") {
            auto size = ui::ParseSize(value);
            ok = size.has_value();
            if (ok && manager_) {
                if (name == "size") manager_->SetInitSize(size->cx, size->cy);
                if (name == "roundcorner") manager_->SetRoundCorner(size->cx, size->cy);
                if (name == "mininfo") manager_->SetMinInfo(size->cx, size->cy);
                if (name == "maxinfo") manager_->SetMaxInfo(size->cx, size->cy);
            }
        } else if (name == "caption" || name == "sizebox") {
            auto rect = ui::ParseRect(value);
            ok = rect.has_value();
            if (ok && manager_) {
                if (name == "caption") manager_->SetCaptionRect(*rect);
                if (name == "sizebox") manager_->SetSizeBox(*rect);
            }
        } else {
            known = false;
        }
        if (!known)
            Report(Where(window) + "unknown attribute '" + std::string(name) + "'");
        else if (!ok)
            Report(Where(window) + "malformed value '" + std::string(value) + "' of attribute '" +
                   std::string(name) + "'");
    }
}

void CDialogBuilder::ApplyFont(const TiXmlElement* element) {
    TFontInfo font;
    bool isDefault = false;
    int id = -1;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute;
         attribute = attribute->Next()) {
        std::string_view name = attribute->Name();
        std::string_view value = attribute->Value();
        bool ok = true;
        if (name == "name") {
            font.sFontName = Text(attribute->Value());
        } else if (name == "id" || name == "size") {
            auto number = ui::ParseInt(value);
            ok = number && *number >= 0;
            if (ok) (name == "id" ? id : font.iSize) = *number;
        } else if (name == "bold" || name == "underline" || name == "italic" || name == "default") {
            auto flag = ui::ParseBool(value);
            ok = flag.has_value();
            if (ok) {
                if (name == "bold") font.bBold = *flag;
                if (name == "underline") font.bUnderline = *flag;
                if (name == "italic") font.bItalic = *flag;
                if (name == "default") isDefault = *flag;
            }
        } else {
            Report(Where(element) + "unknown attribute '" + std::string(name) + "'");
            continue;
        }
        if (!ok)
            Report(Where(element) + "malformed value '" + std::string(value) + "' of attribute '" +
                   std::string(name) + "'");
    }
    if (!manager_) return;
    // Fonts are numbered in order; an id must match the next number.
    if (id >= 0 && id != manager_->GetFontCount())
        Report(Where(element) + "font id " + std::to_string(id) + " is out of order (expected " +
               std::to_string(manager_->GetFontCount()) + ")");
    manager_->AddFont(font, isDefault);
}

void CDialogBuilder::ApplyDefault(const TiXmlElement* element) {
    const char* name = element->Attribute("name");
    const char* value = element->Attribute("value");
    if (!name || !value) {
        Report(Where(element) + "needs the attributes 'name' and 'value'");
        return;
    }
    std::string list = Text(value);
    if (!ui::ParseAttributeList(list)) {
        Report(Where(element) + "malformed value '" + list + "' of attribute 'value'");
        return;
    }
    if (manager_)
        manager_->AddDefaultAttributeList(name, list);
    else
        localDefaults_[name] = list;
}

// ---- controls
// -----------------------------------------------------------------------------------------
CControlUI* CDialogBuilder::CreateByClass(std::string_view className) {
    if (CControlUI* control = CreateBuiltinControl(className)) return control;
    if (callback_) return callback_->CreateControl(std::string(className).c_str());
    return nullptr;
}

// Creates the element's control, adds it to `parent`, applies the class
// defaults and then the element's attributes, then builds its children.
CControlUI* CDialogBuilder::BuildControl(TiXmlElement* element, CControlUI* parent) {
    std::string_view className = element->Value();
    CControlUI* control = CreateByClass(className);
    if (!control) {
        Report(Where(element) + "unknown control class; skipped with its children");
        return nullptr;
    }
    if (parent) {
        auto* container = static_cast<IContainerUI*>(parent->GetInterface("IContainer"));
        if (!container) {
            Report(Where(element) + "its parent is not a container; skipped");
            delete control;
            return nullptr;
        }
        container->Add(control);
    }
    std::string defaults;
    if (manager_)
        defaults = manager_->GetDefaultAttributeList(className);
    else if (auto it = localDefaults_.find(className); it != localDefaults_.end())
        defaults = it->second;
    if (auto pairs = ui::ParseAttributeList(defaults)) {
        for (auto& [name, value] : *pairs) ApplyAttribute(element, control, name, value);
    }
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute;
         attribute = attribute->Next())
        ApplyAttribute(element, control, attribute->Name(), Text(attribute->Value()));
    // Each element goes once its control is built: its memory is then reused
    // by the next controls while it is still in the caches, and the parsed
    // skin and the controls made of it are never in memory whole side by side.
    for (TiXmlElement* child = element->FirstChildElement(); child;) {
        TiXmlElement* next = child->NextSiblingElement();
        BuildControl(child, control);
        element->RemoveChild(child);
        child = next;
    }
    return control;
}

void CDialogBuilder::ApplyAttribute(const TiXmlElement* element, CControlUI* control,
                                    std::string_view name, std::string_view value) {
    switch (control->SetAttribute(name, value)) {
        case AttributeResult::Applied:
            break;
        case AttributeResult::Unknown:
            Report(Where(element) + "unknown attribute '" + std::string(name) + "'");
            break;
        case AttributeResult::Malformed:
            Report(Where(element) + "malformed value '" + std::string(value) + "' of attribute '" +
                   std::string(name) + "'");
            break;
    }
}

}  // namespace DuiLib
