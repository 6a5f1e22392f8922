// Text controls over Qt widgets: keys reach the control before the widget, keys the widget
// does not use reach the parent window, focus messages, the memo, the caret and clipboard text.
#include "platform/ui/Controls.h"
#include "platform/ui/Services.h"
#include "platform/ui/StdCtrls.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>

#include <gtest/gtest.h>

using namespace kv;

namespace {

class TKeyParent : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;
    std::vector<std::uint16_t> Keys;

protected:
    void KeyDown(std::uint16_t& key, TShiftState) override { Keys.push_back(key); }
};

// Eats Up and the character "x"; records focus messages.
class TProbeEdit : public TCustomMaskEdit
{
public:
    using TCustomMaskEdit::TCustomMaskEdit;
    int Enters = 0;
    int Exits = 0;
    int Compositions = 0;
    std::vector<std::uint16_t> Keys;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_IME_STARTCOMPOSITION)
            ++Compositions;
        TCustomMaskEdit::WndProc(message);
    }
    void KeyDown(std::uint16_t& key, TShiftState) override
    {
        Keys.push_back(key);
        if (key == VK_UP)
            key = 0;
    }
    void KeyPress(QChar& key) override
    {
        if (key == QChar('x'))
            key = QChar(0);
    }
    void DoEnter() override
    {
        ++Enters;
        TCustomMaskEdit::DoEnter();
    }
    void DoExit() override { ++Exits; }
};

void Settle()
{
    kvtest::DeliverPosted();
}

} // namespace

TEST(TextControls, KeysFocusAndParentRouting)
{
    TOwned<TKeyParent> parent(Create<TKeyParent>(nullptr));
    parent->SetBounds(20, 20, 300, 100);
    TProbeEdit* edit = Create<TProbeEdit>(parent.get());
    edit->SetParent(parent.get());
    edit->SetBounds(10, 10, 200, 24);
    parent->Show();
    QApplication::setActiveWindow(parent->Widget()->window());
    edit->SetFocus();
    Settle();
    ASSERT_TRUE(edit->Focused());
    EXPECT_EQ(edit->Enters, 1);
    QWidget* line = QApplication::focusWidget();
    ASSERT_NE(qobject_cast<QLineEdit*>(line), nullptr);

    QTest::keyClicks(line, QStringLiteral("axb"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("ab"));
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(edit->GetText(), QStringLiteral("a"));
    EXPECT_EQ(changes, 1);

    // Up is eaten by the control; Down is not used by the line edit and reaches the parent.
    QTest::keyClick(line, Qt::Key_Up);
    QTest::keyClick(line, Qt::Key_Down);
    EXPECT_EQ(parent->Keys, std::vector<std::uint16_t>{VK_DOWN});
    EXPECT_EQ(edit->Keys.back(), VK_DOWN);

    // A composition is announced once, before the widget takes it.
    QInputMethodEvent preedit(QStringLiteral("k"), {});
    QCoreApplication::sendEvent(line, &preedit);
    QInputMethodEvent more(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(line, &more);
    EXPECT_EQ(edit->Compositions, 1);

    // Selection and clipboard text.
    edit->SetText(QStringLiteral("hello world"));
    edit->SetSelStart(6);
    edit->SetSelLength(5);
    EXPECT_EQ(edit->GetSelText(), QStringLiteral("world"));
    edit->CopyToClipboard();
    EXPECT_EQ(GetClipboardText(), QStringLiteral("world"));
    EXPECT_TRUE(ClipboardHasText());
    edit->SetReadOnly(true);
    QTest::keyClicks(line, QStringLiteral("zz"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("hello world"));

    parent->SetFocus();
    Settle();
    EXPECT_EQ(edit->Exits, 1);
}

TEST(TextControls, MemoAndCaret)
{
    TOwned<TCustomMemo> memo(Create<TCustomMemo>(nullptr));
    memo->SetBounds(20, 20, 200, 80);
    memo->Show();
    QApplication::setActiveWindow(memo->Widget()->window());
    memo->SetFocus();
    Settle();
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(qobject_cast<QPlainTextEdit*>(target), nullptr);
    QTest::keyClicks(target, QStringLiteral("ab"));
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClicks(target, QStringLiteral("c"));
    EXPECT_EQ(memo->GetText(), QStringLiteral("ab\nc"));
    EXPECT_EQ(memo->GetLineCount(), 2);
    memo->SelectAll();
    EXPECT_EQ(memo->GetSelLength(), 4);

    // One caret for the application, in the control's client area.
    TOwned<TCustomControl> control(Create<TCustomControl>(nullptr));
    control->SetBounds(0, 0, 50, 20);
    control->Show();
    EXPECT_TRUE(CreateCaret(control.get(), 1, 12));
    EXPECT_EQ(GetCaretOwner(), control.get());
    EXPECT_TRUE(SetCaretPos(7, 3));
    TPoint pos;
    EXPECT_TRUE(GetCaretPos(pos));
    EXPECT_EQ(pos, (TPoint{7, 3}));
    EXPECT_FALSE(ShowCaret(memo.get()));
    EXPECT_TRUE(ShowCaret(control.get()));
    EXPECT_TRUE(IsCaretShown());
    // The caret goes with its control's window.
    control.reset();
    EXPECT_EQ(GetCaretOwner(), nullptr);
    EXPECT_FALSE(SetCaretPos(1, 1));
}
