#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <utility>

// A dialog hands over its answer before it closes. An answer that opens a
// box at once (a refusal, a run that ends at its first step) would put it
// under the dialog still on screen, which stays on top: the user sees a
// dialog that no longer answers and cannot read why.
namespace DialogAnswer {

// The answer, run on the next pass of the event loop, once the dialog that
// gave it has closed; dropped when context is gone by then.
template <typename Answer>
auto afterClose(QObject *context, Answer answer)
{
    return [context = QPointer<QObject>(context), answer = std::move(answer)](auto... args) {
        if (context)
            QTimer::singleShot(0, context.data(), [answer, args...]() { answer(args...); });
    };
}

} // namespace DialogAnswer
