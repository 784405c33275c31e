#pragma once

#include "data/SearchText.h"
#include "platform/Platform.h"

#include <QDate>
#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class frmFind;
}

namespace vemora {

class SearchResults;

// Finds the logged-in user's diary and planner texts as words are typed, or lists the texts of
// the same day in earlier years. Choosing a result shows its day in its tab.
class frmFind final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFind)
public:
    explicit frmFind(Platform& platform, QWidget* parent = nullptr);
    ~frmFind() override;

    // The day "On this day" looks back from.
    void setDay(QDate day);
    // Lists the texts of the day's month and day in earlier years.
    void showOnThisDay();
    // Runs the search of the typed words now rather than after the pause in typing.
    void searchNow();
    SearchResults* results() const { return m_results; }

signals:
    void dayChosen(QDate day, vemora::SearchPlace place);

private:
    void showChosen();
    void showCount(const QString& onThisDay = {});

    Platform& m_platform;
    std::unique_ptr<::Ui::frmFind> m_ui;
    SearchResults* m_results;
    QTimer* m_pause;
};

}  // namespace vemora
