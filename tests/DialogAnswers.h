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
//
// A message box of the system's own (MessageBox without a message box hook) is answered the
// same way, through ExpectMessageBox: the answer runs inside the box's modal loop once it shows.
#pragma once

#include "platform/design/DesignForms.h"

#include "TestSupport.h"

#include <QtCore/QPointer>
#include <QtWidgets/QMessageBox>

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
        QCoreApplication::instance()->removeEventFilter(&FBoxWatch);
    }
    TDialogAnswers(const TDialogAnswers&) = delete;
    TDialogAnswers& operator=(const TDialogAnswers&) = delete;

    // The next window to show has the caption (any caption when null) and is answered by answer.
    TDialogAnswers& Expect(const QString& caption, TAnswer answer)
    {
        FAnswers.push_back({caption, std::move(answer)});
        return *this;
    }
    // The next message box to show has the caption and is answered by answer, which closes it.
    TDialogAnswers& ExpectMessageBox(const QString& caption, std::function<void(QMessageBox* box)> answer)
    {
        if (FBoxes.empty())
            QCoreApplication::instance()->installEventFilter(&FBoxWatch);
        FBoxes.push_back({caption, std::move(answer)});
        return *this;
    }
    // Fails for each expected window that has not shown, and forgets them.
    void Check()
    {
        for (const TExpected& expected : FAnswers)
            ADD_FAILURE() << "the window \"" << expected.Caption.toStdString() << "\" did not show";
        FAnswers.clear();
        for (const TExpectedBox& expected : FBoxes)
            ADD_FAILURE() << "the message box \"" << expected.Caption.toStdString() << "\" did not show";
        FBoxes.clear();
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

    struct TExpectedBox
    {
        QString Caption;
        std::function<void(QMessageBox* box)> Answer;
    };
    // Sees each message box show and answers it from inside its modal loop.
    struct TBoxWatch : QObject
    {
        TDialogAnswers* Owner;
        explicit TBoxWatch(TDialogAnswers* owner) : Owner(owner) {}
        bool eventFilter(QObject* object, QEvent* event) override
        {
            if (event->type() == QEvent::Show)
                if (auto* box = qobject_cast<QMessageBox*>(object))
                    QMetaObject::invokeMethod(
                        this, [owner = Owner, guarded = QPointer<QMessageBox>(box)] { owner->AnswerBox(guarded); },
                        Qt::QueuedConnection);
            return false;
        }
    };

    void AnswerBox(QMessageBox* box)
    {
        if (!box || !box->isVisible())
            return;
        ++FShown;
        if (FBoxes.empty()) {
            ADD_FAILURE() << "unexpected message box \"" << box->windowTitle().toStdString() << "\"";
            box->reject();
            return;
        }
        TExpectedBox expected = std::move(FBoxes.front());
        FBoxes.pop_front();
        if (box->windowTitle() != expected.Caption) {
            ADD_FAILURE() << "the message box \"" << box->windowTitle().toStdString() << "\" showed, not \""
                          << expected.Caption.toStdString() << "\"";
            box->reject();
            return;
        }
        const QPointer<QMessageBox> guarded(box);
        expected.Answer(box);
        if (guarded && guarded->isVisible()) {
            ADD_FAILURE() << "the answer left the message box \"" << expected.Caption.toStdString() << "\" open";
            guarded->reject();
        }
    }

    kv::TModalWindowHook FOld;
    std::deque<TExpected> FAnswers;
    std::deque<TExpectedBox> FBoxes;
    TBoxWatch FBoxWatch{this};
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
