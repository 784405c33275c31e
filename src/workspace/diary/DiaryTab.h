#pragma once

#include "data/DbError.h"
#include "platform/Platform.h"

#include <QDate>
#include <QWidget>

#include <memory>

namespace Ui {
class DiaryTab;
}

namespace vemora {

class DayEntry;

// The diary: one text per user and day. Changing the picker's date loads nothing; a day
// clicked on the calendar is loaded.
class DiaryTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DiaryTab)
public:
    explicit DiaryTab(Platform& platform, QWidget* parent = nullptr);
    ~DiaryTab() override;

    // Shows the picker's day; a failure is returned to the caller, not shown.
    Status LoadDiary();
    // Shows entries that came from elsewhere, keeping what the user is typing.
    void showNewEntries();
    // Writes what was typed and not saved as the user's draft of the day shown.
    void keepDraft();
    // Shows the day as a click on it in the calendar does.
    void showDay(QDate day);

signals:
    // Find... or On this day was clicked, with the chosen day.
    void findRequested(QDate day, bool onThisDay);

private:
    void printDiary();

    Platform& m_platform;
    std::unique_ptr<::Ui::DiaryTab> m_ui;
    DayEntry* m_entry;
};

}  // namespace vemora
