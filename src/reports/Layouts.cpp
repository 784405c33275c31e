#include "reports/Layouts.h"

namespace vemora::layouts {

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGray = 0x808080;
constexpr QRgb kDarkGray = 0x404040;

FontSpec arial(double size, bool bold, bool italic) {
    return {QStringLiteral("Arial"), size, bold, italic};
}
FontSpec times(double size, bool bold = false, bool italic = false) {
    return {QStringLiteral("Times New Roman"), size, bold, italic};
}
FontSpec corsiva(double size) {
    return {QStringLiteral("Monotype Corsiva"), size, false, true};
}

Control label(const QString& name, QRect box, const QString& caption, FontSpec font,
              Qt::Alignment alignment = Qt::AlignLeft, QColor color = Qt::black) {
    Control c;
    c.name = name;
    c.kind = ControlKind::Label;
    c.box = box;
    c.caption = caption;
    c.font = std::move(font);
    c.alignment = alignment;
    c.foreColor = color;
    return c;
}

// White, right-aligned, on a gray bar.
Control barLabel(const QString& name, QRect box, const QString& caption, FontSpec font) {
    return label(name, box, caption, std::move(font), Qt::AlignRight, QColor(kWhite));
}

// The footer on the lower gray bar of a detail section.
Control poweredBy(QRect box) {
    return barLabel(QStringLiteral("Label6"), box,
                    QStringLiteral("Powered by: Kelvo's Vemora v1.0"), arial(8.25, true, true));
}

Control field(const QString& name, QRect box, const QString& column, FontSpec font,
              QColor color = Qt::black) {
    Control c;
    c.name = name;
    c.kind = ControlKind::Field;
    c.box = box;
    c.column = column;
    c.font = std::move(font);
    c.foreColor = color;
    return c;
}

Control dateField(const QString& name, QRect box, const QString& column) {
    Control c = field(name, box, column, arial(9, true, true), QColor(kWhite));
    c.isDate = true;
    return c;
}

Control shape(const QString& name, ControlKind kind, QRect box) {
    Control c;
    c.name = name;
    c.kind = kind;
    c.box = box;
    return c;
}

Control outline(const QString& name, QRect box) {
    return shape(name, ControlKind::Rectangle, box);
}
Control rounded(const QString& name, QRect box) {
    return shape(name, ControlKind::RoundedRectangle, box);
}

Control grayBar(const QString& name, QRect box) {
    Control c = shape(name, ControlKind::Rectangle, box);
    c.foreColor = QColor(kGray);
    c.fillColor = QColor(kGray);
    return c;
}

Control line(const QString& name, QRect box, QColor color = Qt::black) {
    Control c = shape(name, ControlKind::Line, box);
    c.foreColor = color;
    return c;
}

Section band(int height, QList<Control> controls = {}) {
    return {{}, height, std::move(controls)};
}

// Report header, page header (always empty), detail, page footer, report footer.
QList<Section> sections(Section reportHeader, Section detail, Section pageFooter,
                        Section reportFooter) {
    reportHeader.name = QStringLiteral("Section4");
    detail.name = QStringLiteral("Section1");
    pageFooter.name = QStringLiteral("Section3");
    reportFooter.name = QStringLiteral("Section5");
    return {std::move(reportHeader), Section{QStringLiteral("Section2"), 0, {}}, std::move(detail),
            std::move(pageFooter), std::move(reportFooter)};
}

}  // namespace

