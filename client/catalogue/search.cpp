// Sections: matching | layout | searching
#include "client/catalogue/search.h"

#include <algorithm>
#include <memory>
#include <vector>

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

const char* ColumnText(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? text : "";
}

}  // namespace

// What the results of a search show and open, read from their rows when it
// ran: the options are built only for the results in view and filled in from
// here. The texts of all results share one block, as a tick may read thousands.
class SearchResults {
public:
    void Add(sqlite3_stmt* row) {
        Entry entry;
        entry.text = Append(ColumnText(row, kColumnAppName));
        entry.userData = Append(ColumnText(row, kColumnUserData));
        entry.foreImage = Append(ColumnText(row, kColumnForeImage));
        entry.name = Append(ColumnText(row, kColumnControlName));
        entry.end = text_.size();
        // Read as atoi reads it: the leading number, 0 when there is none.
        entry.tag = static_cast<UINT_PTR>(std::atoi(ColumnText(row, kColumnAppId)));
        entries_.push_back(entry);
    }
    int Count() const { return static_cast<int>(entries_.size()); }
    // Room for `count` results without growing on the way (copying what was
    // read and touching new memory each time would cost a frame at 20,000).
    // Room not filled in costs no memory.
    void Reserve(int count) {
        constexpr size_t kTypicalResultBytes = 128;  // name, address, image, control name
        entries_.reserve(static_cast<size_t>(count));
        text_.reserve(static_cast<size_t>(count) * kTypicalResultBytes);
    }
    // Empty again, keeping the storage.
    void Clear() {
        text_.clear();
        entries_.clear();
    }

    // What of result `index` comes from its row; everything else is the same for all.
    void Fill(DuiLib::COptionUI& option, int index) const {
        const Entry& entry = entries_[static_cast<size_t>(index)];
        const std::string_view text = text_;
        option.SetUserData(text.substr(entry.userData, entry.foreImage - entry.userData));
        option.SetTag(entry.tag);
        option.SetText(text.substr(entry.text, entry.userData - entry.text));
        option.SetAttribute("foreimage",
                            text.substr(entry.foreImage, entry.name - entry.foreImage));
        // Begins with "optLink", so a click opens it like a quick-bar option.
        option.SetName("optLink" + std::string(text.substr(entry.name, entry.end - entry.name)));
    }

private:
    // Where each text of a result starts in the block; each ends where the next starts.
    struct Entry {
        size_t text = 0, userData = 0, foreImage = 0, name = 0, end = 0;
        UINT_PTR tag = 0;
    };
    size_t Append(const char* text) {
        const size_t at = text_.size();
        text_ += text;
        return at;
    }

    std::string text_;
    std::vector<Entry> entries_;
};

