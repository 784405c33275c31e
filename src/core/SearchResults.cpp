#include "core/SearchResults.h"

#include <QLocale>

namespace vemora {

SearchResults::SearchResults(Database& database, QObject* parent)
    : QAbstractTableModel(parent), m_database(database) {}

QString SearchResults::placeName(SearchPlace place) {
    switch (place) {
        case SearchPlace::Diary:
            return QStringLiteral("Daily Diary");
        case SearchPlace::Morning:
            return QStringLiteral("AM");
        case SearchPlace::Afternoon:
            return QStringLiteral("PM");
        case SearchPlace::Quote:
            return QStringLiteral("Daily Quote");
    }
    return {};
}

void SearchResults::clear() {
    beginResetModel();
    m_hits.clear();
    m_rows.clear();
    m_found = 0;
    m_searching = false;
    endResetModel();
}

Status SearchResults::search(qint64 user, const QString& typed, SearchOrder order) {
    clear();
    m_user = user;
    m_terms = SearchTerms::parse(typed);
    m_order = order;
    if (m_terms.isEmpty()) return {};
    SearchStore store(m_database);
    const Result<QList<SearchHit>> first = store.find(user, m_terms, order, kPageSize + 1);
    if (!first) return first.error();
    QList<SearchHit> hits = first.value();
    m_found = hits.size();
    // A full page may have more behind it: only then are they counted.
    if (hits.size() > kPageSize) {
        hits.removeLast();
        const Result<qint64> all = store.count(user, m_terms, kCountedUpTo + 1);
        if (!all) return all.error();
        m_found = all.value();
    }
    m_searching = true;
    append(hits);
    return {};
}

Status SearchResults::showOnThisDay(qint64 user, QDate day) {
    clear();
    m_user = user;
    m_terms = {};
    const Result<QList<SearchHit>> hits = SearchStore(m_database).onThisDay(user, day);
    if (!hits) return hits.error();
    m_found = hits.value().size();
    append(hits.value());
    return {};
}

void SearchResults::append(const QList<SearchHit>& hits) {
    if (hits.isEmpty()) return;
    beginInsertRows({}, int(m_hits.size()), int(m_hits.size() + hits.size() - 1));
    for (const SearchHit& hit : hits) {
        m_rows.append(m_terms.snippet(hit.text));
    }
    m_hits += hits;
    endInsertRows();
}

bool SearchResults::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_searching && m_hits.size() < m_found;
}

void SearchResults::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const Result<QList<SearchHit>> more =
        SearchStore(m_database).find(m_user, m_terms, m_order, kPageSize, int(m_hits.size()));
    // A page that cannot be read ends the list where it is.
    if (!more || more.value().isEmpty()) {
        m_found = m_hits.size();
        return;
    }
    append(more.value());
}

int SearchResults::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_hits.size());
}

int SearchResults::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SearchResults::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_hits.size()) return {};
    const SearchHit& hit = m_hits.at(index.row());
    if (role == Qt::UserRole) return hit.day;
    if (role == kSnippetHtmlRole && index.column() == TextColumn)
        return m_rows.at(index.row()).html;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
        case DayColumn:
            return QLocale().toString(hit.day, QLocale::LongFormat);
        case PlaceColumn:
            return placeName(hit.place);
        case TextColumn:
            return role == Qt::ToolTipRole ? hit.text.left(1000) : m_rows.at(index.row()).plain;
    }
    return {};
}

QVariant SearchResults::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case DayColumn:
            return QStringLiteral("Day");
        case PlaceColumn:
            return QStringLiteral("Found in");
        case TextColumn:
            return QStringLiteral("Text");
    }
    return {};
}

}  // namespace vemora
