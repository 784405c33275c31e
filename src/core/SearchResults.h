#pragma once

#include "core/SearchStore.h"

#include <QAbstractTableModel>

namespace vemora {

class Database;

// The rows a Find window lists: a search's texts page by page (more are read as the list is
// scrolled to its end), or the texts of "On this day". Column 0 is the day, 1 where the text
// was found, 2 the text: its snippet, with the matched words in bold under kSnippetHtmlRole.
class SearchResults final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DayColumn, PlaceColumn, TextColumn, ColumnCount };
    static constexpr int kSnippetHtmlRole = Qt::UserRole + 1;
    // Under Qt::UserRole every column gives the row's day.
    static constexpr int kPageSize = 50;
    // Results are counted up to this many; more are said as "more than".
    static constexpr qint64 kCountedUpTo = 1000;

    SearchResults(Database& database, QObject* parent = nullptr);

    // The user's texts holding what was typed. Nothing to look for empties the list.
    Status search(qint64 user, const QString& typed, SearchOrder order);
    // The user's texts of the same day in earlier years.
    Status showOnThisDay(qint64 user, QDate day);
    void clear();

    // How many texts the search or "On this day" found, listed or not yet, up to
    // kCountedUpTo + 1 for more.
    qint64 found() const { return m_found; }
    const SearchHit& hit(int row) const { return m_hits.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The name of a place as the tabs call it.
    static QString placeName(SearchPlace place);

private:
    void append(const QList<SearchHit>& hits);

    Database& m_database;
    qint64 m_user = 0;
    SearchTerms m_terms;
    SearchOrder m_order = SearchOrder::Newest;
    QList<SearchHit> m_hits;
    QList<Snippet> m_rows;
    qint64 m_found = 0;
    bool m_searching = false;  // pages follow; "On this day" comes whole
};

}  // namespace vemora
