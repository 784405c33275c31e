#include "ReportFixture.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>

#include "data/Statement.h"
#include "reports/Print.h"
#include "reports/ReportRenderer.h"

namespace vemora::test {

namespace {

class RecordingEngine final : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(AllFeatures) {}
    QList<PaintedText> texts;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QFontMetricsF m(item.font(), paintDevice());
        const QPointF at = painter()->transform().map(p);
        texts.append({item.text(),
                      {at.x(), at.y() - m.ascent(), m.horizontalAdvance(item.text()), m.height()},
                      QFontInfo(item.font()).family().section(QStringLiteral(" ["), 0, 0)});
    }
    Type type() const override { return User; }
};

void paintFirstPage(QPaintDevice& device, const ReportLayout& layout, const Recordset& rows) {
    const ReportRenderer renderer(layout, rows);
    QPainter painter(&device);
    renderer.paintPage(painter, renderer.paginate(kLetter).at(0));
}

}  // namespace

TextRecorder::TextRecorder() : m_engine(std::make_unique<RecordingEngine>()) {}
TextRecorder::~TextRecorder() = default;

const PaintedText* TextRecorder::find(const QString& text) const {
    for (const PaintedText& t : static_cast<RecordingEngine*>(m_engine.get())->texts)
        if (t.text.trimmed() == text) return &t;
    return nullptr;
}

int TextRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return kLetter.width();
        case PdmHeight:
            return kLetter.height();
        case PdmWidthMM:
            return 216;
        case PdmHeightMM:
            return 279;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kTwipsPerInch;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 32;  // colour depth
    }
}

QImage paintPage(const ReportLayout& layout, const Recordset& rows, int dpi) {
    QImage image(kLetter * dpi / kTwipsPerInch, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    paintFirstPage(image, layout, rows);
    return image;
}

std::unique_ptr<TextRecorder> recordPage(const ReportLayout& layout, const Recordset& rows) {
    auto recorder = std::make_unique<TextRecorder>();
    paintFirstPage(*recorder, layout, rows);
    return recorder;
}

ReportTest::ReportTest() {
    ann = tp.addUser(QStringLiteral("ann"), QStringLiteral("pw"), QStringLiteral("Ann"));
    bob = tp.addUser(QStringLiteral("bob"), QStringLiteral("pw"), QStringLiteral("Bob"));
    for (const auto& [user, owner] :
         {std::pair{ann, QStringLiteral("Ann")}, {bob, QStringLiteral("Bob")}}) {
        auto insert = [&](const char* table, QStringList values) {
            Statement s(QStringLiteral("INSERT INTO %1 VALUES (").arg(QLatin1String(table)));
            s.number(user);
            for (const QString& v : values) s.sql(", ").text(v);
            tp.query(s.sql(")"));
        };
        const QString day = kDay.toString(Qt::ISODate);
        insert("diary_tbl", {day, owner + QStringLiteral(" wrote this")});
        insert("planner_tbl", {day, owner + QStringLiteral(" am"), owner + QStringLiteral(" pm"),
                               owner + QStringLiteral(" quote")});
        insert("addressbook_tbl", {QStringLiteral("John"),
                                   QStringLiteral("Q"),
                                   QStringLiteral("Public"),
                                   QStringLiteral("M"),
                                   owner + QStringLiteral(" street"),
                                   {},
                                   {},
                                   {},
                                   {}});
    }
    tp.query(Statement("INSERT INTO dictionary_tbl VALUES (")
                 .number(bob)
                 .sql(", 'Serendipity', 'A happy accident')"));
    tp.loginAs(ann);
}

ReportTest::~ReportTest() {
    closeReportPreviews();
}

}  // namespace vemora::test
