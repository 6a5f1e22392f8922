#include "components/BDETestSupport.h"
#include "components/KvGrids.Data.BDE.h"
#include "model/ModelTestSupport.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Trace.h"
#include "TestSupport.h"

#include <cmath>

using namespace kv;
using namespace kvtest;

TEST(DataSet, FieldsNavigationEditCycleAndBookmarks)
{
    TPeople p;
    TSQLiteDataSet& set = *p.Set;
    set.Open();
    ASSERT_EQ(set.GetRecordCount(), 4);
    ASSERT_EQ(set.GetFields().Count(), 6);
    EXPECT_NE(dynamic_cast<TIntegerField*>(set.FieldByName("age")), nullptr);
    EXPECT_NE(dynamic_cast<TFloatField*>(set.FieldByName("score")), nullptr);
    EXPECT_NE(dynamic_cast<TStringField*>(set.FieldByName("NAME")), nullptr);
    EXPECT_EQ(set.FieldByName("born")->GetDataType(), ftNumeric);
    EXPECT_NE(dynamic_cast<TNumericField*>(set.FieldByName("born")), nullptr);
    EXPECT_EQ(set.FieldByName("misc")->GetDataType(), ftVariant);
    EXPECT_EQ(set.FindField("nothing"), nullptr);
    // NOT NULL columns are required.
    EXPECT_TRUE(set.FieldByName("name")->GetRequired());
    EXPECT_FALSE(set.FieldByName("age")->GetRequired());
    KV_EXPECT_THROW_MSG(set.FieldByName("nothing"), EDatabaseError, "Field 'nothing' not found");

    set.Last();
    EXPECT_EQ(set.FieldByName("name")->GetValue(), Variant("Dan"));
    EXPECT_TRUE(set.FieldByName("born")->GetValue().IsNull());
    set.Prior();
    EXPECT_EQ(set.FieldByName("born")->GetValue(), Variant(20200101));
    const TBookmark cid = set.GetBookmark();
    set.First();
    KV_EXPECT_THROW_MSG(set.FieldByName("age")->SetValue(1), EDatabaseError, "Dataset not in edit or insert mode");

    // Only changed columns are written, so the blob in "misc" survives an edit.
    set.Edit();
    set.FieldByName("age")->SetValue("31");
    EXPECT_EQ(set.FieldByName("age")->GetValue(), Variant(31));
    KV_EXPECT_THROW_MSG(set.FieldByName("age")->SetValue("old"), EConvertError, "'old' is not a valid integer value: age");
    set.Post();
    EXPECT_EQ(set.GetState(), dsBrowse);
    EXPECT_EQ(p.Stored("age"), (QStringList{"31", "40", "50", "60"}));
    EXPECT_EQ(p.Stored("misc")[0], QString::fromLatin1("\x00\xff", 2));

    set.Edit();
    set.FieldByName("age")->SetValue(99);
    set.Cancel();
    EXPECT_EQ(set.FieldByName("age")->GetValue(), Variant(31));

    // An insert lands before the current record and takes its new rowid and defaults.
    set.SetRecNo(1);
    set.Insert();
    set.FieldByName("name")->SetValue(QStringLiteral("한글 <&>"));
    set.Post();
    EXPECT_EQ(set.GetRecNo(), 1);
    EXPECT_EQ(set.GetRecordCount(), 5);
    EXPECT_EQ(set.FieldByName("id")->GetValue(), Variant(5));
    EXPECT_TRUE(set.FieldByName("age")->GetValue().IsNull());
    EXPECT_EQ(p.Stored("name").last(), QStringLiteral("한글 <&>"));

    // A constraint failure keeps the edit, with nothing written.
    set.Edit();
    set.FieldByName("name")->SetValue(Variant::Null());
    EXPECT_THROW(set.Post(), EDatabaseError);
    EXPECT_EQ(set.GetState(), dsEdit);
    set.Cancel();

    set.GotoBookmark(cid);
    EXPECT_EQ(set.FieldByName("name")->GetValue(), Variant("Cid"));
    set.Delete();
    EXPECT_FALSE(set.BookmarkValid(cid));
    KV_EXPECT_THROW_MSG(set.GotoBookmark(cid), EDatabaseError, "Record not found");
    EXPECT_EQ(p.Stored("name"), (QStringList{"Ann", "Bob", "Dan", QStringLiteral("한글 <&>")}));

    set.Close();
    set.SetWhere(QStringLiteral("age >= 40 ORDER BY age DESC"));
    set.Open();
    EXPECT_EQ(set.GetRecordCount(), 2);
    EXPECT_EQ(set.FieldByName("name")->GetValue(), Variant("Dan"));
}

