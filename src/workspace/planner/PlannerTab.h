#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QDate>
#include <QWidget>

#include <memory>

namespace Ui {
class PlannerTab;
}

namespace vemora {

class DayEntry;

// The planner: a morning text, an afternoon text and a quote per user and day. Changing the
// picker's date or clicking a day on the calendar loads that day's plan.
class PlannerTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlannerTab)
public:
    explicit PlannerTab(Platform& platform, QWidget* parent = nullptr);
    ~PlannerTab() override;

    // Shows the picker's day; a failure is returned to the caller, not shown.
    Status LoadPlan();
    // Shows entries that came from elsewhere, keeping what the user is typing.
    void showNewEntries();
    // Writes what was typed and not saved as the user's draft of the day shown.
    void keepDraft();
    // Shows the day as a click on it in the calendar does.
    void showDay(QDate day);

signals:
    // Find... or On this day was clicked, with the chosen day.
    void findRequested(QDate day, bool onThisDay);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearPlan();
    void printPlan();

    Platform& m_platform;
    std::unique_ptr<::Ui::PlannerTab> m_ui;
    DayEntry* m_entry;
};

}  // namespace vemora
