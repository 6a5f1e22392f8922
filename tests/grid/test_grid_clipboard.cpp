// Clipboard copy: exact text and cell-block bytes for flat, grouped, quoted and Korean cells.
#include "EditTestSupport.h"
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/MessageBox.h"

#include <QtGui/QWindow>

#include <QtCore/QtEndian>
#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

struct TClipboardFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data = MakeTable(
        "A,B,C,D", "s,n,s,s",
        {{"", 1, "x<y", "p"}, {QStringLiteral("한글"), 2, "tab\there", "q"}, {"say \"hi\"", 3, "a\r\nb", "r"}});
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);

    void Bind()
    {
        static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(Data.get());
        Grid->GetSelections()->Clear();
    }
    void TearDown() override
    {
        static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(nullptr);
    }
    TKvGridDataColumn* Column(TKvGridColumnGroup* group, int field)
    {
        auto* c = Grid->AddDataColumn(group);
        c->SetFieldIndex(field);
        return c;
    }
    void Copy() { Grid->GetClipboardManager()->Copy(); }
    QString Xml() { return TKvGridCliboardXml::DecodeBlock(TClipboard::GetFormat(KvGridClipboardFormat)); }
};

} // namespace

TEST_F(TClipboardFixture, FlatBlockQuotedAndKorean)
{
    TKvGridDataColumn* a = Column(nullptr, 0);
    Column(nullptr, 1);
    TKvGridDataColumn* c = Column(nullptr, 2);
    Bind();
    Grid->GetSelections()->Add({Grid.get(), 2, c}, {Grid.get(), 0, a}, SelectBlock);
    Copy();
    // Empty first cell: the line starts with a tab; tab, line break and quote are quoted.
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("\t1\tx<y\r\n한글\t2\t\"tab\there\"\r\n"
                                                    "\"say \"\"hi\"\"\"\t3\t\"a\r\nb\"\r\n"));
    const QString xml = QStringLiteral("<?xml version=\"1.0\"?><cells><r><c></c><c>1</c><c>x&lt;y</c></r>\r\n"
                                       "<r><c>한글</c><c>2</c><c>tab\there</c></r>\r\n"
                                       "<r><c>say \"hi\"</c><c>3</c><c>a&#13;\nb</c></r>\r\n</cells>");
    const QByteArray block = TClipboard::GetFormat(KvGridClipboardFormat);
    const QByteArray utf8 = xml.toUtf8();
    ASSERT_EQ(block.size(), utf8.size() + 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(block.constData()), static_cast<quint32>(utf8.size()));
    EXPECT_EQ(block.mid(4), utf8);

    // With no focused cell, pasting reads both forms and changes nothing.
    auto* manager = static_cast<TKvGridClipboardManagerImpl*>(Grid->GetClipboardManager());
    manager->Paste();
    EXPECT_EQ(manager->GetPastedXml(), xml);
    EXPECT_EQ(manager->GetPastedText(), TClipboard::GetText());
    EXPECT_EQ(Data->GetData(0, 2).ToString(), QStringLiteral("x<y"));
}

TEST_F(TClipboardFixture, SingleCellEmptyAndNothingSelected)
{
    TKvGridDataColumn* a = Column(nullptr, 0);
    Bind();
    TClipboard::SetText("earlier");
    Copy(); // nothing selected: nothing copied
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("earlier"));
    Grid->GetSelections()->Add({Grid.get(), 1, a}, {Grid.get(), 1, a}, SelectBlock);
    Copy();
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("한글"));
    EXPECT_FALSE(TClipboard::HasFormat(KvGridClipboardFormat));
    // A single empty cell empties the text instead of leaving the earlier copy.
    Grid->GetSelections()->ClearAndAdd({Grid.get(), 0, a}, {Grid.get(), 0, a}, SelectBlock);
    Copy();
    EXPECT_EQ(TClipboard::GetText(), QString());

    // Rows with no visible columns copy nothing and do not fail.
    Grid->GetSelections()->ClearAndAdd({Grid.get(), 0, a}, {Grid.get(), 2, a}, SelectRows);
    a->SetVisible(false);
    TClipboard::SetText("kept");
    Copy();
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("kept"));
}

