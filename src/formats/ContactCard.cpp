#include "formats/ContactCard.h"

#include "formats/Decoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace vemora::vcard {

namespace {

// ---- Writing

QString escaped(const QString& value) {
    const auto special = [](QChar c) {
        return c == u'\\' || c == u',' || c == u';' || c == u'\n' || c == u'\r';
    };
    if (std::none_of(value.begin(), value.end(), special)) return value;
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
            case u'\\':
                out.append(QStringLiteral("\\\\"));
                break;
            case u',':
                out.append(QStringLiteral("\\,"));
                break;
            case u';':
                out.append(QStringLiteral("\\;"));
                break;
            case u'\n':
                out.append(QStringLiteral("\\n"));
                break;
            // Not in the standard, which has no carriage return; keeps a stored one exact.
            case u'\r':
                out.append(QStringLiteral("\\r"));
                break;
            default:
                out.append(c);
        }
    }
    return out;
}

// One content line, folded at 75 octets between UTF-8 sequences.
void appendLine(QByteArray& out, const QString& line) {
    const QByteArray bytes = line.toUtf8();
    qsizetype start = 0;
    qsizetype room = 75;
    while (bytes.size() - start > room) {
        qsizetype end = start + room;
        while ((uchar(bytes[end]) & 0xC0) == 0x80) --end;
        out.append(bytes.sliced(start, end - start)).append("\r\n ");
        start = end;
        room = 74;  // the leading blank counts
    }
    out.append(bytes.sliced(start)).append("\r\n");
}

// ---- Reading

bool same(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Parts of one content line, which they point into.
struct Param {
    QByteArrayView name, value;
};

struct Property {
    QByteArrayView name;  // without its group
    QList<Param> params;
    QByteArrayView value;

    bool is(QByteArrayView n) const { return same(name, n); }
    QByteArrayView param(QByteArrayView key) const {
        for (const Param& p : params)
            if (same(p.name, key)) return p.value;
        return {};
    }
    bool has(QByteArrayView key, QByteArrayView value) const {
        for (const Param& p : params)
            if (same(p.name, key) && same(p.value, value)) return true;
        return false;
    }
};

// [group.]NAME[;PARAM[=VALUE[,VALUE]]]...:value; nothing when the line is not a property.
std::optional<Property> parseLine(QByteArrayView line) {
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && line[i] != ';' && line[i] != ':') ++i;
    if (i == n) return std::nullopt;
    Property p;
    p.name = line.first(i).trimmed();
    p.name = p.name.sliced(p.name.lastIndexOf('.') + 1);
    if (p.name.isEmpty()) return std::nullopt;
    while (line[i] == ';') {
        const qsizetype start = ++i;
        for (bool quoted = false; i < n && (quoted || (line[i] != ';' && line[i] != ':')); ++i)
            if (line[i] == '"') quoted = !quoted;
        if (i == n) return std::nullopt;
        const QByteArrayView param = line.sliced(start, i - start);
        const qsizetype equals = param.indexOf('=');
        if (equals < 0) {
            // A bare 2.1 parameter: an encoding or a type.
            const QByteArrayView token = param.trimmed();
            const bool encoding = same(token, "QUOTED-PRINTABLE") || same(token, "BASE64") ||
                                  same(token, "8BIT") || same(token, "7BIT");
            p.params.append({encoding ? "ENCODING" : "TYPE", token});
            continue;
        }
        // A list of values, also inside quotes (TYPE="work,voice"); no parameter read here
        // has a comma in a value.
        const QByteArrayView name = param.first(equals).trimmed();
        for (QByteArrayView rest = param.sliced(equals + 1);;) {
            const qsizetype comma = rest.indexOf(',');
            QByteArrayView value = (comma < 0 ? rest : rest.first(comma)).trimmed();
            if (value.startsWith('"')) value = value.sliced(1);
            if (value.endsWith('"')) value.chop(1);
            p.params.append({name, value.trimmed()});
            if (comma < 0) break;
            rest = rest.sliced(comma + 1);
        }
    }
    p.value = line.sliced(i + 1);
    return p;
}

