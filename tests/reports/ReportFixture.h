#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPaintDevice>
#include <memory>

#include "data/Recordset.h"
#include "reports/ReportLayout.h"
#include "support/TestPlatform.h"

namespace vemora::test {

inline const QSize kLetter(12240, 15840);

// A text run as painted: its text, its line's box in device units, the font family used.
struct PaintedText {
    QString text;
    QRectF box;
    QString family;
};

// A letter-size paint device at 1440 dots per inch, so in twips, that keeps the text drawn.
class TextRecorder final : public QPaintDevice {
public:
    TextRecorder();
    ~TextRecorder() override;
    QPaintEngine* paintEngine() const override { return m_engine.get(); }
    // The first run whose trimmed text is the given one; nullptr when none is.
    const PaintedText* find(const QString& text) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<QPaintEngine> m_engine;
};

// Page 1 of the report over the rows, on a white letter-size image or on a recorder.
QImage paintPage(const ReportLayout& layout, const Recordset& rows, int dpi);
std::unique_ptr<TextRecorder> recordPage(const ReportLayout& layout, const Recordset& rows);

// Ann logged in; she and Bob each have an entry, a plan and a contact John Q Public on
// kDay; Bob stored the word "Serendipity". Previews opened by a test close with it.
class ReportTest : public ::testing::Test {
protected:
    ReportTest();
    ~ReportTest() override;

    inline static const QDate kDay{2024, 3, 15};
    TestPlatform tp;
    int ann = 0;
    int bob = 0;
};

}  // namespace vemora::test
