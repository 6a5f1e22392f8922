#include "design/KvGrids.Data.Styles.h"
#include "design/KvGrids.StyleInspector.h"

#include "components/KvGrids.ListView.h"

#include "TestSupport.h"

#include <QtTest/QTest>
#include <QtWidgets/QApplication>

using namespace kv;

namespace {

class TRecorder : public TKvGridDataChangeListener
{
public:
    QStringList Events;
    void OnDataDispose() override { Events << QStringLiteral("dispose"); }
    void OnDataReset() override { Events << QStringLiteral("reset"); }
    void OnDataRefresh() override { Events << QStringLiteral("refresh"); }
    void OnDataRowStateChanged(int Row) override { Events << QStringLiteral("state %1").arg(Row); }
    void OnDataRowInserted(int Row) override { Events << QStringLiteral("inserted %1").arg(Row); }
    void OnDataRowRemoved(int Row) override { Events << QStringLiteral("removed %1").arg(Row); }
    void OnDataRowsRemoved(const TKvIntegerArray&) override { Events << QStringLiteral("rows removed"); }
    void OnDataRowUpdated(int Row) override { Events << QStringLiteral("updated %1").arg(Row); }
    void OnDataValueChanged(int Row, int Field) override { Events << QStringLiteral("value %1,%2").arg(Row).arg(Field); }
};

// Counts what a style set tells its listeners.
class TStyleCounter : public TKvGridViewStyleChangeListener
{
public:
    int Count = 0;
    void StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry) override { ++Count; }
};

int RowOf(const TKvGridStylesDataProvider* provider, const QString& name)
{
    for (int row = 0; row < provider->GetRowCount(); ++row)
        if (provider->GetData(row, 0).ToString() == name)
            return row;
    return -1;
}

} // namespace

TEST(StylesDataProvider, ShowsEveryStylePropertyWithLiveValues)
{
    TOwned<TKvGridStylesDataProvider> provider{Create<TKvGridStylesDataProvider>(nullptr)};
    TRecorder recorder;
    provider->AddListener(&recorder);
    EXPECT_EQ(provider->GetFieldCount(), 5);
    EXPECT_EQ(provider->GetFieldNames(), (QStringList{"Name", "Value", "IsSet", "Description", "Index"}));
    EXPECT_EQ(provider->GetFieldIndex(QStringLiteral("description")), 3);
    EXPECT_EQ(provider->GetFieldIndex(QStringLiteral("Colour")), -1);
    EXPECT_EQ(provider->GetRowCount(), 0);
    EXPECT_TRUE(provider->IsLocal());
    EXPECT_TRUE(provider->GetImmediateUpdate());
    EXPECT_TRUE(provider->CanUpdateRow(0));
    EXPECT_TRUE(provider->CanUpdateField(1));
    EXPECT_FALSE(provider->CanUpdateField(0));
    EXPECT_FALSE(provider->CanUpdateField(2));

    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ffff0000"));
    provider->SetStyles(&bag);
    EXPECT_EQ(recorder.Events, QStringList{"reset"});
    EXPECT_EQ(provider->GetRowCount(), TKvGridStylesAgent::GetNames().size());
    const int back = RowOf(provider.get(), QStringLiteral("Background"));
    ASSERT_GE(back, 0);
    EXPECT_EQ(provider->GetData(back, 1).ToString(), QStringLiteral("#ffff0000"));
    EXPECT_TRUE(provider->GetData(back, 2).AsBool());
    EXPECT_EQ(provider->GetData(back, 3).ToString(), QStringLiteral("Background fill"));
    EXPECT_EQ(provider->GetData(back, 4).AsInt(), int(BACKGROUND_STYLE));
    EXPECT_EQ(provider->GetRowState(back), RowStateNone);
    const TKvGridDataRow row = provider->GetRow(back);
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[0].ToString(), QStringLiteral("Background"));
    EXPECT_EQ(row[1].ToString(), QStringLiteral("#ffff0000"));

    // Values are read live: a change made to the bag directly shows at once.
    const int font = RowOf(provider.get(), QStringLiteral("Font"));
    EXPECT_FALSE(provider->GetData(font, 2).AsBool());
    bag.SetValue(QStringLiteral("Font"), QStringLiteral("Arial,12"));
    EXPECT_EQ(provider->GetData(font, 1).ToString(), bag.GetValue(QStringLiteral("Font")));
    EXPECT_TRUE(provider->GetData(font, 2).AsBool());

    // The same bag again does nothing; nil empties the provider.
    provider->SetStyles(&bag);
    EXPECT_EQ(recorder.Events, QStringList{"reset"});
    provider->SetStyles(nullptr);
    EXPECT_EQ(provider->GetRowCount(), 0);
    EXPECT_EQ(recorder.Events, (QStringList{"reset", "reset"}));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ffff0000"));
    provider->RemoveListener(&recorder);
}