namespace {

void SetVisible(DuiLib::CControlUI* control, bool visible) {
    if (control) control->SetVisible(visible);
}

void SetText(DuiLib::CControlUI* control, const std::string& text) {
    if (control) control->SetText(text);
}

// A new result option, placed at `index` but not yet filled in from a result.
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

// Shows result `index` in `option`, moved to its place.
void ShowResult(DuiLib::COptionUI& option, const SearchResults& results, int index) {
    option.SetPos(SearchResultRect(index));
    results.Fill(option, index);
}

// Which result an option placed by SearchResultRect shows; -1 for any other place.
int ResultIndexAt(const RECT& pos) {
    const RECT first = SearchResultRect(0), next = SearchResultRect(7);
    const LONG dx = next.left - first.left, dy = next.top - first.top;
    if ((pos.left - first.left) % dx != 0 || (pos.top - first.top) % dy != 0) return -1;
    const LONG column = (pos.left - first.left) / dx, row = (pos.top - first.top) / dy;
    if (column < 0 || column >= 6 || row < 0) return -1;
    const int index = static_cast<int>(row * 6 + column);
    return SearchResultRect(index) == pos ? index : -1;
}

// The results to have options for: those of the rows a view `height` high from
// `scrollY` of the content shows, with a row more on each side so a short
// scroll finds its options ready. Without a view, all of them.
struct ResultRange {
    int begin = 0, end = 0;
};
ResultRange ResultsInView(int scrollY, int height, int count, bool hasView) {
    if (!hasView) return {0, count};
    const RECT first = SearchResultRect(0);
    const int stride = SearchResultRect(6).top - first.top;
    // Rows that reach below the view's top and start above its bottom.
    const int firstRow = std::max<int>(0, (scrollY - first.bottom) / stride + 1);
    const int lastRow = std::max<int>(0, (scrollY + height - first.top - 1) / stride);
    return {std::min(count, std::max(0, firstRow - 1) * 6), std::min(count, (lastRow + 2) * 6)};
}

// The container the results scroll in (the results' parent), if any.
DuiLib::CContainerUI* ScrollerOf(DuiLib::CContainerUI& results) {
    DuiLib::CControlUI* parent = results.GetParent();
    return parent ? static_cast<DuiLib::CContainerUI*>(parent->GetInterface("Container")) : nullptr;
}

// How high the scroller's view is; before its first layout, the height its
// place gives it.
int ViewHeight(const DuiLib::CContainerUI& scroller) {
    if (const int height = scroller.GetViewHeight(); height > 0) return height;
    const RECT pos = scroller.GetPos();
    return std::max<int>(0, pos.bottom - pos.top);
}

// An option of the last search can show another result in its place as long as
// nobody touched it: not hovered, pressed, selected or focused.
DuiLib::COptionUI* Untouched(DuiLib::CControlUI* control) {
    auto* option = static_cast<DuiLib::COptionUI*>(control->GetInterface("Option"));
    return option && option->GetButtonState() == 0 && !option->IsFocused() ? option : nullptr;
}

// Puts result `index` in the `slot`th option of `container`. The options of the
// last search are filled in again where they stand (building and deleting
// options each tick would take longer than a frame); spare ones are taken
// before new ones are built.
void PlaceResult(DuiLib::CContainerUI& container, const SearchResults& results, int index, int slot,
                 SearchResultSpares* spares) {
    if (slot < container.GetCount()) {
        if (DuiLib::COptionUI* existing = Untouched(container.GetItemAt(slot))) {
            ShowResult(*existing, results, index);
            return;
        }
        container.RemoveAt(slot);
    }
    std::unique_ptr<DuiLib::COptionUI> option;
    if (spares && !spares->options.empty()) {
        option = std::move(spares->options.back());
        spares->options.pop_back();
        option->SetPos(SearchResultRect(index));
    } else {
        option = NewResult(index);
    }
    results.Fill(*option, index);
    DuiLib::COptionUI* added = option.release();
    container.AddAt(added, slot);
    added->NeedParentUpdate();
    added->NeedUpdate();
}

// Takes the controls after the first `count` out: untouched options are kept as
// spares when there is a place for them, everything else is deleted.
void DropResultsFrom(DuiLib::CContainerUI& container, int count, SearchResultSpares* spares) {
    for (int i = container.GetCount() - 1; i >= count; --i) {
        if (!spares || !Untouched(container.GetItemAt(i))) {
            container.RemoveAt(i);
            continue;
        }
        std::unique_ptr<DuiLib::CControlUI> released = container.ReleaseAt(i);
        spares->options.emplace_back(static_cast<DuiLib::COptionUI*>(released.release()));
    }
}

// After a scroll: every result in view gets an option. Options whose result is
// still in view stay as they are; the others (untouched ones) move to the
// results that came into view, and only what is still missing is built. A
// touched option keeps its result, out of view.
void ShowResultsInView(DuiLib::CContainerUI& scroller, const SearchResults& results) {
    DuiLib::CPaintManagerUI* manager = scroller.GetManager();
    DuiLib::CContainerUI* container =
        manager ? FindContainer(*manager, "listSearchResultContainer") : nullptr;
    if (!container || ScrollerOf(*container) != &scroller) return;
    const int count = results.Count();
    const ResultRange range =
        ResultsInView(scroller.GetScrollPos(), ViewHeight(scroller), count, true);

    std::vector<bool> shown(static_cast<size_t>(range.end - range.begin), false);
    std::vector<DuiLib::COptionUI*> movable;
    for (int i = 0; i < container->GetCount(); ++i) {
        DuiLib::CControlUI* control = container->GetItemAt(i);
        if (!control->GetInterface("Option")) continue;
        const int index = ResultIndexAt(control->GetPos());
        if (index >= range.begin && index < range.end && !shown[size_t(index - range.begin)]) {
            shown[size_t(index - range.begin)] = true;
        } else if (DuiLib::COptionUI* option = Untouched(control)) {
            movable.push_back(option);
        }
    }
    for (int index = range.begin; index < range.end; ++index) {
        if (shown[size_t(index - range.begin)]) continue;
        if (!movable.empty()) {
            ShowResult(*movable.back(), results, index);
            movable.pop_back();
            continue;
        }
        std::unique_ptr<DuiLib::COptionUI> option = NewResult(index);
        results.Fill(*option, index);
        // First among the children, so what lies over a result (its download
        // status) stays above it.
        container->AddAt(option.release(), 0);
    }
}

struct StatementCloser {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

// At most how many rows the applications table holds: its largest row id, which
// SQLite finds without reading the table (0 when it cannot be read).
int RowsAtMost(LocalDatabase& db) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.Handle(), "select max(rowid) from apps", -1, &raw, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(raw);
        return 0;
    }
    const std::unique_ptr<sqlite3_stmt, StatementCloser> stmt(raw);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) return 0;
    return static_cast<int>(
        std::clamp<sqlite3_int64>(sqlite3_column_int64(stmt.get(), 0), 0, 1 << 20));
}