TEST(DataSet, FileDatabaseKeepsPostedRows)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("people.db"));
    {
        TPeople p(file);
        p.Set->Open();
        p.Provider->UpdateRow(3, {Variant(4), Variant("Dave"), Variant(61)});
    }
    TPeople again(file, false);
    again.Set->Open();
    EXPECT_EQ(again.Provider->GetData(3, 1), Variant("Dave"));
    EXPECT_EQ(again.Provider->GetData(3, 2), Variant(61));
    EXPECT_EQ(again.Provider->GetData(3, 3), Variant(8.0));

    TOwned<TSQLiteDatabase> bad(MakeOwned<TSQLiteDatabase>(nullptr));
    EXPECT_THROW(bad->Open(dir.filePath(QStringLiteral("missing/x.db"))), EDatabaseError);
}

TEST(BDEProvider, RowsFieldsAndValues)
{
    TPeople p;
    EXPECT_EQ(p.Provider->GetRowCount(), 0);
    EXPECT_TRUE(p.Provider->GetData(0, 0).IsEmpty());
    EXPECT_FALSE(p.Provider->CanUpdateRow(0));
    EXPECT_FALSE(p.Provider->CanDeleteRow(0));
    EXPECT_EQ(p.Provider->GetFieldCount(), 0);

    TTraceCapture traces;
    p.Set->Open();
    EXPECT_EQ(p.Recorder.Events, QStringList{"reset"});
    EXPECT_TRUE(traces.Lines().contains(QStringLiteral("[TKvBDEDataProvider] DataLink.ActiveChanged")));
    EXPECT_EQ(p.Provider->GetRowCount(), 4);
    EXPECT_EQ(p.Provider->GetFieldNames(), (QStringList{"id", "name", "age", "score", "born", "misc"}));
    EXPECT_EQ(p.Provider->GetFieldIndex(QStringLiteral("SCORE")), 3);
    EXPECT_EQ(p.Provider->GetFieldIndex(QStringLiteral("x")), -1);
    EXPECT_EQ(p.Provider->GetValueType(2), ValueTypeText);
    EXPECT_TRUE(p.Provider->CanInsertRow(0));
    EXPECT_EQ(p.Provider->GetData(2, 1), Variant("Cid"));
    EXPECT_EQ(p.Provider->GetData(0, 3), Variant(1.5));
    // Reading leaves the dataset where it was.
    p.Set->SetRecNo(1);
    EXPECT_EQ(p.Provider->GetData(3, 1), Variant("Dan"));
    EXPECT_EQ(p.Set->GetRecNo(), 1);
    KV_EXPECT_THROW_MSG(p.Provider->GetData(4, 0), EArgumentOutOfRangeException, "Row 4 is invalid index.");
    KV_EXPECT_THROW_MSG(p.Provider->GetData(-1, 0), EArgumentOutOfRangeException, "Row -1 is invalid index.");
    KV_EXPECT_THROW_MSG(p.Provider->GetData(0, 6), EArgumentOutOfRangeException, "Column 6 is invalid index.");
    EXPECT_EQ(p.Provider->CompareValue(2, 0, 1), -1);

    p.Set->Close();
    EXPECT_EQ(p.Provider->GetRowCount(), 0);
    EXPECT_EQ(p.Recorder.Events.last(), QStringLiteral("reset"));
    p.Set->Open();
    p.Source.reset();
    EXPECT_EQ(p.Provider->GetDataSource(), nullptr);
    EXPECT_EQ(p.Provider->GetRowCount(), 0);
}

