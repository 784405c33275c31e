#include "data/Recordset.h"

#include "data/Caseless.h"
#include "data/Connection.h"
#include "data/Encoding.h"
#include "data/Statement.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace vemora {

namespace {
constexpr long kErrArguments = -2146825287;  // criterion the engine cannot read
constexpr long kErrNoRow = -2146825267;      // no current row

// The driver's NULL: a null value of text type.
QVariant nullValue() {
    return QVariant(QMetaType::fromType<QString>());
}
}  // namespace

void ColumnValues::insert(int row, const QVariant& value) {
    const bool null = value.isNull();
    if (!null) {
        const int type = value.typeId();
        become(type == QMetaType::QString    ? Kind::Text
               : type == QMetaType::LongLong ? Kind::Integer
                                             : Kind::Variant);
    }
    Span span;
    if (!null && m_kind == Kind::Text &&
        !store(static_cast<const QString*>(value.constData())->toUtf8(), span))
        becomeVariants();
    const size_t at = size_t(row);
    switch (m_kind) {
        case Kind::Nulls:
        case Kind::Text:
            m_spans.insert(m_spans.begin() + qsizetype(at), span);
            break;
        case Kind::Integer:
            m_numbers.insert(m_numbers.begin() + qsizetype(at), null ? 0 : value.toLongLong());
            break;
        case Kind::Variant:
            m_variants.insert(row, value);
            break;
    }
    m_nulls.insert(m_nulls.begin() + qsizetype(at), null);
}

void ColumnValues::erase(int row) {
    const auto at = qsizetype(row);
    switch (m_kind) {
        case Kind::Nulls:
        case Kind::Text:
            m_spans.erase(m_spans.begin() + at);
            break;
        case Kind::Integer:
            m_numbers.erase(m_numbers.begin() + at);
            break;
        case Kind::Variant:
            m_variants.removeAt(row);
            break;
    }
    m_nulls.erase(m_nulls.begin() + at);
}

// A column of NULLs takes the kind of its first value; any other mix becomes variants.
void ColumnValues::become(Kind kind) {
    if (kind == m_kind) return;
    if (m_kind != Kind::Nulls || kind == Kind::Variant) return becomeVariants();
    m_kind = kind;
    if (kind == Kind::Integer) {
        m_numbers.assign(m_nulls.size(), 0);
        m_spans = {};
    }
}

void ColumnValues::becomeVariants() {
    if (m_kind == Kind::Variant) return;
    QVariantList variants;
    variants.reserve(size());
    for (int row = 0; row < size(); ++row) variants.append(value(row));
    m_kind = Kind::Variant;
    m_variants = std::move(variants);
    m_bytes = {};
    m_spans = {};
    m_numbers = {};
}

bool ColumnValues::store(QByteArrayView utf8, Span& span) {
    if (quint64(m_bytes.size()) + quint64(utf8.size()) > std::numeric_limits<quint32>::max())
        return false;
    span = {quint32(m_bytes.size()), quint32(utf8.size())};
    // The block doubles when full: on a long read that touches far fewer new pages than the
    // array's own growth.
    if (m_bytes.capacity() - m_bytes.size() < utf8.size())
        m_bytes.reserve(std::max(2 * m_bytes.capacity(), m_bytes.size() + utf8.size()));
    m_bytes += utf8;
    return true;
}

void ColumnValues::appendInteger(qint64 number) {
    if (m_kind == Kind::Nulls) become(Kind::Integer);
    if (m_kind != Kind::Integer) return append(qlonglong(number));
    m_numbers.push_back(number);
    m_nulls.push_back(false);
}

void ColumnValues::appendText(QByteArrayView utf8) {
    Span span;
    if (!isText() || !store(utf8, span)) return append(QString::fromUtf8(utf8));
    m_kind = Kind::Text;
    m_spans.push_back(span);
    m_nulls.push_back(false);
}

QVariant ColumnValues::value(int row) const {
    if (isNull(row)) return nullValue();
    switch (m_kind) {
        case Kind::Text:
            return QString::fromUtf8(text(row));
        case Kind::Integer:
            return qlonglong(m_numbers[size_t(row)]);
        default:
            return m_variants.at(row);
    }
}