TEST_F(TClipboardFixture, GroupedLayoutCopiesEachRangesColumns)
{
    // Vertical group (A over C) beside D; rows ranges copy two lines per item.
    auto* group = Grid->AddColumnGroup();
    group->SetOrientation(ColumnsVertical);
    TKvGridDataColumn* a = Column(group, 0);
    Column(group, 2);
    TKvGridDataColumn* d = Column(nullptr, 3);
    Bind();
    Grid->GetSelections()->Add({Grid.get(), 0, a}, {Grid.get(), 0, a}, SelectRows);
    Grid->GetSelections()->Add({Grid.get(), 2, a}, {Grid.get(), 2, a}, SelectRows);
    Copy();
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("\tp\r\nx<y\t\r\n\"say \"\"hi\"\"\"\tr\r\n\"a\r\nb\"\t\r\n"));

    // Two column ranges: each copies only its own columns.
    const TKvGridRanges ranges{TKvGridRange(1, 1, d, d), TKvGridRange(1, 1, a, a)};
    EXPECT_EQ(TKvGridCliboardTsv().GetData(ranges), QStringLiteral("q\r\n한글\r\n"));
    EXPECT_EQ(TKvGridCliboardXml().GetData(ranges),
              QStringLiteral("<?xml version=\"1.0\"?><cells><r><c>q</c></r>\r\n<r><c>한글</c></r>\r\n</cells>"));
    TColumnArray array(GroupedRangeColumns(Grid.get(), TKvGridRange(0, 0, a, d)));
    EXPECT_EQ(array.RowCount(), 2);
    EXPECT_EQ(array.ColCount(), 2);
    EXPECT_EQ(array.GetItem(1, 1).Column, nullptr);
    EXPECT_EQ(array.GetItem(0, 1).RowSpan, 2); // D spans the empty place below it
}

TEST_F(TClipboardFixture, BlockReaderChecksLengthAndEncoding)
{
    const QByteArray good = TKvGridCliboardXml::EncodeBlock(QStringLiteral("<cells>한</cells>"));
    EXPECT_EQ(TKvGridCliboardXml::DecodeBlock(good), QStringLiteral("<cells>한</cells>"));
    QByteArray longer = good;
    qToLittleEndian<quint32>(static_cast<quint32>(good.size()), longer.data()); // says more than it holds
    EXPECT_EQ(TKvGridCliboardXml::DecodeBlock(longer), QString());
    QByteArray bad = good;
    bad[6] = char(0xFF);
    EXPECT_EQ(TKvGridCliboardXml::DecodeBlock(bad), QString());
    EXPECT_EQ(TKvGridCliboardXml::DecodeBlock(QByteArray(3, 'x')), QString());
    // A text that begins with U+FEFF keeps it: inside the block it is a character.
    const QString marked = QString(QChar(0xFEFF)) + QChar(0xFEFF) + QStringLiteral("<cells/>");
    EXPECT_EQ(TKvGridCliboardXml::DecodeBlock(TKvGridCliboardXml::EncodeBlock(marked)), marked);

    // Characters XML forbids are left out of the block, not of the text.
    TKvSimpleDataProvider* data = Data.get();
    data->SetData(0, 3, QString(QStringLiteral("a")) + QChar(0x1) + QStringLiteral("b"));
    TKvGridDataColumn* d = Column(nullptr, 3);
    Bind();
    const TKvGridRanges ranges{TKvGridRange(0, 0, d, d)};
    EXPECT_EQ(TKvGridCliboardXml().GetData(ranges),
              QStringLiteral("<?xml version=\"1.0\"?><cells><r><c>ab</c></r>\r\n</cells>"));
    EXPECT_EQ(TKvGridCliboardTsv().GetData(ranges).size(), 5);
}