QByteArray fromQuotedPrintable(QByteArrayView raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '=' && i + 2 < raw.size() && isxdigit(uchar(raw[i + 1])) &&
            isxdigit(uchar(raw[i + 2]))) {
            out.append(QByteArray::fromHex(raw.sliced(i + 1, 2).toByteArray()));
            i += 2;
        } else {
            out.append(raw[i]);
        }
    }
    return out;
}

QString decodedValue(const Property& p) {
    const QByteArray raw = p.has("ENCODING", "QUOTED-PRINTABLE") ? fromQuotedPrintable(p.value)
                                                                 : p.value.toByteArray();
    const QByteArrayView charset = p.param("CHARSET");
    // ISO-8859-1 as Windows-1252, as browsers read it: the two differ only in C1 controls.
    if (same(charset, "WINDOWS-1252") || same(charset, "CP1252") || same(charset, "ISO-8859-1"))
        return formats::fromCp1252(raw);
    if (!charset.isEmpty() && !same(charset, "UTF-8")) {
        QStringDecoder named(charset.toByteArray().constData());
        if (named.isValid()) return named(raw);
    }
    return formats::decodeText(raw);
}

// The value's components split at unescaped semicolons (when structured) and unescaped.
// vCard 2.1 escapes only semicolons and backslashes.
QStringList components(const QString& value, bool structured, bool v21) {
    if (!value.contains(u'\\') && !(structured && value.contains(u';'))) return {value};
    QStringList out{QString()};
    const qsizetype n = value.size();
    qsizetype run = 0;  // where the text not yet copied starts
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = value[i];
        if (c != u'\\' && !(c == u';' && structured)) continue;
        out.back().append(QStringView(value).sliced(run, i - run));
        run = i + 1;
        if (c == u';') {
            out.append(QString());
        } else if (i + 1 == n) {
            out.back().append(c);
        } else {
            const QChar e = value[++i];
            run = i + 1;
            if (e == u';' || e == u'\\' || (!v21 && e == u','))
                out.back().append(e);
            else if (!v21 && (e == u'n' || e == u'N'))
                out.back().append(u'\n');
            else if (!v21 && e == u'r')
                out.back().append(u'\r');
            else
                out.back().append(c).append(e);  // not an escape: kept as written
        }
    }
    out.back().append(QStringView(value).sliced(run));
    return out;
}

QString joinedNonEmpty(const QStringList& parts, const QString& separator) {
    QStringList kept;
    for (const QString& part : parts)
        if (!part.isEmpty()) kept.append(part);
    return kept.join(separator);
}

// The parts of an address on one line: a lone part as written, several ones trimmed.
QString addressLine(const QStringList& parts) {
    QStringList kept;
    for (const QString& part : parts)
        if (!part.isEmpty()) kept.append(part);
    if (kept.size() < 2) return kept.value(0);
    QStringList trimmed;
    for (const QString& part : kept)
        if (!part.trimmed().isEmpty()) trimmed.append(part.trimmed());
    return trimmed.join(QStringLiteral(", "));
}

void setOnce(QString& field, const QString& value) {
    if (field.isEmpty()) field = value;
}

// One card being read, from BEGIN:VCARD on.
struct OpenCard {
    int index = 0;
    Card card;
    bool v21 = false, v40 = false, hasName = false, afterBase64 = false;
    QString formatted;                // FN
    std::optional<QString> exactSex;  // X-VEMORA-SEX, before GENDER and X-GENDER
    QString gender;
    int badLine = 0;

