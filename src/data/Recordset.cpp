#include "data/Recordset.h"

#include "data/Caseless.h"
#include "data/Connection.h"
#include "data/Statement.h"

#include <algorithm>

namespace vemora {

namespace {
constexpr long kErrArguments = -2146825287;  // criterion the engine cannot read
constexpr long kErrNoRow = -2146825267;      // no current row

// The driver's NULL: a null value of text type.
QVariant nullValue() {
    return QVariant(QMetaType::fromType<QString>());
}
}  // namespace

void ColumnValues::append(const QVariant& value) {
    const bool null = value.isNull();
    const int type = value.typeId();
    if (!null && m_kind == Kind::Nulls) {
        if (type == QMetaType::QString) {
            m_kind = Kind::Text;
        } else if (type == QMetaType::LongLong) {
            m_kind = Kind::Integer;
            m_numbers.assign(m_nulls.size(), 0);
            m_ends.clear();
        } else {
            becomeVariants();
        }
    }
    if (!null && ((m_kind == Kind::Text && type != QMetaType::QString) ||
                  (m_kind == Kind::Integer && type != QMetaType::LongLong)))
        becomeVariants();
    switch (m_kind) {
        case Kind::Nulls:
        case Kind::Text:
            if (!null) m_bytes += static_cast<const QString*>(value.constData())->toUtf8();
            m_ends.push_back(m_bytes.size());
            break;
        case Kind::Integer:
            m_numbers.push_back(null ? 0 : value.toLongLong());
            break;
        case Kind::Variant:
            m_variants.append(value);
            break;
    }
    m_nulls.push_back(null);
}

void ColumnValues::becomeVariants() {
    QVariantList variants;
    variants.reserve(size());
    for (int row = 0; row < size(); ++row) variants.append(value(row));
    m_kind = Kind::Variant;
    m_variants = std::move(variants);
    m_bytes.clear();
    m_ends.clear();
    m_numbers.clear();
}

void ColumnValues::appendText(QByteArrayView utf8) {
    if (!isText()) {
        append(QString::fromUtf8(utf8));
        return;
    }
    m_kind = Kind::Text;
    m_bytes += utf8;
    m_ends.push_back(m_bytes.size());
    m_nulls.push_back(false);
}

QByteArrayView ColumnValues::text(int row) const {
    const qsizetype begin = row == 0 ? 0 : m_ends[size_t(row) - 1];
    return QByteArrayView(m_bytes).sliced(begin, m_ends[size_t(row)] - begin);
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

// The texts that begin with the prefix lie together in caseless order: the first of them at or
// after the current row is the answer.
int Recordset::findSorted(int column, QByteArrayView prefix) const {
    const ColumnValues& values = m_values[size_t(column)];
    int low = 0, high = rowCount();
    while (low < high) {  // first row not below the prefix, NULLs counting as lowest
        const int mid = low + (high - low) / 2;
        if (values.isNull(mid) || caselessCompare(values.text(mid), prefix) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    const int row = std::max(low, m_position);
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

}  // namespace vemora