TEST(StylesDataProvider, WritesOnlyChangedValuesAndRefusesTheRest)
{
    TOwned<TKvGridStylesDataProvider> provider{Create<TKvGridStylesDataProvider>(nullptr)};
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    provider->SetStyles(&bag);
    TRecorder recorder;
    provider->AddListener(&recorder);
    const int back = RowOf(provider.get(), QStringLiteral("Background"));
    const int align = RowOf(provider.get(), QStringLiteral("TextAlignment"));

    KV_EXPECT_THROW_MSG(provider->SetData(back, 0, Variant(QStringLiteral("x"))), Exception, "Can not update value: 0");
    KV_EXPECT_THROW_MSG(provider->SetData(back, 3, Variant(QStringLiteral("x"))), Exception, "Can not update value: 3");
    KV_EXPECT_THROW_MSG(provider->InsertRow(0, {}), Exception, "Can not insert rows");
    KV_EXPECT_THROW_MSG(provider->RemoveRow(0), Exception, "Can not remove rows");
    EXPECT_TRUE(recorder.Events.isEmpty());

    provider->SetData(back, 1, Variant(QStringLiteral("#ff00ff00")));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));
    EXPECT_EQ(provider->GetRecord(back).Value, QStringLiteral("#ff00ff00"));
    EXPECT_EQ(recorder.Events, QStringList{QStringLiteral("value %1,1").arg(back)});
    // The cached text is unchanged: nothing is written or told.
    provider->SetData(back, 1, Variant(QStringLiteral("#ff00ff00")));
    EXPECT_EQ(recorder.Events.size(), 1);

    // Text the property rejects raises and leaves the bag and the cache as they were.
    EXPECT_THROW(provider->SetData(back, 1, Variant(QStringLiteral("linear,#zz"))), Exception);
    EXPECT_EQ(provider->GetRecord(back).Value, QStringLiteral("#ff00ff00"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));
    EXPECT_EQ(recorder.Events.size(), 1);

    // The cache keeps the value the bag made of the text (the enumeration's own spelling).
    provider->SetData(align, 1, Variant(QStringLiteral("aligncenter")));
    EXPECT_EQ(bag.GetTextAlignment(), AlignCenter);
    EXPECT_EQ(provider->GetRecord(align).Value, bag.GetValue(QStringLiteral("TextAlignment")));

    // A row update writes the value when it changed and always tells the row.
    recorder.Events.clear();
    TKvGridDataRow values = provider->GetRow(back);
    provider->UpdateRow(back, values);
    EXPECT_EQ(recorder.Events, QStringList{QStringLiteral("updated %1").arg(back)});
    values[1] = Variant(QStringLiteral("#ff0000ff"));
    provider->UpdateRow(back, values);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0000ff"));

    // After the bag drops its value, the stale cache would drop the old text as unchanged;
    // reloading the row's value lets that text be applied again.
    bag.ClearValue(BACKGROUND_STYLE);
    provider->ReloadValue(back);
    EXPECT_FALSE(provider->GetData(back, 2).AsBool());
    provider->SetData(back, 1, Variant(QStringLiteral("#ff0000ff")));
    EXPECT_TRUE(provider->GetData(back, 2).AsBool());
    provider->RemoveListener(&recorder);
}

