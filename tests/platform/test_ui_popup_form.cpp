// The pop-up form's key preview and the event blocker of the run-time controls.
#include "platform/ui/Controls.h"
#include "platform/ui/PopupForm.h"
#include "platform/ui/StdCtrls.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>
#include <stdexcept>

using namespace kv;

namespace {

class TProbePopup : public TPopupForm
{
public:
    using TPopupForm::TPopupForm;
    std::vector<std::uint16_t> Keys;
    bool Eat = false;

protected:
    void KeyDown(std::uint16_t& key, TShiftState) override
    {
        Keys.push_back(key);
        if (Eat)
            key = 0;
    }
    // Stays open (and owned by the test) when another window takes the activation.
    void Deactivated() override {}
};

void Settle()
{
    kvtest::DeliverPosted();
}

} // namespace

TEST(PopupForm, KeyPreviewSeesEachPressOnce)
{
    TOwned<TProbePopup> popup{Create<TProbePopup>(nullptr)};
    popup->SetKeyPreview(true);
    popup->ShowPopup(TRect::Bounds(100, 100, 200, 120));
    Settle();
    QWidget* window = popup->Widget();
    ASSERT_TRUE(window->isVisible());
    ASSERT_NE(window->windowHandle(), nullptr);

    // Three presses at the window, then three at its widget: six previews.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(popup->Keys, std::vector<std::uint16_t>(3, VK_DOWN));
    popup->Keys.clear();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window, Qt::Key_Up);
    EXPECT_EQ(popup->Keys, std::vector<std::uint16_t>(3, VK_UP));

    // With an edit in it focused: each key is previewed once, before the edit; an eaten key
    // never reaches the edit.
    auto* edit = Create<TCustomMaskEdit>(popup.get());
    edit->SetParent(popup.get());
    edit->SetBounds(4, 4, 120, 24);
    edit->SetTabStop(true);
    edit->SetFocus();
    Settle();
    popup->Keys.clear();
    QTest::keyClick(window->windowHandle(), 'a');
    QTest::keyClick(window->windowHandle(), 'b');
    EXPECT_EQ(edit->GetText(), QStringLiteral("ab"));
    EXPECT_EQ(popup->Keys, (std::vector<std::uint16_t>{'A', 'B'}));
    popup->Eat = true;
    QTest::keyClick(window->windowHandle(), 'c');
    QTest::keyClick(edit->Widget()->findChild<QLineEdit*>(), 'd');
    EXPECT_EQ(edit->GetText(), QStringLiteral("ab"));
    EXPECT_EQ(popup->Keys, (std::vector<std::uint16_t>{'A', 'B', 'C', 'D'}));

    // Keys of another window are not the pop-up's.
    QWidget other;
    other.resize(50, 50);
    other.show();
    popup->Keys.clear();
    QTest::keyClick(&other, Qt::Key_Down);
    EXPECT_TRUE(popup->Keys.empty());
}

TEST(ControlEvents, ChangesFireUnlessBlockedEvenWhenTheBlockedCodeThrows)
{
    TOwned<TCustomMaskEdit> edit{Create<TCustomMaskEdit>(nullptr)};
    int changes = 0;
    edit->OnChange = [&changes](TObject*) { ++changes; };
    // Code's change and the user's change both fire.
    edit->SetText(QStringLiteral("one"));
    EXPECT_EQ(changes, 1);
    edit->Show();
    QLineEdit* line = edit->Widget()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    QTest::keyClicks(line, QStringLiteral("x"));
    EXPECT_EQ(changes, 2);
    {
        TEventBlocker block(edit.get());
        edit->SetText(QStringLiteral("two"));
        TEventBlocker again(edit.get());
        edit->SetText(QStringLiteral("three"));
    }
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(edit->GetText(), QStringLiteral("three"));
    try {
        TEventBlocker block(edit.get());
        edit->SetText(QStringLiteral("four"));
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(edit->EventsBlocked());
    edit->SetText(QStringLiteral("five"));
    EXPECT_EQ(changes, 3);
}