    void take(const Property& p) {
        afterBase64 = p.has("ENCODING", "BASE64") || p.has("ENCODING", "B");
        if (p.is("VERSION")) {
            v21 = p.value.trimmed() == "2.1";
            v40 = p.value.trimmed() == "4.0";
            return;
        }
        static constexpr std::array<QByteArrayView, 9> kept{
            "N", "FN", "ORG", "ADR", "TEL", "EMAIL", "GENDER", "X-GENDER", "X-VEMORA-SEX"};
        if (std::none_of(kept.begin(), kept.end(), [&p](QByteArrayView k) { return p.is(k); }))
            return;
        const QString text = decodedValue(p);
        const bool structured = p.is("N") || p.is("ADR") || p.is("GENDER") || p.is("ORG");
        const QStringList parts = components(text, structured, v21);
        const QString& value = parts.front();
        if (p.is("N") && !hasName) {
            hasName = true;
            card.last = value;
            card.first = parts.value(1);
            card.middle = parts.value(2);
        } else if (p.is("FN")) {
            setOnce(formatted, value);
        } else if (p.is("ORG")) {
            setOnce(card.organisation, value);
        } else if (p.is("ADR")) {
            setOnce(card.address, addressLine(parts));
        } else if (p.is("TEL")) {
            takePhone(p, value);
        } else if (p.is("EMAIL")) {
            setOnce(card.email, value);
        } else if (p.is("X-VEMORA-SEX")) {
            if (!exactSex) exactSex = value;
        } else if (gender.isEmpty()) {
            const QString g = value.trimmed().toUpper();
            if (g == u"M" || g == u"MALE") gender = QStringLiteral("M");
            if (g == u"F" || g == u"FEMALE") gender = QStringLiteral("F");
        }
    }

    void takePhone(const Property& p, QString number) {
        const bool uri = p.has("VALUE", "uri") || (v40 && p.param("VALUE").isEmpty());
        if (uri && number.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
            number.remove(0, 4);
        bool typed = false, cell = false, fax = false, voice = false;
        for (const Param& param : p.params) {
            if (!same(param.name, "TYPE")) continue;
            typed = true;
            cell = cell || same(param.value, "cell");
            fax = fax || same(param.value, "fax");
            voice = voice || same(param.value, "home") || same(param.value, "work") ||
                    same(param.value, "voice") || same(param.value, "pref");
        }
        if (cell)
            setOnce(card.cellular, number);
        else if (fax)
            setOnce(card.fax, number);
        else if (voice || !typed)
            setOnce(card.phone, number);
    }

    QString label() const {
        QString name = formatted;
        if (name.isEmpty())
            name = joinedNonEmpty({card.first, card.middle, card.last}, QStringLiteral(" "));
        return name.isEmpty() ? QStringLiteral("Card %1").arg(index)
                              : QStringLiteral("Card %1 (%2)").arg(index).arg(name);
    }

    Card finished() {
        // No name parts: the formatted name as "first [middle...] last", unless it only names
        // the organisation.
        if (card.first.isEmpty() && card.middle.isEmpty() && card.last.isEmpty() &&
            formatted.trimmed() != card.organisation.trimmed()) {
            QStringList words = formatted.split(u' ', Qt::SkipEmptyParts);
            if (!words.isEmpty()) card.first = words.takeFirst();
            if (!words.isEmpty()) card.last = words.takeLast();
            card.middle = words.join(u' ');
        }
        card.sex = exactSex.value_or(gender);
        return card;
    }
};

bool quotedPrintable(QByteArrayView line) {
    const qsizetype colon = line.indexOf(':');
    return (colon < 0 ? line : line.first(colon))
        .toByteArray()
        .toUpper()
        .contains("QUOTED-PRINTABLE");
}

bool isFolded(QByteArrayView line) {
    return line.startsWith(' ') || line.startsWith('\t');
}

bool isMarker(const Property& p, QByteArrayView name) {
    return p.is(name) && same(p.value.trimmed(), "VCARD");
}

}  // namespace

