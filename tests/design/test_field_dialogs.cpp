// The providers' field dialogs, which the design package installs: a field added to a designed
// provider without a name asks for it first.
#include "components/BDETestSupport.h"
#include "design/KvGrids.Regs.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "platform/design/DesignIntf.h"
#include "platform/design/Dialogs.h"
#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

using namespace kv;
using namespace kvtest;

namespace {

// The designer has loaded the design package.
struct TDesignPackageTest : ::testing::Test
{
    void SetUp() override { Register(); }
    void TearDown() override { UnregisterDesignPackage(); }
};

struct VantrelFieldDialog : TDesignPackageTest
{
};

struct BDEFieldDialog : TDesignPackageTest
{
};

TOwned<TKvVantrelDataProvider> MakeStore()
{
    TOwned<TKvVantrelDataProvider> p = MakeOwned<TKvVantrelDataProvider>(nullptr);
    p->GetFields()->Add(QStringLiteral("name"), vdtText);
    p->GetFields()->Add(QStringLiteral("qty"), vdtInt);
    p->GetFields()->Add(QStringLiteral("price"), vdtFloat);
    return p;
}

// Types into the name edit of the dialog being shown, then presses key.
void TypeIntoFieldDialog(TFormDialog* d, const QString& text, Qt::Key key)
{
    ASSERT_NE(d, nullptr);
    QLineEdit* edit = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == d->GetCaption())
            edit = w->findChild<QLineEdit*>();
    if (!edit) {
        ADD_FAILURE() << "no name edit";
        d->ClickCancel();
        return;
    }
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, key);
}

} // namespace

TEST_F(VantrelFieldDialog, AsksNameAndTypeAndCancels)
{
    // OK waits for a name; the combo's index is the type.
    kvtest::TDialogAnswers answers;
    answers.Expect(QString(), [](TDesignWindow* window) {
        auto* d = kvtest::OwnerOf<TFormDialog>(window);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetCaption(), QStringLiteral("New VantrelData Field "));
        EXPECT_EQ(d->GetItems(2), QStringList({"Text", "Bool", "Byte", "Int16", "Int", "Int64", "Float", "Date"}));
        EXPECT_EQ(d->GetItemIndex(2), 0);
        EXPECT_FALSE(d->GetOkEnabled());
        d->SetText(1, QStringLiteral("   "));
        EXPECT_FALSE(d->GetOkEnabled());
        d->SetText(1, QStringLiteral("  amount "));
        EXPECT_TRUE(d->GetOkEnabled());
        d->SetItemIndex(2, 6);
        d->ClickOk();
    });
    auto p = MakeStore();
    p->SetDesigning(true);
    TKvVantrelDataField* field = p->GetFields()->Add();
    EXPECT_EQ(field->GetName(), QStringLiteral("amount"));
    EXPECT_EQ(field->GetDataType(), vdtFloat);

    // Cancel abandons the creation silently.
    answers.Expect(QStringLiteral("New VantrelData Field "), [](TDesignWindow* window) {
        if (auto* d = kvtest::OwnerOf<TFormDialog>(window))
            d->ClickCancel();
    });
    EXPECT_THROW(p->GetFields()->Add(), EAbort);
    EXPECT_EQ(p->GetFieldCount(), 4);
}

TEST_F(BDEFieldDialog, AsksTheNameAtDesignTimeAndCancelChangesNothing)
{
    TPeople p;
    p.Set->Open();
    p.Provider->SetDesigning(true);
    kvtest::TDialogAnswers answers;
    answers.Expect(QString(), [](TDesignWindow* window) {
        auto* d = kvtest::OwnerOf<TFormDialog>(window);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetCaption(), QStringLiteral("New BDEData Field"));
        EXPECT_EQ(d->GetText(0), QStringLiteral("추가할 필드명을 지정합니다:"));
        EXPECT_TRUE(d->IsFocused(1));
        EXPECT_FALSE(d->GetOkEnabled());
        d->SetText(1, QStringLiteral("   "));
        EXPECT_FALSE(d->GetOkEnabled());
        d->SetText(1, QString());
        TypeIntoFieldDialog(d, QStringLiteral(" age "), Qt::Key_Return);
    });
    TKvBDEDataField* age = p.Provider->GetFields()->Add();
    EXPECT_EQ(TDesignWindow::ActiveModal(), nullptr);
    EXPECT_EQ(age->GetFieldName(), QStringLiteral("age"));
    ASSERT_EQ(p.Provider->GetFields()->Count(), 1);

    // Cancel (Escape) after typing abandons the creation silently.
    const QStringList events = p.Recorder.Events;
    answers.Expect(QStringLiteral("New BDEData Field"), [](TDesignWindow* window) {
        TypeIntoFieldDialog(kvtest::OwnerOf<TFormDialog>(window), QStringLiteral("score"), Qt::Key_Escape);
    });
    EXPECT_THROW(p.Provider->GetFields()->Add(), EAbort);
    EXPECT_EQ(p.Provider->GetFields()->Count(), 1);
    EXPECT_EQ(p.Provider->GetFields()->GetItem(0), age);
    EXPECT_EQ(age->GetFieldName(), QStringLiteral("age"));
    EXPECT_EQ(p.Recorder.Events, events);

    // A field added by name does not ask.
    const int shown = answers.Shown();
    p.Provider->GetFields()->Add(QStringLiteral("score"));
    QCoreApplication::processEvents();
    EXPECT_EQ(answers.Shown(), shown);

    // The named field works once out of design mode.
    p.Provider->SetDesigning(false);
    age->SetSummaryType(SummaryTotal);
    EXPECT_DOUBLE_EQ(p.Provider->GetSum(2).ToDouble(), 180);
}