TEST(StylesDataProvider, ARowUpdateTellsTheValueAndWritesComparedWithTheBag)
{
    TOwned<TKvGridStylesDataProvider> provider{Create<TKvGridStylesDataProvider>(nullptr)};
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff00ff00"));
    provider->SetStyles(&bag);
    TRecorder recorder;
    provider->AddListener(&recorder);
    TStyleCounter styles;
    bag.AddListener(&styles);
    styles.Count = 0;
    const int back = RowOf(provider.get(), QStringLiteral("Background"));
    const QString value = QStringLiteral("value %1,1").arg(back);
    const QString updated = QStringLiteral("updated %1").arg(back);

    // A row update with a new value is a value change, then a row update.
    TKvGridDataRow values = provider->GetRow(back);
    values[1] = Variant(QStringLiteral("#ff0000ff"));
    provider->UpdateRow(back, values);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0000ff"));
    EXPECT_EQ(recorder.Events, (QStringList{value, updated}));
    EXPECT_EQ(styles.Count, 1);
    recorder.Events.clear();
    provider->UpdateRow(back, values);
    EXPECT_EQ(recorder.Events, QStringList{updated});
    EXPECT_EQ(styles.Count, 1);
    // A refused value tells nothing.
    recorder.Events.clear();
    values[1] = Variant(QStringLiteral("linear,#zz"));
    EXPECT_THROW(provider->UpdateRow(back, values), Exception);
    EXPECT_TRUE(recorder.Events.isEmpty());
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0000ff"));

    // The value cleared outside the provider: the old text sets it again, told once.
    bag.ClearValue(BACKGROUND_STYLE);
    styles.Count = 0;
    provider->SetData(back, 1, Variant(QStringLiteral("#ff0000ff")));
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0000ff"));
    EXPECT_EQ(recorder.Events, QStringList{value});
    EXPECT_EQ(styles.Count, 1);
    // And through a row update.
    recorder.Events.clear();
    bag.ClearValue(BACKGROUND_STYLE);
    values[1] = Variant(QStringLiteral("#ff0000ff"));
    provider->UpdateRow(back, values);
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(recorder.Events, (QStringList{value, updated}));

    // Changed outside to another value: the provider's last text is written again, and the
    // bag's own value is no change.
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff123456"));
    recorder.Events.clear();
    styles.Count = 0;
    provider->SetData(back, 1, Variant(QStringLiteral("#ff0000ff")));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0000ff"));
    EXPECT_EQ(recorder.Events, QStringList{value});
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff123456"));
    recorder.Events.clear();
    styles.Count = 0;
    provider->SetData(back, 1, Variant(QStringLiteral("#ff123456")));
    EXPECT_TRUE(recorder.Events.isEmpty());
    EXPECT_EQ(styles.Count, 0);

    bag.RemoveListener(&styles);
    provider->RemoveListener(&recorder);
}

TEST(StylesDataProvider, TypingAValueClearedElsewhereSetsItAgain)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff00ff00"));
    TOwned<TKvStyleInspectorForm> form{Create<TKvStyleInspectorForm>(nullptr)};
    form->SetStyles(&bag);
    form->Window()->Show();
    QWidget* window = form->Window()->Window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    TKvListView* list = form->GetList();
    list->SetFocus();
    QCoreApplication::processEvents();

    // Code outside the window drops the value while it is open.
    bag.ClearValue(BACKGROUND_STYLE);
    list->Invalidate();
    list->SetFocusedIndex(TKvGridCellIndex(list, form->IndexOfName(QStringLiteral("Background")),
                                           list->GetDataColumn(QStringLiteral("Value"))));
    QCoreApplication::processEvents();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("#ff00ff00"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->GetEditing());
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));
}
