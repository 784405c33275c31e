#pragma once

#include "data/Recordset.h"
#include "reports/ReportLayout.h"
#include "support/TestPlatform.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>

#include <gtest/gtest.h>

#include <memory>

namespace vemora::test {

// A text run as painted: its text, the box of its line in device units, the font family used
// (without its foundry).
struct PaintedText {
    QString text;
    QRectF box;
    QString family;
};

// A paint device at 1440 dots per inch, so its units are twips, that keeps the text drawn on it.
class TextRecorder final : public QPaintDevice {
public:
    TextRecorder();
    ~TextRecorder() override;

    QPaintEngine* paintEngine() const override;
    const QList<PaintedText>& texts() const;
    // The first run whose text, trimmed, equals the given one; nullptr when none does.
    const PaintedText* find(const QString& text) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<QPaintEngine> m_engine;
};

// Page 0 of the report over the rows, painted on a white letter-size image at `dpi`.
QImage paintPage(const ReportLayout& layout, const Recordset& rows, int dpi = 96);
// Page 0 of the report over the rows, on a text recorder.
std::unique_ptr<TextRecorder> recordPage(const ReportLayout& layout, const Recordset& rows);

inline const QSize kLetter(12240, 15840);

// Ann, logged in, with a diary entry, a plan and a contact; Bob with the same day and names.
// Previews opened by a test are closed with it.
class ReportTest : public ::testing::Test {
protected:
    ReportTest();
    ~ReportTest() override;

    static const QDate kDay;
    TestPlatform tp;
    int ann = 0;
    int bob = 0;
};

}  // namespace vemora::test
