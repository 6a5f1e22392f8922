// Entering rows into the top-level grid by keyboard, and where the focus goes when a saved row
// moves under sorting, grouping or a filter; a shown grid driven by window-level keys.
#include "VantrelTestSupport.h"
#include "TestSupport.h"

#include "grid/EditTestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

struct VantrelEntry : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TShownVantrel g;

    QWindow* Win() const { return g.Win(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        ProcessEvents(5);
        g.Paint();
    }
    void TypeKeys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Win(), c.toLatin1());
        ProcessEvents(5);
    }
    TKvGridCellIndex Cell(int item, int column) const
    {
        return TKvGridCellIndex(g.Grid.get(), item, g.Columns[static_cast<size_t>(column)]);
    }
    void ClickCell(int item, int column)
    {
        const TRect r = g.Grid->GetCellBounds(Cell(item, column));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, g.At(TShownVantrel::Center(r)));
        ProcessEvents(5);
        g.Paint();
    }
    // The data row under the focus; -1 on a group row or without a focus.
    int FocusedRow() const
    {
        TKvGridItem* item = g.Grid->GetItem(g.Grid->GetFocusedIndex().ItemIndex);
        return item ? item->GetDataRow() : -1;
    }
    // The item that shows a data row.
    int ItemOf(int row) const
    {
        for (int i = 0; i < g.Grid->GetItemCount(); ++i)
            if (g.Grid->GetItem(i)->GetDataRow() == row)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(VantrelEntry, DownAfterTypingIntoANewRowStartsTheNext)
{
    g.Fill(3);
    g.Show(460, 320);
    ClickCell(0, FCity);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(g.Grid->GetItemCount(), 4);
    TypeKeys("Alpha");
    Key(Qt::Key_Down);
    TypeKeys("Beta");
    Key(Qt::Key_Down);
    TypeKeys("Gamma");
    Key(Qt::Key_Down);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 6);
    Key(Qt::Key_Escape);
    ASSERT_EQ(g.Data->GetRowCount(), 6);
    EXPECT_EQ(g.Data->GetData(3, FCity).ToString(), "Alpha");
    EXPECT_EQ(g.Data->GetData(4, FCity).ToString(), "Beta");
    EXPECT_EQ(g.Data->GetData(5, FCity).ToString(), "Gamma");
    EXPECT_EQ(g.Grid->GetItemCount(), 6);
}