TEST(BDEProvider, EditsInsertsAndDeletes)
{
    TPeople p;
    p.Set->Open();
    p.Recorder.Events.clear();

    // Fewer values than fields leave the rest; more values than fields stop at the last.
    p.Provider->UpdateRow(1, {Variant(2), Variant("Bobby")});
    EXPECT_EQ(p.Stored("name"), (QStringList{"Ann", "Bobby", "Cid", "Dan"}));
    EXPECT_EQ(p.Stored("age")[1], QStringLiteral("40"));
    EXPECT_EQ(p.Recorder.Events, QStringList{"refresh"});
    TKvGridDataRow wide(9, Variant(1));
    wide[0] = Variant(1);
    wide[1] = Variant("Anna");
    p.Provider->UpdateRow(0, wide);
    EXPECT_EQ(p.Provider->GetData(0, 5), Variant(1));
    EXPECT_EQ(p.Set->GetState(), dsBrowse);

    // A failing write (conversion or constraint) leaves no edit state and no change.
    EXPECT_THROW(p.Provider->UpdateRow(2, {Variant(3), Variant("Cy"), Variant("old")}), EConvertError);
    EXPECT_EQ(p.Set->GetState(), dsBrowse);
    EXPECT_THROW(p.Provider->UpdateRow(2, {Variant(3), Variant::Null()}), EDatabaseError);
    EXPECT_EQ(p.Set->GetState(), dsBrowse);
    EXPECT_EQ(p.Provider->GetData(2, 1), Variant("Cid"));
    EXPECT_THROW(p.Provider->InsertRow(0, {Variant(), Variant::Null()}), EDatabaseError);
    EXPECT_EQ(p.Set->GetState(), dsBrowse);
    EXPECT_EQ(p.Provider->GetRowCount(), 4);

    // An edit in progress on another record is posted, not overwritten.
    p.Set->SetRecNo(3);
    p.Set->Edit();
    p.Set->FieldByName("age")->SetValue(61);
    p.Provider->UpdateRow(2, {Variant(3), Variant("Cy")});
    EXPECT_EQ(p.Stored("age")[3], QStringLiteral("61"));
    EXPECT_EQ(p.Stored("name")[2], QStringLiteral("Cy"));
    EXPECT_EQ(p.Stored("name")[3], QStringLiteral("Dan"));
    p.Provider->UpdateRow(2, {Variant(3), Variant("Cid")});

    p.Provider->InsertRow(1, {Variant(), Variant("Eve"), Variant(20)});
    p.Provider->InsertRow(5, {Variant(), Variant("Zed")});
    EXPECT_EQ(p.Provider->GetRowCount(), 6);
    EXPECT_EQ(p.Provider->GetData(1, 1), Variant("Eve"));
    EXPECT_EQ(p.Provider->GetData(5, 1), Variant("Zed"));
    KV_EXPECT_THROW_MSG(p.Provider->InsertRow(7, {}), EArgumentOutOfRangeException, "Row 7 is invalid index.");

    // Anna Eve Bobby Cid Dan Zed: removing rows 1, 3 and 4 by bookmark leaves Anna Bobby Zed.
    p.Provider->RemoveRows({1, 3, 4});
    EXPECT_EQ(p.Stored("name"), (QStringList{"Anna", "Bobby", "Zed"}));
    p.Provider->RemoveRow(0);
    EXPECT_EQ(p.Provider->GetRowCount(), 2);
    EXPECT_EQ(p.Provider->GetData(0, 1), Variant("Bobby"));
    KV_EXPECT_THROW_MSG(p.Provider->RemoveRow(2), EArgumentOutOfRangeException, "Row 2 is invalid index.");
}

