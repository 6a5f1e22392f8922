// Values typed into the object inspector are checked when they are typed: expressions, the
// styles text of a dynamic style, list-type styles and the date range of a date editor are
// refused with a message that names what failed; forms that hold such values still read.
#include "DesignTestSupport.h"

#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Streaming.h"

using namespace kv;
using namespace kvtest;

namespace {

struct DesignChecksTest : DesignEditorsTest
{
    TKvGridDataColumn* Column = nullptr;

    void SetUp() override
    {
        DesignEditorsTest::SetUp();
        Column = Grid->AddDataColumn();
        Column->SetName("Grid1Amount");
        Column->SetFieldName("Amount");
        Host->ComponentInserted(Column);
    }

    // The message of what setting the property through its editor raised; empty when taken.
    QString Refusal(TPersistent* instance, const QString& path, const QString& text)
    {
        IntfPtr<IProperty> prop = Host->FindProperty(path, instance);
        if (!prop) {
            ADD_FAILURE() << "no property " << path.toStdString();
            return QString();
        }
        try {
            prop->SetValue(text);
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    }
};

} // namespace

TEST_F(DesignChecksTest, ExpressionsAreRefusedWhenTypedNamingThePropertyAndThePosition)
{
    EXPECT_EQ(Refusal(Column, "Footer.Expression", "sum(("),
              "Expression \"sum((\" does not parse: Unexpected text after the expression: ( at position 4");
    EXPECT_TRUE(Column->GetFooter()->GetExpression().isEmpty());
    EXPECT_EQ(Refusal(Column, "Footer.GroupExpression", "value * (2 +"),
              "GroupExpression \"value * (2 +\" does not parse: Unexpected end of expression at position 13");
    EXPECT_TRUE(Column->GetFooter()->GetGroupExpression().isEmpty());
    EXPECT_EQ(Refusal(Column, "Footer.Expression", "value * 2"), QString());
    EXPECT_EQ(Column->GetFooter()->GetExpression(), "value * 2");

    // A dynamic style's criteria.
    TKvGridDynamicStyle* style = Column->GetDynamicStyles()->Add();
    EXPECT_EQ(Refusal(style, "Criteria", "value >"),
              "Criteria \"value >\" does not parse: Unexpected end of expression at position 8");
    EXPECT_TRUE(style->GetCriteria().isEmpty());
}

TEST_F(DesignChecksTest, ADynamicStylesTextIsRefusedNamingTheStyleOrValueThatFails)
{
    TKvGridDynamicStyle* style = Grid->GetBody()->GetDynamicStyles()->Add();
    const QString colour = Refusal(style, "Styles", "Background=notacolour;Bogus=1");
    EXPECT_TRUE(colour.contains("\"notacolour\" is not a value of the style Background")) << colour.toStdString();
    const QString name = Refusal(style, "Styles", "Background=#ffff0000;Bogus=1");
    EXPECT_TRUE(name.contains("\"Bogus\" is not the name of a style")) << name.toStdString();
    const QString list = Refusal(style, "Styles", "TextAlignment=Bogus");
    EXPECT_TRUE(list.contains("\"Bogus\" is not a value of the style TextAlignment: use one of AlignNear, AlignCenter, "
                              "AlignFar"))
        << list.toStdString();
    const QString integer = Refusal(style, "Styles", "PaddingLeft=wide");
    EXPECT_TRUE(integer.contains("\"wide\" is not an integer value of the style PaddingLeft")) << integer.toStdString();
    EXPECT_TRUE(style->GetStyles().isEmpty());
    EXPECT_EQ(Refusal(style, "Styles", "Background=#ffff0000;TextAlignment=alignfar;PaddingLeft=3"), QString());
    EXPECT_EQ(style->GetStylePairs().size(), 3u);
}

TEST_F(DesignChecksTest, DatesAreShownAndTakenAsDatesAndASwappedRangeIsRefused)
{
    auto* editor = Create<TKvDateTimeCellEditor>(Form.get());
    editor->SetName("DateEditor1");
    Host->ComponentInserted(editor);
    EXPECT_EQ(Host->FindProperty("MinDate", editor)->GetValue(), "2000-01-01");
    EXPECT_EQ(Host->FindProperty("MaxDate", editor)->GetValue(), "2200-12-31");

    EXPECT_EQ(Refusal(editor, "MinDate", "2026-01-01"), QString());
    EXPECT_EQ(editor->GetMinDate(), EncodeDate(2026, 1, 1));
    EXPECT_EQ(Host->FindProperty("MinDate", editor)->GetValue(), "2026-01-01");
    EXPECT_EQ(Refusal(editor, "MinDate", "1.1.2027"),
              "'1.1.2027' is not a date for MinDate: type it as yyyy-mm-dd, for example 2026-01-31");
    EXPECT_EQ(Refusal(editor, "MinDate", "2300-01-01"),
              "MinDate 2300-01-01 is after MaxDate 2200-12-31: the range needs MinDate on or before MaxDate");
    EXPECT_EQ(Refusal(editor, "MaxDate", "2025-12-31"),
              "MinDate 2026-01-01 is after MaxDate 2025-12-31: the range needs MinDate on or before MaxDate");
    EXPECT_EQ(editor->GetMinDate(), EncodeDate(2026, 1, 1));
    EXPECT_EQ(editor->GetMaxDate(), EncodeDate(2200, 12, 31));
    EXPECT_EQ(Refusal(editor, "MaxDate", "2026-01-01"), QString());
    EXPECT_EQ(editor->GetMaxDate(), EncodeDate(2026, 1, 1));
}

// What a form already holds is read as it is: a footer expression or a dynamic style refused
// when typed, a date range with its ends swapped.
TEST_F(DesignChecksTest, AFormHoldingValuesThatWouldBeRefusedStillReads)
{
    const QString text = QStringLiteral(R"(object Form1: TDesignForm
  object Grid1: TKvVantrel
    object Grid1Amount: TKvGridDataColumn
      FieldName = 'Amount'
      Footer.Expression = 'sum(('
      DynamicStyles = <
        item
          Criteria = 'value > 1'
          Styles = 'Bogus=1;TextAlignment=Sideways'
        end>
      Filters = <
        item
          Criteria = 'value >'
        end>
    end
  end
  object DateEditor1: TKvDateTimeCellEditor
    MinDate = 73051.0
    MaxDate = 36526.0
  end
end
)");
    TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
    ASSERT_NO_THROW(ReadComponentText(text, form.get()));
    auto* column = dynamic_cast<TKvGridDataColumn*>(form->FindComponent("Grid1Amount"));
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->GetDynamicStyles()->GetItem(0)->GetStyles(), "Bogus=1;TextAlignment=Sideways");
    EXPECT_EQ(column->GetFilters()->GetFilter(0)->GetCriteria(), "value >");
    EXPECT_EQ(column->GetFooter()->GetExpression(), "sum((");
    auto* editor = dynamic_cast<TKvDateTimeCellEditor*>(form->FindComponent("DateEditor1"));
    ASSERT_NE(editor, nullptr);
    EXPECT_GT(editor->GetMinDate(), editor->GetMaxDate());
}
