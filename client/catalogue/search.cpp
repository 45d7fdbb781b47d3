// Sections: matching | layout | searching
#include "client/catalogue/search.h"

#include <memory>

#include "client/catalogue/catalogue_rows.h"
#include "platform/chinese_texts.h"

namespace quorvi {

// ---- matching ---------------------------------------------------------------
namespace {
void LowerInPlace(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}
}  // namespace

std::string LowerAsciiBytes(std::string_view text) {
    std::string out(text);
    LowerInPlace(out);
    return out;
}

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') out += c;
    }
    return out;
}

bool NameMatches(std::string_view keyword, std::string_view name) {
    return !keyword.empty() && LowerAsciiBytes(name).find(keyword) != std::string::npos;
}

// ---- layout -----------------------------------------------------------------
RECT SearchResultRect(int index) {
    const LONG left = 65 + 140 * (index % 6);
    const LONG top = 20 + 130 * (index / 6);
    return {left, top, left + 100, top + 100};
}

int SearchResultsHeight(int lastRow) {
    return 200 + 140 * lastRow;
}

// ---- searching --------------------------------------------------------------
namespace {

void SetVisible(DuiLib::CControlUI* control, bool visible) {
    if (control) control->SetVisible(visible);
}

void SetText(DuiLib::CControlUI* control, const std::string& text) {
    if (control) control->SetText(text);
}

const char* ColumnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? text : "";
}

void AddResult(DuiLib::CContainerUI& results, sqlite3_stmt* row, int index) {
    auto option = NewRowOption(ColumnText(row, kColumnUserData), ColumnText(row, kColumnAppId));
    option->SetText(ColumnText(row, kColumnAppName));
    option->SetAttribute("width", "100");
    option->SetAttribute("height", "100");
    option->SetAttribute("textpadding", "0,0,0,2");
    option->SetAttribute("align", "centerbottom");
    option->SetAttribute("group", "quickbar");
    option->SetAttribute("normalimage", "toolbar_normal.png");
    option->SetAttribute("hotimage", "toolbar_hover.png");
    option->SetAttribute("pushedimage", "toolbar_pushed.png");
    option->SetAttribute("selectedimage", "toolbar_pushed.png");
    option->SetAttribute("foreimage", ColumnText(row, kColumnForeImage));
    option->SetAttribute("pos", PosText(SearchResultRect(index)));
    // Begins with "optLink", so a click opens it like a quick-bar option.
    option->SetName(std::string("optLink") + ColumnText(row, kColumnControlName));
    DuiLib::COptionUI* added = option.release();
    results.Add(added);
    added->NeedParentUpdate();
    added->NeedUpdate();
}

struct StatementCloser {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

}  // namespace

SearchOutcome SearchCatalogue(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                              std::string& lastKeyword, bool live) {
    DuiLib::CControlUI* box = pm.FindControl("signature");
    std::string keyword = LowerAsciiBytes(box ? std::string(box->GetText()) : std::string());

    DuiLib::CControlUI* label = pm.FindControl("labelSearchResultCount");
    DuiLib::CControlUI* list = pm.FindControl("listSearchResult");
    SetVisible(label, true);

    if (live) {
        if (keyword == lastKeyword) return {};
        if (keyword.empty() || keyword == platform::texts::kSearchPlaceholder) {
            SetVisible(list, false);
            SetText(label, platform::texts::kSearchEnterKeyword);
            return {};
        }
    }

    DuiLib::CContainerUI* results = FindContainer(pm, "listSearchResultContainer");
    if (!results) return {};
    results->RemoveAll();
    keyword = RemoveSpaces(keyword);

    // Read straight from SQLite: the tick runs on the UI thread over every name.
    sqlite3_stmt* raw = nullptr;
    if (!db.Handle() ||
        sqlite3_prepare_v2(db.Handle(), "select * from apps", -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        lastKeyword = keyword;
        return {true, 0};
    }
    const std::unique_ptr<sqlite3_stmt, StatementCloser> stmt(raw);

    int count = 0;
    std::string name;
    while (!keyword.empty() && sqlite3_step(stmt.get()) == SQLITE_ROW) {
        name = ColumnText(stmt.get(), kColumnAppName);
        LowerInPlace(name);
        if (name.find(keyword) == std::string::npos) continue;
        AddResult(*results, stmt.get(), count);
        ++count;
    }

    const int lastRow = count > 0 ? (count - 1) / 6 : 0;
    results->SetAttribute("height", std::to_string(SearchResultsHeight(lastRow)));
    SetVisible(list, count > 0);
    SetText(label, platform::texts::kSearchCountPrefix + std::to_string(count) +
                       platform::texts::kSearchCountSuffix);
    lastKeyword = keyword;
    return {true, count};
}

}  // namespace quorvi