TEST(BDEProvider, Summaries)
{
    TPeople p;
    TKvBDEDataField* age = p.Provider->GetFields()->Add(QStringLiteral("age"));
    age->SetSummaryType(SummaryAll);
    TKvBDEDataField* score = p.Provider->GetFields()->Add(QStringLiteral("Score"));
    score->SetSummaryType(SummaryTotal);
    p.Provider->GetFields()->Add(QStringLiteral("nothing"))->SetSummaryType(SummaryAll);
    p.Set->Open();
    EXPECT_EQ(p.Provider->GetFields()->Find(QStringLiteral("SCORE")), score);
    EXPECT_EQ(p.Provider->GetFields()->Find(2), age);

    EXPECT_DOUBLE_EQ(p.Provider->GetSum(2).ToDouble(), 180);
    EXPECT_DOUBLE_EQ(p.Provider->GetMin(2).ToDouble(), 30);
    EXPECT_DOUBLE_EQ(p.Provider->GetMax(2).ToDouble(), 60);
    EXPECT_DOUBLE_EQ(p.Provider->GetMean(2).ToDouble(), 45);
    EXPECT_DOUBLE_EQ(p.Provider->GetVar(2).ToDouble(), 125);
    EXPECT_DOUBLE_EQ(p.Provider->GetStdev(2).ToDouble(), std::sqrt(125.0));
    EXPECT_DOUBLE_EQ(p.Provider->GetSum(3).ToDouble(), 16);
    EXPECT_DOUBLE_EQ(p.Provider->GetMean(3).ToDouble(), 4);
    EXPECT_EQ(p.Provider->GetStdev(3).ToDouble(), 0);
    EXPECT_EQ(p.Provider->GetSum(1).ToDouble(), 0);

    // An update re-summarizes.
    p.Provider->UpdateRow(0, {Variant(1), Variant("Ann"), Variant(70)});
    EXPECT_DOUBLE_EQ(p.Provider->GetSum(2).ToDouble(), 220);
    EXPECT_DOUBLE_EQ(p.Provider->GetMax(2).ToDouble(), 70);

    // Over no records every statistic is 0.
    p.Set->Close();
    p.Set->SetWhere(QStringLiteral("age > 1000"));
    p.Set->Open();
    EXPECT_EQ(p.Provider->GetRowCount(), 0);
    for (int f : {2, 3}) {
        EXPECT_EQ(p.Provider->GetSum(f).ToDouble(), 0);
        EXPECT_EQ(p.Provider->GetMean(f).ToDouble(), 0);
        EXPECT_EQ(p.Provider->GetVar(f).ToDouble(), 0);
        EXPECT_EQ(p.Provider->GetStdev(f).ToDouble(), 0);
        EXPECT_EQ(p.Provider->GetMin(f).ToDouble(), 0);
        EXPECT_EQ(p.Provider->GetMax(f).ToDouble(), 0);
    }
}

// Without the design package no dialog is installed: a field added at design time comes
// unnamed, as at run time.
TEST(BDEProvider, DesignTimeFieldWithoutTheDesignerIsAddedUnnamed)
{
    TPeople p;
    p.Set->Open();
    p.Provider->SetDesigning(true);
    TKvBDEDataField* field = p.Provider->GetFields()->Add();
    EXPECT_EQ(field->GetFieldName(), QString());
    EXPECT_EQ(p.Provider->GetFields()->Count(), 1);
}

// A row named twice in one removal goes once; the rows after it stay.
TEST(BDEProvider, RemoveRowsNamingARowTwice)
{
    TPeople p;
    p.Set->Open();
    ASSERT_EQ(p.Stored("name"), (QStringList{"Ann", "Bob", "Cid", "Dan"}));
    p.Provider->RemoveRows({1, 1});
    EXPECT_EQ(p.Stored("name"), (QStringList{"Ann", "Cid", "Dan"}));
    EXPECT_EQ(p.Provider->GetRowCount(), 3);
    p.Provider->RemoveRows({2, 0, 2});
    EXPECT_EQ(p.Stored("name"), (QStringList{"Cid"}));
    EXPECT_EQ(p.Provider->GetData(0, 1), Variant("Cid"));
}

// Summary field names are unique regardless of case, as Find is: every way a name is given
// refuses one in use, and the fields stay as they were.
TEST(BDEProvider, SummaryFieldNamesAreUniqueRegardlessOfCase)
{
    TPeople p;
    p.Set->Open();
    TKvBDEDataFieldCollection* fields = p.Provider->GetFields();
    fields->Add(QStringLiteral("age"));
    fields->Add(QStringLiteral("score"));
    KV_EXPECT_THROW_MSG(fields->Add(QStringLiteral("AGE")), Exception, "Field name 'AGE' is already used by the field 'age'");
    EXPECT_EQ(fields->Count(), 2);
    KV_EXPECT_THROW_MSG(fields->GetItem(1)->SetFieldName(QStringLiteral("Age")), Exception,
                        "Field name 'Age' is already used by the field 'age'");
    EXPECT_EQ(fields->GetItem(1)->GetFieldName(), QStringLiteral("score"));
    fields->GetItem(0)->SetFieldName(QStringLiteral("Age"));
    EXPECT_EQ(fields->GetItem(0)->GetFieldName(), QStringLiteral("Age"));

    TKvBDEDataField::SetFieldDialog([](TKvBDEDataProvider*, QString& name) {
        name = QStringLiteral("SCORE");
        return true;
    });
    TScopeExit noDialog([] { TKvBDEDataField::SetFieldDialog(nullptr); });
    p.Provider->SetDesigning(true);
    KV_EXPECT_THROW_MSG(fields->Add(), Exception, "Field name 'SCORE' is already used by the field 'score'");
    EXPECT_EQ(fields->Count(), 2);
}
