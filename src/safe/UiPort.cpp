#include "safe/UiPort.h"

namespace tav {

Answer defaultAnswer(const Message& m) {
    const bool second = m.defaultButton == DefaultButton::Second;
    switch (m.buttons) {
        case Buttons::OK: return Answer::OK;
        case Buttons::OKCancel: return second ? Answer::Cancel : Answer::OK;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return second ? Answer::No : Answer::Yes;
        case Buttons::RetryCancel: return second ? Answer::Cancel : Answer::Retry;
        case Buttons::AbortRetryIgnore: return Answer::Abort;
    }
    return Answer::OK;
}

}  // namespace tav
