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

// A new result option, placed at `index` but not yet filled in from a row.
std::unique_ptr<DuiLib::COptionUI> NewResult(int index) {
    auto option = NewRowOption("", "");
    option->SetAttribute("width", "100");
    option->SetAttribute("height", "100");
    option->SetAttribute("textpadding", "0,0,0,2");
    option->SetAttribute("align", "centerbottom");
    option->SetAttribute("group", "quickbar");
    option->SetAttribute("normalimage", "toolbar_normal.png");
    option->SetAttribute("hotimage", "toolbar_hover.png");
    option->SetAttribute("pushedimage", "toolbar_pushed.png");
    option->SetAttribute("selectedimage", "toolbar_pushed.png");
    option->SetAttribute("pos", PosText(SearchResultRect(index)));
    return option;
}

// What of a result comes from its row; everything else is the same for all.
void FillResult(DuiLib::COptionUI& option, sqlite3_stmt* row) {
    option.SetUserData(ColumnText(row, kColumnUserData));
    // Read as atoi reads it: the leading number, 0 when there is none.
    option.SetTag(static_cast<UINT_PTR>(std::atoi(ColumnText(row, kColumnAppId))));
    option.SetText(ColumnText(row, kColumnAppName));
    option.SetAttribute("foreimage", ColumnText(row, kColumnForeImage));
    // Begins with "optLink", so a click opens it like a quick-bar option.
    option.SetName(std::string("optLink") + ColumnText(row, kColumnControlName));
}

// An option of the last search can show another result in its place as long as
// nobody touched it: not hovered, pressed, selected or focused.
DuiLib::COptionUI* Untouched(DuiLib::CControlUI* control) {
    auto* option = static_cast<DuiLib::COptionUI*>(control->GetInterface("Option"));
    return option && option->GetButtonState() == 0 && !option->IsFocused() ? option : nullptr;
}

// Puts the result `row` at `index` of `results`. The options of the last search
// are filled in again where they stand (building and deleting thousands of
// options each tick would take far longer than a frame); spare ones are taken
// before new ones are built.
void PlaceResult(DuiLib::CContainerUI& results, sqlite3_stmt* row, int index,
                 SearchResultSpares* spares) {
    if (index < results.GetCount()) {
        if (DuiLib::COptionUI* existing = Untouched(results.GetItemAt(index))) {
            FillResult(*existing, row);
            return;
        }
        results.RemoveAt(index);
    }
    std::unique_ptr<DuiLib::COptionUI> option;
    if (spares && !spares->options.empty()) {
        option = std::move(spares->options.back());
        spares->options.pop_back();
        option->SetAttribute("pos", PosText(SearchResultRect(index)));
    } else {
        option = NewResult(index);
    }
    FillResult(*option, row);
    DuiLib::COptionUI* added = option.release();
    results.AddAt(added, index);
    added->NeedParentUpdate();
    added->NeedUpdate();
}

// Takes the options after the first `count` out: kept as spares when there is
// a place for them (only untouched ones), deleted otherwise.
void DropResultsFrom(DuiLib::CContainerUI& results, int count, SearchResultSpares* spares) {
    for (int i = results.GetCount() - 1; i >= count; --i) {
        if (!spares || !Untouched(results.GetItemAt(i))) {
            results.RemoveAt(i);
            continue;
        }
        std::unique_ptr<DuiLib::CControlUI> released = results.ReleaseAt(i);
        spares->options.emplace_back(static_cast<DuiLib::COptionUI*>(released.release()));
    }
}

struct StatementCloser {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

}  // namespace

SearchOutcome SearchCatalogue(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                              std::string& lastKeyword, bool live, SearchResultSpares* spares) {
    DuiLib::CControlUI* box = pm.FindControl("signature");
    std::string keyword = LowerAsciiBytes(box ? std::string(box->GetText()) : std::string());

    DuiLib::CControlUI* label = pm.FindControl("labelSearchResultCount");
    DuiLib::CControlUI* list = pm.FindControl("listSearchResult");
    SetVisible(label, true);

    if (live) {
        // The last keyword is kept without its spaces: one that holds a space
        // is the same search as that keyword without them. (Spaces alone make
        // no keyword; they are searched as before, finding nothing.)
        const std::string searched = RemoveSpaces(keyword);
        if (keyword == lastKeyword || (!searched.empty() && searched == lastKeyword)) return {};
        if (keyword.empty() || keyword == platform::texts::kSearchPlaceholder) {
            SetVisible(list, false);
            SetText(label, platform::texts::kSearchEnterKeyword);
            return {};
        }
    }

    DuiLib::CContainerUI* results = FindContainer(pm, "listSearchResultContainer");
    if (!results) return {};
    keyword = RemoveSpaces(keyword);

    // Read straight from SQLite: the tick runs on the UI thread over every name.
    sqlite3_stmt* raw = nullptr;
    if (!db.Handle() ||
        sqlite3_prepare_v2(db.Handle(), "select * from apps", -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        DropResultsFrom(*results, 0, spares);
        results->SetScrollPos(0);
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
        PlaceResult(*results, stmt.get(), count, spares);
        ++count;
    }
    DropResultsFrom(*results, count, spares);
    results->SetScrollPos(0);

    const int lastRow = count > 0 ? (count - 1) / 6 : 0;
    results->SetAttribute("height", std::to_string(SearchResultsHeight(lastRow)));
    SetVisible(list, count > 0);
    SetText(label, platform::texts::kSearchCountPrefix + std::to_string(count) +
                       platform::texts::kSearchCountSuffix);
    lastKeyword = keyword;
    return {true, count};
}

}  // namespace quorvi
