// A stored column width below what a user may type: the form still reads, the column takes
// the least width, and every other value of the form reads as stored.
#include "CellRenderSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

TEST(ColumnWidthReading, ANegativeStoredWidthReadsAsZeroAndTheFormReads)
{
    RegisterClasses<TRendererForm, TKvGridView>();
    TOwned<TRendererForm> form{Create<TRendererForm>(nullptr)};
    form->SetName("Form1");
    auto* view = Create<TKvGridView>(form.get());
    view->SetName("Grid1");
    auto* first = view->AddDataColumn();
    first->SetName("First");
    first->SetWidth(77);
    first->GetHeader()->SetCaption("First");
    auto* second = view->AddDataColumn();
    second->SetName("Second");
    second->SetWidth(60);
    QString text = WriteComponentText(form.get());
    ASSERT_EQ(text.count("Width = 77"), 1) << text.toStdString();
    text.replace("Width = 77", "Width = -40");

    TOwned<TRendererForm> copy{Create<TRendererForm>(nullptr)};
    ASSERT_NO_THROW(ReadComponentText(text, copy.get()));
    auto* first2 = dynamic_cast<TKvGridDataColumn*>(copy->FindComponent("First"));
    auto* second2 = dynamic_cast<TKvGridDataColumn*>(copy->FindComponent("Second"));
    ASSERT_NE(first2, nullptr);
    ASSERT_NE(second2, nullptr);
    EXPECT_EQ(first2->GetWidth(), 0);
    EXPECT_EQ(first2->GetHeader()->GetCaption(), "First");
    EXPECT_EQ(second2->GetWidth(), 60);

    // Code sets what the column's property takes; only what a user types is checked.
    const TPropInfo& width = GetPropInfo(second2, "Width");
    EXPECT_THROW(CheckPropMinimum(width, Variant(-1)), EPropertyConvertError);
    EXPECT_NO_THROW(CheckPropMinimum(width, Variant(0)));
}
