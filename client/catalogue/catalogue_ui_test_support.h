// For the catalogue's window tests: the main window's skin in a headless
// window, a fresh database, and a small catalogue document writer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "client/catalogue/navigation_builder.h"
#include "client/common/database_test_support.h"
#include "ui/core/test_support.h"

namespace quorvi {

// "<group ...>" with the given id and applications; its mark is "m" + id.
inline std::string GroupXml(const std::string& id, const std::string& apps) {
    return "<group caption='G" + id + "' icon='g" + id + ".png' iconMd5='x' mark='m" + id +
           "' id='" + id + "'>" + apps + "</group>";
}

inline std::string AppXml(const std::string& id, const std::string& target = "http://a/",
                          const std::string& extra = "") {
    return "<app caption='App" + id + "' icon='i" + id + ".png' iconMd5='x' id='" + id +
           "' action='web' " + extra + ">" + target + "</app>";
}

inline std::string HolderXml(const std::string& id, const std::string& subApps) {
    return "<holder caption='H" + id + "' icon='h" + id + ".png' iconMd5='x' id='" + id +
           "' showSubApps='True'>" + subApps + "</holder>";
}

class CatalogueWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        window = std::make_unique<ui_test::TestWindow>("skin.xml");
        ASSERT_NE(window->Open(0, 0, 950, 553), nullptr);
        ui::RunUntilIdle();
        StartDatabase(db, folder);
    }
    void TearDown() override {
        window.reset();
        ui::RunUntilIdle();
    }

    // Parses `groups` under a root element and runs the catalogue pass, with
    // every quick bar's options made as if each group had been shown.
    void Build(const std::string& groups) {
        CatalogueDocument document;
        ASSERT_TRUE(ParseCatalogueDocument(
            "<?xml version='1.0' encoding='UTF-8'?><apps>" + groups + "</apps>", document));
        ASSERT_TRUE(document.problems.empty()) << document.problems[0].reason;
        controls = BuildCatalogueView(window->pm, db, document);
        for (DuiLib::CControlUI* container : controls.groupContainers) BuildQuickBar(container);
    }

    DuiLib::CControlUI* Find(std::string_view name) { return window->pm.FindControl(name); }
    DuiLib::COptionUI* Option(std::string_view name) {
        DuiLib::CControlUI* control = Find(name);
        return control ? static_cast<DuiLib::COptionUI*>(control->GetInterface("Option")) : nullptr;
    }
    bool Visible(std::string_view name) {
        DuiLib::CControlUI* control = Find(name);
        return control && control->IsVisible();
    }
    std::string Column(const std::string& sql) { return quorvi::Column(db, sql); }

    TempFolder folder;
    LocalDatabase db;
    std::unique_ptr<ui_test::TestWindow> window;
    CatalogueControls controls;
};

}  // namespace quorvi

// Rectangles in failure messages as "left,top,right,bottom".
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}