// Shows `results` from the top: options for those in view, the content as high
// as all of them need, and the scroller told to fill in what scrolls into view.
void ShowResults(DuiLib::CContainerUI& container, std::shared_ptr<const SearchResults> results,
                 SearchResultSpares* spares) {
    const int count = results->Count();
    DuiLib::CContainerUI* scroller = ScrollerOf(container);
    const ResultRange range =
        ResultsInView(0, scroller ? ViewHeight(*scroller) : 0, count, scroller != nullptr);
    for (int index = range.begin; index < range.end; ++index)
        PlaceResult(container, *results, index, index - range.begin, spares);
    DropResultsFrom(container, range.end - range.begin, spares);

    const int lastRow = count > 0 ? (count - 1) / 6 : 0;
    // As high as every row needs, beyond the usual most a control may be high
    // (some 460 results), so the scroll range reaches the last result.
    const int height = SearchResultsHeight(lastRow);
    container.SetMaxHeight(std::max(container.GetMaxHeight(), height));
    container.SetFixedHeight(height);
    if (!scroller) return;
    if (count > 0)
        scroller->SetViewHandler([results = std::move(results)](DuiLib::CContainerUI& view) {
            ShowResultsInView(view, *results);
        });
    else
        scroller->SetViewHandler({});
    scroller->SetScrollPos(0);
}

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

    DuiLib::CContainerUI* container = FindContainer(pm, "listSearchResultContainer");
    if (!container) return {};
    keyword = RemoveSpaces(keyword);
    // The last search's storage, when kept, saves growing it again for as many
    // results: the list's view handler lets go of it first.
    std::shared_ptr<SearchResults> results = spares ? spares->results : nullptr;
    if (results) {
        if (DuiLib::CContainerUI* scroller = ScrollerOf(*container)) scroller->SetViewHandler({});
        results->Clear();
    } else {
        results = std::make_shared<SearchResults>();
        if (spares) spares->results = results;
    }

    // Read straight from SQLite: the tick runs on the UI thread over every name.
    sqlite3_stmt* raw = nullptr;
    if (!db.Handle() ||
        sqlite3_prepare_v2(db.Handle(), "select * from apps", -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        ShowResults(*container, std::move(results), spares);
        lastKeyword = keyword;
        return {true, 0};
    }
    const std::unique_ptr<sqlite3_stmt, StatementCloser> stmt(raw);

    if (!keyword.empty()) results->Reserve(RowsAtMost(db));
    std::string name;
    while (!keyword.empty() && sqlite3_step(stmt.get()) == SQLITE_ROW) {
        name = ColumnText(stmt.get(), kColumnAppName);
        LowerInPlace(name);
        if (name.find(keyword) != std::string::npos) results->Add(stmt.get());
    }
    const int count = results->Count();
    ShowResults(*container, std::move(results), spares);

    SetVisible(list, count > 0);
    SetText(label, platform::texts::kSearchCountPrefix + std::to_string(count) +
                       platform::texts::kSearchCountSuffix);
    lastKeyword = keyword;
    return {true, count};
}

}  // namespace quorvi