QByteArray write(const QList<Card>& cards, Version version) {
    const bool v4 = version == Version::V4;
    QByteArray out;
    out.reserve(cards.size() * 200);
    for (const Card& card : cards) {
        const auto line = [&out](const QString& name, const QString& value) {
            if (!value.isEmpty()) appendLine(out, name + u':' + escaped(value));
        };
        out.append("BEGIN:VCARD\r\n");
        out.append(v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n");
        appendLine(out, QStringLiteral("FN:") +
                            escaped(joinedNonEmpty({card.first, card.middle, card.last},
                                                   QStringLiteral(" "))));
        appendLine(out, QStringLiteral("N:%1;%2;%3;;")
                            .arg(escaped(card.last), escaped(card.first), escaped(card.middle)));
        if (card.sex == u"M" || card.sex == u"F")
            line(v4 ? QStringLiteral("GENDER") : QStringLiteral("X-GENDER"), card.sex);
        else
            line(QStringLiteral("X-VEMORA-SEX"), card.sex);
        if (!card.address.isEmpty())
            appendLine(out, QStringLiteral("ADR:;;%1;;;;").arg(escaped(card.address)));
        const QString tel =
            v4 ? QStringLiteral("TEL;VALUE=text;TYPE=") : QStringLiteral("TEL;TYPE=");
        line(tel + QStringLiteral("voice"), card.phone);
        line(tel + QStringLiteral("cell"), card.cellular);
        line(tel + QStringLiteral("fax"), card.fax);
        line(QStringLiteral("EMAIL"), card.email);
        line(QStringLiteral("ORG"), card.organisation);
        out.append("END:VCARD\r\n");
    }
    return out;
}

ReadCards read(const QByteArray& bytes) {
    const QByteArray text = formats::unicodeAsUtf8(bytes, u'B');
    const QList<QByteArrayView> lines = [&text] {
        QList<QByteArrayView> out;
        QByteArrayView rest = formats::withoutBom(text);
        while (!rest.isEmpty()) {
            qsizetype end = rest.indexOf('\n');
            if (end < 0) end = rest.size();
            QByteArrayView line = rest.first(end);
            if (line.endsWith('\r')) line.chop(1);
            out.append(line);
            rest = rest.sliced(qMin(end + 1, rest.size()));
        }
        return out;
    }();

    ReadCards result;
    std::optional<OpenCard> open;
    int count = 0;
    const auto unfinished = [&result, &open] {
        result.problems.append(open->label() + QStringLiteral(": it has no END:VCARD line."));
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i) + 1;
        QByteArrayView line = lines[i];
        QByteArray joined;  // a line continued on the next ones
        const auto extend = [&](QByteArrayView head, QByteArrayView more) {
            if (head.data() == joined.constData())
                joined.truncate(head.size());
            else
                joined = head.toByteArray();
            line = joined.append(more);
        };
        while (i + 1 < lines.size()) {
            if (line.endsWith('=') && quotedPrintable(line)) {
                extend(line.chopped(1), lines[++i]);  // a soft line break
            } else if (isFolded(lines[i + 1])) {
                // 2.1 folds before a blank that stays; 3.0 and 4.0 insert the blank.
                ++i;
                extend(line, open && open->v21 ? lines[i] : lines[i].sliced(1));
            } else {
                break;
            }
        }
        if (line.trimmed().isEmpty()) continue;
        const std::optional<Property> p = parseLine(line);
        if (p && isMarker(*p, "BEGIN")) {
            if (open) unfinished();
            open.emplace();
            open->index = ++count;
        } else if (!open) {
            continue;  // outside a card
        } else if (p && isMarker(*p, "END")) {
            if (open->badLine)
                result.problems.append(
                    open->label() +
                    QStringLiteral(": line %1 is not a property.").arg(open->badLine));
            else
                result.cards.append(open->finished());
            open.reset();
        } else if (p) {
            open->take(*p);
        } else if (!open->afterBase64 && !open->badLine) {
            open->badLine = number;
        }
    }
    if (open) unfinished();
    return result;
}

bool recognises(const QByteArray& bytes) {
    return formats::firstBegin(formats::unicodeAsUtf8(bytes, u'B')) == "VCARD";
}

}  // namespace vemora::vcard
