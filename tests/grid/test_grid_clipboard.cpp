// Clipboard copy: exact text and cell-block bytes for flat, grouped, quoted and Korean cells.
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/ui/Clipboard.h"

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

    // Pasting reads both forms and changes nothing.
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