TEST_F(TClipboardFixture, BlockInsideNestedHorizontalGroupsCopiesOnlyItsColumns)
{
    // Outer (A, Inner (B, C), D), all horizontal: a block from C to D copies C and D.
    TKvGridColumnGroup* outer = Grid->AddColumnGroup(nullptr);
    Column(outer, 0);
    TKvGridColumnGroup* inner = Grid->AddColumnGroup(outer);
    Column(inner, 1);
    TKvGridDataColumn* c = Column(inner, 2);
    TKvGridDataColumn* d = Column(outer, 3);
    Bind();
    Grid->GetSelections()->Add({Grid.get(), 0, c}, {Grid.get(), 1, d}, SelectBlock);
    Copy();
    EXPECT_EQ(TClipboard::GetText(), QStringLiteral("x<y\tp\r\n\"tab\there\"\tq\r\n"));
}

namespace {

// Two shown grids: one to copy from, and one over an editable chain to paste into, both
// driven by window-level clicks and keys; the messages shown are recorded.
struct TPasteFixture : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TKvSimpleDataProvider> Source = MakeTable(
        "Name,Qty,Note,Code", "s,s,s,s",
        {{"pear", "3", "a<b & c", "c1"}, {"fig", "10000000000000000", "two\r\nlines", "c2"}, {"kiwi", "5", " ", "c3"}});
    TOwned<TKvGridView> From = MakeOwned<TKvGridView>(nullptr);
    TOwned<TKvSimpleDataProvider> Data = MakeTable(
        "Name,Qty,Extra,Note,Code", "s,n,s,s,s", {{"a", 1, "e1", "x", "k1"}, {"b", 2, "e2", "y", "k2"}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    QStringList Shown;
    TExceptionHook OldHook;

    void SetUp() override
    {
        OldHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        for (const char* name : {"Name", "Qty", "Note", "Code"})
            From->AddDataColumn()->SetFieldName(name);
        static_cast<TKvDefaultGridItemProvider*>(From->GetItemProvider())->SetDataSource(Source.get());
        // The target shows Extra hidden between Qty and Note, and Code read-only.
        for (const char* name : {"Name", "Qty", "Extra", "Note", "Code"})
            Grid->AddDataColumn()->SetFieldName(name);
        Grid->GetDataColumn(QStringLiteral("Extra"))->SetVisible(false);
        Grid->GetDataColumn(QStringLiteral("Code"))->SetEditable(false);
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        ShowFocused(From.get(), 500, 200);
        ShowFocused(Grid.get(), 600, 260);
    }
    void TearDown() override
    {
        SetExceptionHook(OldHook);
        Grid.reset();
        Editable.reset();
        Default.reset();
        From.reset();
    }
    static void Activate(TKvGridView* grid)
    {
        QWidget* window = grid->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        grid->SetFocus();
        DeliverPosted();
    }
    static void ClickCell(TKvGridView* grid, int item, const QString& field, Qt::KeyboardModifiers mods = {})
    {
        grid->Invalidate();
        grid->Update();
        DeliverPosted();
        const TRect r = grid->GetCellBounds(TKvGridCellIndex(grid, item, grid->GetDataColumn(field)));
        QTest::mouseClick(grid->Widget()->window()->windowHandle(), Qt::LeftButton, mods,
                          WindowPoint(grid, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        DeliverPosted();
    }
    static void Key(TKvGridView* grid, Qt::Key key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(grid->Widget()->window()->windowHandle(), key, mods);
        DeliverPosted();
    }
    // Selects the source's rows 0..2 from Name to Code with the mouse and copies them.
    void CopyBlock()
    {
        Activate(From.get());
        ClickCell(From.get(), 0, "Name");
        ClickCell(From.get(), 2, "Code", Qt::ShiftModifier);
        Key(From.get(), Qt::Key_C, Qt::ControlModifier);
    }
    void PasteAt(int item, const QString& field)
    {
        Activate(Grid.get());
        ClickCell(Grid.get(), item, field);
        Key(Grid.get(), Qt::Key_V, Qt::ControlModifier);
    }
    QStringList Row(int row) const
    {
        QStringList out;
        for (int f = 0; f < Data->GetFieldCount(); ++f)
            out << Data->GetData(row, f).ToString();
        return out;
    }
};

} // namespace

TEST_F(TPasteFixture, CtrlVWritesTheCopiedBlockFromTheFocusedCellAndAppends)
{
    CopyBlock();
    ASSERT_TRUE(TClipboard::HasFormat(KvGridClipboardFormat));
    PasteAt(1, "Name");
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
    ASSERT_EQ(Data->GetRowCount(), 4);
    EXPECT_EQ(Row(0), (QStringList{"a", "1", "e1", "x", "k1"}));
    // Hidden Extra is passed over; read-only Code keeps its value.
    EXPECT_EQ(Row(1), (QStringList{"pear", "3", "e2", "a<b & c", "k2"}));
    EXPECT_EQ(Row(2), (QStringList{"fig", "10000000000000000", "", "two\r\nlines", ""}));
    EXPECT_EQ(Row(3), (QStringList{"kiwi", "5", "", " ", ""}));
    // Values of the numeric column are numbers, the huge one exactly.
    EXPECT_TRUE(Data->GetData(2, 1).IsInteger());
    EXPECT_EQ(Data->GetData(2, 1).AsInt(), 10000000000000000LL);
    EXPECT_FALSE(Editable->IsEditing(-1));
    EXPECT_EQ(Grid->GetItemCount(), 4);
    EXPECT_EQ(Grid->GetBody()->GetCell(TKvGridCellIndex(Grid.get(), 3, Grid->GetDataColumn(0)))->GetDisplayText(), "kiwi");

    // Tab-separated text alone (another program's copy) pastes the same way, quotes read.
    TClipboard::SetText(QStringLiteral("q\t8\r\n\"say \"\"hi\"\"\"\t9\r\n"));
    PasteAt(0, "Name");
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
    EXPECT_EQ(Row(0), (QStringList{"q", "8", "e1", "x", "k1"}));
    EXPECT_EQ(Row(1), (QStringList{"say \"hi\"", "9", "e2", "a<b & c", "k2"}));
    // From the second visible column on, the first pasted column lands in Qty.
    TClipboard::SetText(QStringLiteral("12\tnote"));
    PasteAt(3, "Qty");
    EXPECT_EQ(Row(3), (QStringList{"kiwi", "12", "", "note", ""}));
}

TEST_F(TPasteFixture, AValueThatDoesNotConvertStopsWithAMessageAndKeepsEarlierRows)
{
    Source->SetData(0, 0, QStringLiteral("plum"));
    Source->SetData(1, 1, QStringLiteral("seven"));
    CopyBlock();
    PasteAt(0, "Name");
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_TRUE(Shown[0].contains("row 2 of 3")) << Shown[0].toStdString();
    EXPECT_TRUE(Shown[0].contains("'seven' is not a valid number: Qty")) << Shown[0].toStdString();
    EXPECT_EQ(Row(0), (QStringList{"plum", "3", "e1", "a<b & c", "k1"}));
    EXPECT_EQ(Row(1), (QStringList{"b", "2", "e2", "y", "k2"}));
    EXPECT_EQ(Data->GetRowCount(), 2);
    EXPECT_FALSE(Editable->IsEditing(-1));
    EXPECT_FALSE(Grid->GetEditing());

    // A row that fails validation stops too.
    Shown.clear();
    Source->SetData(1, 1, QStringLiteral("4"));
    Source->SetData(1, 0, QString());
    Grid->GetDataColumn(QStringLiteral("Name"))->SetRequired(true);
    Key(From.get(), Qt::Key_C, Qt::ControlModifier);
    PasteAt(0, "Name");
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_TRUE(Shown[0].contains("row 2 of 3: Value is required: Name")) << Shown[0].toStdString();
    EXPECT_EQ(Row(1), (QStringList{"b", "2", "e2", "y", "k2"}));
    EXPECT_FALSE(Editable->IsEditing(-1));

    // Past the last row without appending: the rows that fit are pasted, then a message.
    Shown.clear();
    Grid->GetDataColumn(QStringLiteral("Name"))->SetRequired(false);
    Grid->GetEditOptions()->SetAppendable(false);
    Key(From.get(), Qt::Key_C, Qt::ControlModifier);
    PasteAt(1, "Name");
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_TRUE(Shown[0].contains("row 2 of 3: the grid cannot append rows")) << Shown[0].toStdString();
    EXPECT_EQ(Row(1), (QStringList{"plum", "3", "e2", "a<b & c", "k2"}));
    EXPECT_EQ(Data->GetRowCount(), 2);
}
