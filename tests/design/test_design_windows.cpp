// The design windows' controls: one event rule (a change event for each change, by the user or
// by code; none under a blocker) and the window's modal result from its buttons.
#include "platform/design/DesignForms.h"

#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSlider>

#include <stdexcept>

using namespace kv;

namespace {

struct TEventsWindow
{
    TDesignWindow Window{QStringLiteral("Events"), fkDialog};
    TDesignEdit* Edit = Window.Add<TDesignEdit>();
    TDesignTrackBar* Track = Window.Add<TDesignTrackBar>(0, 10);
    TDesignComboBox* Combo = Window.Add<TDesignComboBox>();
    TDesignRadioGroup* Radios = Window.Add<TDesignRadioGroup>(QStringLiteral("Kind"), QStringList{"x", "y"});
    TDesignButton* Ok = Window.Add<TDesignButton>(QStringLiteral("OK"));
    QStringList Events;

    TEventsWindow()
    {
        Combo->Add(QStringLiteral("a"));
        Combo->Add(QStringLiteral("b"));
        TDesignContainer* body = Window.Body();
        body->Place(Edit, 0, 0);
        body->Place(Track, 1, 0);
        body->Place(Combo, 2, 0);
        body->Place(Radios, 3, 0);
        body->Place(Ok, 4, 0);
        Ok->SetModalResult(mrOk);
        Edit->OnChange = [this](TDesignEdit*) { Events << "edit " + Edit->GetText(); };
        Track->OnChange = [this](TDesignTrackBar*) { Events << "track " + QString::number(Track->GetPosition()); };
        Combo->OnChange = [this](TDesignComboBox*) { Events << "combo " + QString::number(Combo->GetItemIndex()); };
        Radios->OnClick = [this](TDesignRadioGroup*) { Events << "radio " + QString::number(Radios->GetItemIndex()); };
        Ok->OnClick = [this](TDesignButton*) { Events << "ok"; };
    }
    // Sets a new value in every control.
    void SetAll(int n)
    {
        Edit->SetText(QString::number(n));
        Track->SetPosition(n);
        Combo->SetItemIndex(n % 2);
        Radios->SetItemIndex(n % 2);
    }
};

} // namespace

TEST(DesignControlEvents, EveryChangeFiresOnceByCodeOrByTheUser)
{
    TEventsWindow w;
    // Code's changes.
    w.SetAll(1);
    EXPECT_EQ(w.Events, (QStringList{"edit 1", "track 1", "combo 1", "radio 1"}));
    // The same values again are no change.
    w.Events.clear();
    w.SetAll(1);
    EXPECT_TRUE(w.Events.isEmpty());
    w.Radios->SetItemIndex(-1);
    EXPECT_EQ(w.Events, QStringList{"radio -1"});

    // The user's changes.
    w.Window.Show();
    w.Events.clear();
    QLineEdit* line = qobject_cast<QLineEdit*>(w.Edit->Widget());
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("7"));
    QTest::keyClick(qobject_cast<QSlider*>(w.Track->Widget()), Qt::Key_Right);
    w.Combo->Pick(0);
    QRadioButton* x = w.Radios->Widget()->findChildren<QRadioButton*>().value(0);
    QTest::mouseClick(x, Qt::LeftButton, Qt::NoModifier, QPoint(6, x->height() / 2));
    EXPECT_EQ(w.Events, (QStringList{"edit 7", "track 2", "combo 0", "radio 0"}));
}

TEST(DesignControlEvents, ABlockerHoldsBackChangesOfItsControlOrWindowAndEndsWithItsScope)
{
    TEventsWindow w;
    {
        TEventBlocker block(&w.Window);
        w.SetAll(1);
    }
    EXPECT_TRUE(w.Events.isEmpty());
    EXPECT_EQ(w.Edit->GetText(), QStringLiteral("1"));
    EXPECT_EQ(w.Combo->GetItemIndex(), 1);
    EXPECT_EQ(w.Radios->GetItemIndex(), 1);

    // One control's blocker leaves the others heard.
    {
        TEventBlocker block(w.Edit);
        w.SetAll(2);
    }
    EXPECT_EQ(w.Events, (QStringList{"track 2", "combo 0", "radio 0"}));

    // Clicks are not changes: a blocked window's button still clicks and ends the window.
    w.Events.clear();
    kvtest::TDialogAnswers answers;
    answers.Expect(QStringLiteral("Events"), [&w](TDesignWindow*) {
        TEventBlocker block(&w.Window);
        w.Ok->Click();
    });
    EXPECT_EQ(w.Window.ShowModal(), mrOk);
    EXPECT_EQ(w.Events, QStringList{"ok"});

    // Code that throws under a blocker leaves the window heard again.
    w.Events.clear();
    try {
        TEventBlocker block(&w.Window);
        w.SetAll(3);
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(w.Events.isEmpty());
    EXPECT_FALSE(w.Window.EventsBlocked());
    w.SetAll(4);
    EXPECT_EQ(w.Events, (QStringList{"edit 4", "track 4", "combo 0", "radio 0"}));
}
