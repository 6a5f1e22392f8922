// Dynamic styles whose condition fails: the failure is found when the condition is set where
// it can be, and the user hears of each failing condition once, not on every paint.
#include "TestSupport.h"

#include "GridTestSupport.h"
#include "platform/ui/MessageBox.h"

using namespace kv;
using namespace kvtest;

TEST(DynamicStyleFailures, EachFailingConditionIsReportedOnce)
{
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& message) { shown << message; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    {
        TShownGrid g;
        g.Fill(5, 2);
        TKvGridDataColumn* column = g.Columns[0];
        TKvGridBody* body = g.Grid->GetBody();
        const auto paintTwice = [&] {
            g.Paint();
            g.Paint();
            QApplication::processEvents();
        };

        // Names the runtime does not know are found when the condition is set; known ones pass.
        TKvGridDynamicStyle* first = column->GetDynamicStyles()->Add("row = 0", "PaddingTop=5");
        TKvGridDynamicStyle* unknown = column->GetDynamicStyles()->Add("nosuch > 1", "PaddingRight=9");
        TKvGridDynamicStyle* rowUnknown = body->GetDynamicStyles()->Add("index > 1", "PaddingLeft=2");
        EXPECT_EQ(first->GetCriteriaError(), "");
        EXPECT_EQ(unknown->GetCriteriaError(), "Token is a not valid Identifier: nosuch");
        EXPECT_EQ(rowUnknown->GetCriteriaError(), "Token is a not valid Identifier: index");
        rowUnknown->SetActive(false);

        g.Show(300, 200);
        paintTwice();
        EXPECT_EQ(shown, QStringList{"Token is a not valid Identifier: nosuch"});
        // What was applied before the failing condition stays; nothing after it applies.
        TKvGridCell* cell = body->GetCell(g.Grid->GetIndex(0, column));
        EXPECT_EQ(cell->GetStyles()->GetPaddingTop(), 5);
        EXPECT_FALSE(cell->GetStyles()->HasValue(PADDING_RIGHT));

        // A condition that fails only for some cells (text compared with a number) is
        // reported once too, however many cells and paints meet it.
        unknown->SetActive(false);
        column->GetDynamicStyles()->Add("value > 1", "PaddingBottom=4");
        paintTwice();
        ASSERT_EQ(shown.size(), 2);
        EXPECT_EQ(shown[1], "Invalid variant operation (String compare Int64)");
        paintTwice();
        EXPECT_EQ(shown.size(), 2);

        // A changed condition that fails is reported again, once; the body's as well.
        column->GetDynamicStyles()->Clear();
        TKvGridDynamicStyle* changed = column->GetDynamicStyles()->Add("row = 0", "PaddingTop=5");
        changed->SetCriteria("other = 0");
        EXPECT_EQ(changed->GetCriteriaError(), "Token is a not valid Identifier: other");
        rowUnknown->SetActive(true);
        paintTwice();
        paintTwice();
        EXPECT_EQ(shown, (QStringList{"Token is a not valid Identifier: nosuch",
                                      "Invalid variant operation (String compare Int64)",
                                      "Token is a not valid Identifier: index"}));
        // The body's failure stopped before the column's condition was reached.
        body->GetDynamicStyles()->Clear();
        paintTwice();
        ASSERT_EQ(shown.size(), 4);
        EXPECT_EQ(shown[3], "Token is a not valid Identifier: other");
    }
}
