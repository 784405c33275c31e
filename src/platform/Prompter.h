#pragma once

#include <QString>

namespace vemora {

// Message-box styles as the windows name them: buttons plus icon.
enum MsgStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbRetryCancel = 5,
    // Restore (answered Yes) and Discard (answered No); a box closed otherwise answers Cancel.
    vbRestoreDiscard = 6,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    // No instead of Yes (Cancel instead of Retry) is pressed by Enter.
    vbDefaultButton2 = 256,
};

enum class Answer { Ok, Yes, No, Retry, Cancel };

// Every message box of the programs goes through here.
class Prompter {
public:
    virtual ~Prompter() = default;
    // Line breaks in text are CR LF.
    virtual Answer show(const QString& text, const QString& title, int style) = 0;
};

}  // namespace vemora
