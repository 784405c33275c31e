#include "ReportFixture.h"

#include "data/Statement.h"
#include "reports/Print.h"
#include "reports/ReportRenderer.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextItem>

#include <climits>

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
        const QFontMetricsF metrics(item.font(), paintDevice());
        const QPointF at = painter()->transform().map(p);
        texts.append({item.text(), QRectF(at.x(), at.y() - metrics.ascent(),
                                          metrics.horizontalAdvance(item.text()),
                                          metrics.ascent() + metrics.descent()),
                         QFontInfo(item.font()).family().section(QStringLiteral(" ["), 0, 0)});
    }
    Type type() const override { return User; }
};

}  // namespace

TextRecorder::TextRecorder() : m_engine(std::make_unique<RecordingEngine>()) {}
TextRecorder::~TextRecorder() = default;

QPaintEngine* TextRecorder::paintEngine() const { return m_engine.get(); }

const QList<PaintedText>& TextRecorder::texts() const {
    return static_cast<RecordingEngine*>(m_engine.get())->texts;
}

const PaintedText* TextRecorder::find(const QString& text) const {
    for (const PaintedText& t : texts())
        if (t.text.trimmed() == text) return &t;
    return nullptr;
}

int TextRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth: return kLetter.width();
        case PdmHeight: return kLetter.height();
        case PdmWidthMM: return 216;
        case PdmHeightMM: return 279;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return kTwipsPerInch;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return QPaintDevice::metric(metric);
    }
}

namespace {
void paintFirstPage(QPaintDevice& device, const ReportLayout& layout, const Recordset& rows) {
    const ReportRenderer renderer(layout, rows);
    QPainter painter(&device);
    renderer.paintPage(painter, renderer.paginate(kLetter).at(0));
}
}  // namespace

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

const QDate ReportTest::kDay(2024, 3, 15);

ReportTest::ReportTest() {
    ann = tp.addUser(QStringLiteral("ann"), QStringLiteral("pw"), QStringLiteral("Ann"));
    bob = tp.addUser(QStringLiteral("bob"), QStringLiteral("pw"), QStringLiteral("Bob"));
    for (int user : {ann, bob}) {
        const QString owner = user == ann ? QStringLiteral("Ann") : QStringLiteral("Bob");
        tp.query(Statement("INSERT INTO diary_tbl VALUES (").number(user).sql(", ").date(kDay)
                     .sql(", ").text(owner + QStringLiteral(" wrote this")).sql(")"));
        tp.query(Statement("INSERT INTO planner_tbl VALUES (").number(user).sql(", ").date(kDay)
                     .sql(", ").text(owner + QStringLiteral(" am")).sql(", ")
                     .text(owner + QStringLiteral(" pm")).sql(", ")
                     .text(owner + QStringLiteral(" quote")).sql(")"));
        tp.query(Statement("INSERT INTO addressbook_tbl VALUES (").number(user)
                     .sql(", 'John', 'Q', 'Public', 'M', ").text(owner + QStringLiteral(" street"))
                     .sql(", '1', '2', '3', 'john@example.com')"));
    }
    tp.query(Statement("INSERT INTO dictionary_tbl VALUES (").number(bob)
                 .sql(", 'Serendipity', 'A happy accident')"));
    tp.loginAs(ann);
}

ReportTest::~ReportTest() { closeReportPreviews(); }

}  // namespace vemora::test
