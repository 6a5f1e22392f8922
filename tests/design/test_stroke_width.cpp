// The stroke dialog answers a stroke's width as it was given unless the user sets another;
// only a width the user types is bounded by the width control.
#include "design/KvGrids.Styles.StrokeDlg.h"
#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

using namespace kv;
using namespace kvtest;

namespace {

// The dialog's visible width edit: the edit that shows the width control's value.
QLineEdit* WidthEdit(TDesignWindow* form, const QString& shown)
{
    for (QLineEdit* edit : form->Window()->findChildren<QLineEdit*>())
        if (edit->isVisible() && edit->text() == shown)
            return edit;
    return nullptr;
}

} // namespace

TEST(StrokeWidth, OkKeepsAWideStrokesWidthAndBoundsOnlyATypedOne)
{
    // Untouched: the control shows its greatest width, the answer is the stroke's own.
    QString out;
    {
        TDialogAnswers answers;
        answers.Expect(QStringLiteral("Stroke"), [](TDesignWindow* form) {
            EXPECT_NE(WidthEdit(form, QStringLiteral("16")), nullptr);
            QTest::keyClick(form->Window(), Qt::Key_Return);
        });
        EXPECT_TRUE(TKvStyleStrokeDlg::Execute(QStringLiteral("#ff000000,20,dot"), out));
    }
    EXPECT_EQ(out, QStringLiteral("#ff000000,20,dot"));

    // Typed: the control bounds what the user gives it.
    {
        TDialogAnswers answers;
        answers.Expect(QStringLiteral("Stroke"), [](TDesignWindow* form) {
            QLineEdit* edit = WidthEdit(form, QStringLiteral("16"));
            ASSERT_NE(edit, nullptr);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("40"));
            QTest::keyClick(form->Window(), Qt::Key_Return);
        });
        EXPECT_TRUE(TKvStyleStrokeDlg::Execute(QStringLiteral("#ff000000,20,dot"), out));
    }
    EXPECT_EQ(out, QStringLiteral("#ff000000,16,dot"));

    // A width inside the range the user steps to is answered as set.
    {
        TDialogAnswers answers;
        answers.Expect(QStringLiteral("Stroke"), [](TDesignWindow* form) {
            QLineEdit* edit = WidthEdit(form, QStringLiteral("3"));
            ASSERT_NE(edit, nullptr);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("7"));
            QTest::keyClick(form->Window(), Qt::Key_Return);
        });
        EXPECT_TRUE(TKvStyleStrokeDlg::Execute(QStringLiteral("#ff000000,2.5"), out));
    }
    EXPECT_EQ(out, QStringLiteral("#ff000000,7"));
}