ReportLayout DataDiaryReport() {
    ReportLayout r;
    r.name = QStringLiteral("DataDiaryReport");
    r.caption = QStringLiteral("Data Diary Report");
    r.width = 8796;
    r.sections = sections(
        band(735,
             {label(QStringLiteral("Label1"), {0, 0, 3450, 432}, QStringLiteral("My Diary"),
                    times(18, true, true)),
              label(QStringLiteral("Label2"), {0, 432, 3450, 300}, {}, times(12, true, true))}),
        band(12225, {outline(QStringLiteral("Shape6"), {0, 0, 8790, 11811}),
                     rounded(QStringLiteral("Shape2"), {864, 1008, 7056, 10080}),
                     grayBar(QStringLiteral("Shape4"), {0, 0, 8775, 285}),
                     barLabel(QStringLiteral("Label3"), {7056, 0, 870, 240},
                              QStringLiteral("Date:"), arial(9, true, true)),
                     grayBar(QStringLiteral("Shape5"), {0, 11520, 8775, 285}),
                     poweredBy({5904, 11520, 2745, 285}),
                     field(QStringLiteral("txtdiary_message"), {1296, 1440, 6195, 9216},
                           QStringLiteral("diary_message"), corsiva(12.75)),
                     label(QStringLiteral("Label4"), {864, 576, 2304, 384},
                           QStringLiteral("Diary message:"), times(12, true, true)),
                     dateField(QStringLiteral("txtdiary_date"), {7920, 0, 876, 240},
                               QStringLiteral("diary_date"))}),
        band(360), band(360));
    return r;
}

ReportLayout DataPlanner() {
    ReportLayout r;
    r.name = QStringLiteral("DataPlanner");
    r.caption = QStringLiteral("Data Planner Report");
    r.width = 8790;
    r.sections = sections(
        band(735,
             {label(QStringLiteral("Label5"), {0, 0, 2730, 420}, QStringLiteral("Planner Report"),
                    times(15.75, true, true)),
              label(QStringLiteral("Label7"), {0, 432, 1860, 300},
                    QStringLiteral("From the desk of"), times(12, true, true)),
              label(QStringLiteral("Label8"), {1872, 432, 2595, 300}, {}, times(12, true, true))}),
        band(10080, {outline(QStringLiteral("Shape6"), {0, 0, 8790, 9795}),
                     rounded(QStringLiteral("Shape3"), {1008, 6480, 6915, 2733}),
                     rounded(QStringLiteral("Shape2"), {1008, 3600, 6915, 2592}),
                     rounded(QStringLiteral("Shape1"), {1008, 720, 6915, 2610}),
                     label(QStringLiteral("Label4"), {1152, 6540, 1305, 240},
                           QStringLiteral("Daily Quote:"), arial(9, true, false)),
                     label(QStringLiteral("Label3"), {1152, 3640, 570, 240}, QStringLiteral("PM:"),
                           arial(9.75, true, false)),
                     label(QStringLiteral("Label2"), {1152, 750, 570, 240}, QStringLiteral("AM:"),
                           arial(9.75, true, false)),
                     grayBar(QStringLiteral("Shape4"), {0, 0, 8790, 285}),
                     dateField(QStringLiteral("txtplanner_date"), {7920, 0, 861, 240},
                               QStringLiteral("planner_date")),
                     barLabel(QStringLiteral("Label1"), {6912, 0, 870, 240},
                              QStringLiteral("Date:"), arial(9, true, true)),
                     field(QStringLiteral("txttime_am"), {1152, 1008, 6615, 2172},
                           QStringLiteral("time_am"), times(9.75)),
                     field(QStringLiteral("txttime_pm"), {1152, 3888, 6615, 2145},
                           QStringLiteral("time_pm"), times(9.75)),
                     field(QStringLiteral("txtplanner_msg"), {1152, 6768, 6624, 2313},
                           QStringLiteral("planner_msg"), corsiva(11.25)),
                     line(QStringLiteral("Line1"), {1008, 1008, 6912, 0}),
                     line(QStringLiteral("Line2"), {1008, 3888, 6900, 0}),
                     line(QStringLiteral("Line3"), {1008, 6768, 6915, 0}),
                     grayBar(QStringLiteral("Shape5"), {0, 9792, 8790, 285}),
                     poweredBy({5904, 9792, 2745, 285})}),
        band(0), band(60));
    return r;
}

