#pragma once
// The refresh: the six grouped result lists rebuilt from the project database,
// the summary values (six of the lists, six of the responses), and the audit
// report built over them.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/crawl/internal_url_list.h"
#include "core/platform/regional.h"
#include "core/results/audit.h"
#include "core/results/responses.h"
#include "core/results/table.h"

namespace crawlspect {

class Database;
class ProblemReporter;
class RowView;

// How the TITLE and DESCRIPTION lists show NULL: a page queued but not read yet.
inline constexpr const char* kNotCheckedYet = "<Not Checked Yet>";

// In the order the refresh rebuilds them.
enum class ResultListId { Links, H1Tags, H2Tags, Titles, Descriptions, Anchors };
inline constexpr std::size_t kResultListCount = 6;
inline constexpr std::array<ResultListId, kResultListCount> kAllResultLists = {
    ResultListId::Links,  ResultListId::H1Tags,       ResultListId::H2Tags,
    ResultListId::Titles, ResultListId::Descriptions, ResultListId::Anchors};

// "Found Links", "Found H1 Tags", ... "Anchor List".
const char* resultListCaption(ResultListId id);
// Runs its grouped statement, handing each row to onRow (Database::forEachRow);
// a failure raises DbError.
void forEachResultListRow(Database& db, ResultListId id, const std::function<void(const RowView&)>& onRow);
// No rows, the list's column headers ("Link", "Count"; "Title", "Count"; ...).
Table emptyResultList(ResultListId id);
// Runs the list's statement; a failure is reported and leaves the list empty.
Table loadResultList(Database& db, ResultListId id, ProblemReporter& problems);
// Runs the list's statement and only counts its rows (0 after a reported failure).
std::size_t countResultList(Database& db, ResultListId id, ProblemReporter& problems);

// All six lists empty, with their headers: what the window shows before the first refresh.
std::array<Table, kResultListCount> emptyResultLists();

// The twelve Key/Value rows of the summary list, every Value "0".
Table emptySummary();

// The internal URL list as the "Internal URLs" tab shows it: "Page",
// "Load Time (sec)", "URL Length".
Table internalUrlTable(const std::vector<UrlRow>& rows);

struct RefreshResult {
  std::array<Table, kResultListCount> lists = emptyResultLists();  // indexed by ResultListId
  std::array<std::size_t, kResultListCount> rowCounts{};           // each statement's rows
  Table summary = emptySummary();
  ResponseCounts responses;
  Table responseRows;  // every RESPONSES row (loadResponses); only with allRows
  AuditReport audit;
  std::vector<UrlRow> internalUrls;  // the copy of the internal URL list this refresh read

  Table& list(ResultListId id) { return lists[static_cast<std::size_t>(id)]; }
  const Table& list(ResultListId id) const { return lists[static_cast<std::size_t>(id)]; }
};

// One whole refresh. The internal URL list is copied once under its guard and
// serves both the "Internal URLs" count and the audit. Failed statements are
// reported through problems.reportProblem, each on its own, and the refresh goes on.
// Without allRows, the lists nothing reads but for their counts (Found Links,
// Anchor List: millions of rows on a large site) stay empty and are only
// counted; the summary and the audit come out the same.
RefreshResult refreshResults(Database& db, const InternalUrlList& internalUrls, const RegionalSettings& regional,
                             ProblemReporter& problems, bool allRows = true);

}  // namespace crawlspect
