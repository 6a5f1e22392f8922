// Answers the modal windows a test expects, through the modal-window hook.
//
//     TDialogAnswers answers;
//     answers.Expect("Fill", [](kv::TDesignWindow* w) { ...; w->SetModalResult(kv::mrOk); });
//     RunWhatShowsTheFillDialog();
//     answers.Check();   // (the destructor checks too)
//
// Each answer runs inside the window's modal loop once it shows, in the order expected; a
// window that shows inside an answer (a nested dialog) takes the next answer. A window shown
// when no answer is left, a caption other than the expected one, an answer that leaves its
// window open and an expected window that never showed all fail the test at once, and the
// window is cancelled: nothing waits for a window that is not answered.
#pragma once

#include "platform/design/DesignForms.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <deque>
#include <functional>

namespace kvtest {

class TDialogAnswers
{
public:
    using TAnswer = std::function<void(kv::TDesignWindow* window)>;

    TDialogAnswers()
    {
        FOld = kv::SetModalWindowHook([this](kv::TDesignWindow* window) { Answer(window); });
    }
    ~TDialogAnswers()
    {
        Check();
        kv::SetModalWindowHook(FOld);
    }
    TDialogAnswers(const TDialogAnswers&) = delete;
    TDialogAnswers& operator=(const TDialogAnswers&) = delete;

    // The next window to show has the caption (any caption when null) and is answered by answer.
    TDialogAnswers& Expect(const QString& caption, TAnswer answer)
    {
        FAnswers.push_back({caption, std::move(answer)});
        return *this;
    }
    // Fails for each expected window that has not shown, and forgets them.
    void Check()
    {
        for (const TExpected& expected : FAnswers)
            ADD_FAILURE() << "the window \"" << expected.Caption.toStdString() << "\" did not show";
        FAnswers.clear();
    }
    int Shown() const { return FShown; }

private:
    struct TExpected
    {
        QString Caption;
        TAnswer Answer;
    };

    void Answer(kv::TDesignWindow* window)
    {
        ++FShown;
        if (FAnswers.empty()) {
            ADD_FAILURE() << "unexpected window \"" << window->GetCaption().toStdString() << "\"";
            window->SetModalResult(kv::mrCancel);
            return;
        }
        TExpected expected = std::move(FAnswers.front());
        FAnswers.pop_front();
        if (!expected.Caption.isNull() && window->GetCaption() != expected.Caption) {
            ADD_FAILURE() << "the window \"" << window->GetCaption().toStdString() << "\" showed, not \""
                          << expected.Caption.toStdString() << "\"";
            window->SetModalResult(kv::mrCancel);
            return;
        }
        expected.Answer(window);
        if (window->IsModal()) {
            ADD_FAILURE() << "the answer left the window \"" << window->GetCaption().toStdString() << "\" open";
            window->SetModalResult(kv::mrCancel);
        }
    }

    kv::TModalWindowHook FOld;
    std::deque<TExpected> FAnswers;
    int FShown = 0;
};

// The dialog object of type T that owns the window; fails when the owner is another.
template <typename T>
T* OwnerOf(kv::TDesignWindow* window)
{
    T* owner = window ? dynamic_cast<T*>(window->GetOwner()) : nullptr;
    if (!owner)
        ADD_FAILURE() << "the window is not owned by the expected dialog";
    return owner;
}

} // namespace kvtest