Recordset::Recordset(QStringList columns, const QList<QVariantList>& rows)
    : Recordset(columns, std::vector<ColumnValues>(size_t(columns.size()))) {
    for (const QVariantList& row : rows)
        for (int c = 0; c < m_columns.size(); ++c) m_values[size_t(c)].append(row.value(c));
    m_rowCount = int(rows.size());
}

Recordset::Recordset(QStringList columns, std::vector<ColumnValues> values)
    : m_open(true),
      m_columns(std::move(columns)),
      m_values(std::move(values)),
      m_order(m_values.size(), Order::Unknown),
      m_rowCount(m_values.empty() ? 0 : m_values.front().size()) {}

Status Recordset::open(const Statement& source, Connection& connection) {
    close();
    auto result = connection.execute(source);
    if (!result) return result.error();
    *this = std::move(result.value());
    return {};
}

void Recordset::close() {
    *this = Recordset();
}

QVariantList Recordset::row(int index) const {
    QVariantList values;
    values.reserve(m_columns.size());
    for (const ColumnValues& column : m_values) values.append(column.value(index));
    return values;
}

int Recordset::columnIndex(QStringView name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (name.compare(m_columns.at(i), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void Recordset::setPosition(int row) {
    m_position = std::clamp(row, 0, rowCount());
}

void Recordset::moveNext() {
    if (!eof()) ++m_position;
}

QVariant Recordset::field(QStringView name) const {
    const int col = columnIndex(name);
    if (eof() || col < 0) return {};
    return value(m_position, col);
}

QDate Recordset::date(QStringView name) const {
    return QDate::fromString(text(name).left(10), Qt::ISODate);
}

bool Recordset::sortedCaseless(int column) {
    Order& order = m_order[size_t(column)];
    if (order == Order::Unknown) {
        const ColumnValues& values = m_values[size_t(column)];
        bool sorted = values.isText();
        for (int r = 1; sorted && r < rowCount(); ++r) {
            if (values.isNull(r))
                sorted = values.isNull(r - 1);
            else if (!values.isNull(r - 1))
                sorted = caselessCompare(values.text(r - 1), values.text(r)) <= 0;
        }
        order = sorted ? Order::Sorted : Order::Unsorted;
    }
    return order == Order::Sorted;
}

int Recordset::lowerBound(int column, QByteArrayView text) const {
    const ColumnValues& values = m_values[size_t(column)];
    int low = 0, high = rowCount();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (values.isNull(mid) || caselessCompare(values.text(mid), text) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// The texts that begin with the prefix lie together in caseless order: the first of them at or
// after the current row is the answer.
int Recordset::findSorted(int column, QByteArrayView prefix) const {
    const ColumnValues& values = m_values[size_t(column)];
    const int row = std::max(lowerBound(column, prefix), m_position);
    if (row < rowCount() && !values.isNull(row) && caselessStartsWith(values.text(row), prefix))
        return row;
    return rowCount();
}

int Recordset::findByScan(int column, QByteArrayView prefix) const {
    const ColumnValues& values = m_values[size_t(column)];
    const bool text = values.isText();
    for (int r = m_position; r < rowCount(); ++r) {
        if (values.isNull(r)) continue;
        const bool match = text ? caselessStartsWith(values.text(r), prefix)
                                : caselessStartsWith(values.value(r).toString().toUtf8(), prefix);
        if (match) return r;
    }
    return rowCount();
}

Status Recordset::findForward(QStringView column, const QString& prefix) {
    const int col = columnIndex(column);
    if (prefix.contains(QLatin1Char('\'')) || col < 0) {
        m_position = rowCount();
        return DbError{kErrArguments,
                       QStringLiteral("Arguments are of the wrong type, are out of acceptable "
                                      "range, or are in conflict with one another.")};
    }
    if (rowCount() == 0) {
        return DbError{kErrNoRow, QStringLiteral("Either BOF or EOF is True, or the current "
                                                 "record has been deleted.")};
    }
    const QByteArray wanted = prefix.toUtf8();
    m_position = sortedCaseless(col) ? findSorted(col, wanted) : findByScan(col, wanted);
    return {};
}

QByteArrayView Recordset::keyText(int row, int column, bool trimmed, QByteArray& buffer) const {
    const ColumnValues& values = m_values[size_t(column)];
    QByteArrayView text = values.isText()
                              ? values.text(row)
                              : QByteArrayView(buffer = value(row, column).toString().toUtf8());
    if (!trimmed) return text;
    while (text.startsWith(' ')) text = text.sliced(1);
    while (text.endsWith(' ')) text.chop(1);
    return text;
}

std::vector<int> Recordset::rowsOf(int orderColumn, const QList<RowKey>& keys) const {
    std::vector<int> rows;
    QByteArray buffer;
    for (const RowKey& key : keys) {
        std::vector<int> columns;
        std::vector<QByteArray> texts;
        for (int i = 0; i < key.columns.size(); ++i) {
            columns.push_back(columnIndex(key.columns.at(i)));
            texts.push_back(
                (key.trimmed ? trimBlanks(key.texts.value(i)) : key.texts.value(i)).toUtf8());
        }
        if (std::find(columns.begin(), columns.end(), -1) != columns.end()) continue;
        const auto matches = [&](int row) {
            for (size_t i = 0; i < columns.size(); ++i) {
                if (m_values[size_t(columns[i])].isNull(row) ||
                    caselessCompare(keyText(row, columns[i], key.trimmed, buffer), texts[i]) != 0)
                    return false;
            }
            return true;
        };
        // Untrimmed, the order column's equals lie together; anything else is looked for
        // everywhere.
        const bool ordered = !key.trimmed && !columns.empty() && columns.front() == orderColumn;
        const ColumnValues& order = m_values[size_t(orderColumn)];
        for (int row = ordered ? lowerBound(orderColumn, texts.front()) : 0; row < rowCount();
             ++row) {
            if (ordered &&
                (order.isNull(row) || caselessCompare(order.text(row), texts.front()) != 0))
                break;
            if (matches(row)) rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool Recordset::patch(QStringView column, const QList<RowKey>& keys, const Recordset& stored) {
    const int col = columnIndex(column);
    const int place = int(m_columns.size());
    if (col < 0 || stored.m_columns.mid(0, place) != m_columns ||
        stored.m_columns.size() != place + 1 || !sortedCaseless(col))
        return false;
    for (int r = 0; r < stored.rowCount(); ++r) {
        const QVariant key = stored.value(r, col);
        if (!key.isNull() && key.typeId() != QMetaType::QString) return false;
    }
    const std::vector<int> replaced = rowsOf(col, keys);
    for (auto row = replaced.rbegin(); row != replaced.rend(); ++row) {
        for (ColumnValues& values : m_values) values.erase(*row);
        --m_rowCount;
    }
    // Each stored row goes after the rows that sort below it and its equals listed before it;
    // equals are placed in the order they are listed.
    std::vector<int> rows(size_t(stored.rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    std::sort(rows.begin(), rows.end(), [&](int a, int b) {
        return stored.value(a, place).toLongLong() < stored.value(b, place).toLongLong();
    });
    for (const int r : rows) {
        const QVariant key = stored.value(r, col);
        const int at = (key.isNull() ? 0 : lowerBound(col, key.toString().toUtf8())) +
                       int(stored.value(r, place).toLongLong());
        if (at > rowCount()) {  // places that do not fit the held rows
            *this = Recordset();
            return false;
        }
        for (int c = 0; c < place; ++c) m_values[size_t(c)].insert(at, stored.value(r, c));
        ++m_rowCount;
    }
    std::fill(m_order.begin(), m_order.end(), Order::Unknown);
    m_order[size_t(col)] = Order::Sorted;
    m_position = 0;
    return true;
}

int Recordset::rowLike(const Recordset& other, int row, QStringView column) {
    if (other.m_columns != m_columns || row < 0 || row >= other.rowCount()) return rowCount();
    const QVariantList wanted = other.row(row);
    const int col = columnIndex(column);
    const QVariant key = col < 0 ? QVariant() : wanted.at(col);
    const bool sorted =
        key.typeId() == QMetaType::QString && sortedCaseless(col) && m_values[size_t(col)].isText();
    const QByteArray text = sorted ? key.toString().toUtf8() : QByteArray();
    for (int r = sorted ? lowerBound(col, text) : 0; r < rowCount(); ++r) {
        if (sorted && caselessCompare(m_values[size_t(col)].text(r), text) != 0) break;
        if (this->row(r) == wanted) return r;
    }
    return rowCount();
}

}  // namespace vemora