ReportLayout DataDictionary() {
    ReportLayout r;
    r.name = QStringLiteral("DataDictionary");
    r.caption = QStringLiteral("Data Dictionary Report");
    r.width = 8790;
    r.sections =
        sections(band(495, {label(QStringLiteral("Label1"), {0, 0, 2310, 420},
                                  QStringLiteral("My Dictionary"), times(15.75, true, true))}),
                 band(5475, {outline(QStringLiteral("Shape6"), {0, 0, 8790, 5460}),
                             grayBar(QStringLiteral("Shape4"), {0, 0, 8790, 285}),
                             grayBar(QStringLiteral("Shape5"), {0, 5184, 8790, 285}),
                             poweredBy({5904, 5184, 2745, 285}),
                             rounded(QStringLiteral("Shape1"), {1152, 864, 3312, 276}),
                             rounded(QStringLiteral("Shape2"), {1152, 1872, 6915, 3024}),
                             field(QStringLiteral("txtdict_name"), {1440, 864, 2880, 270},
                                   QStringLiteral("dict_name"), times(11.25)),
                             label(QStringLiteral("Label2"), {1152, 576, 1305, 240},
                                   QStringLiteral("Word:"), arial(9.75, true, false)),
                             field(QStringLiteral("txtdict_description"), {1440, 2160, 6336, 2448},
                                   QStringLiteral("dict_description"), times(11.25)),
                             label(QStringLiteral("Label3"), {1152, 1584, 1290, 390},
                                   QStringLiteral("Description:"), arial(9.75, true, false))}),
                 band(360), band(360));
    return r;
}

ReportLayout DataReportAddressBook() {
    struct Row {
        int top;
        const char16_t* field;
        const char16_t* column;
        const char16_t* label;
        const char16_t* caption;
    };
    static constexpr Row kRows[] = {
        {144, u"txtname", u"name", u"Label4", u"Name:"},
        {576, u"txtmiddle_name", u"middle_name", u"Label5", u"Middle name:"},
        {1008, u"txtlast_name", u"last_name", u"Label6", u"Last name:"},
        {1440, u"txtSex", u"Sex", u"Label7", u"Sex:"},
        {1872, u"txtaddress", u"address", u"Label8", u"Address:"},
        {2736, u"txtphone_num", u"phone_num", u"Label9", u"Phone #:"},
        {3168, u"txtcel_num", u"cel_num", u"Label10", u"Cellular #:"},
        {3600, u"txtfax_num", u"fax_num", u"Label11", u"Fax #:"},
        {4032, u"txtemail", u"email", u"Label12", u"E-mail:"},
    };

    Section detail = band(4464, {outline(QStringLiteral("Shape1"), {0, 0, 8790, 4464})});
    for (const Row& row : kRows) {
        const QString column = QString::fromUtf16(row.column);
        const int height = column == u"address" ? 720 : 240;
        detail.controls.append(field(QString::fromUtf16(row.field), {1728, row.top, 4608, height},
                                     column, times(11.25, false, true)));
        detail.controls.append(label(QString::fromUtf16(row.label), {144, row.top, 1300, 240},
                                     QString::fromUtf16(row.caption), arial(9.75, true, false),
                                     Qt::AlignRight));
    }
    detail.controls.append(line(QStringLiteral("Line1"), {1584, 0, 0, 4464}, QColor(kDarkGray)));

    ReportLayout r;
    r.name = QStringLiteral("DataReportAddressBook");
    r.caption = QStringLiteral("Data Addressbook Report");
    r.width = 8793;
    r.sections =
        sections(band(1143, {label(QStringLiteral("Label1"), {144, 144, 4032, 420},
                                   QStringLiteral("ADDRESS BOOK REPORT"), times(14.25, true, true)),
                             label(QStringLiteral("Label2"), {144, 720, 1290, 285},
                                   QStringLiteral("Information"), times(12, true, true)),
                             grayBar(QStringLiteral("Shape2"), {0, 1008, 8790, 135})}),
                 std::move(detail), band(135),
                 band(435, {grayBar(QStringLiteral("Shape3"), {0, 0, 8784, 135}),
                            label(QStringLiteral("Label3"), {6048, 144, 2745, 285},
                                  QStringLiteral("Powered By: Kelvo's Vemora v1.0"),
                                  arial(8.25, true, true), Qt::AlignLeft, QColor(kDarkGray))}));
    return r;
}

}  // namespace vemora::layouts
