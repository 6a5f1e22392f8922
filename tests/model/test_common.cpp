#include "TestSupport.h"
#include "model/KvGrids.Common.h"
#include "model/KvGrids.Criteria.h"

#include <QtCore/QFile>

using namespace kv;

TEST(DataObject, TypedAccessAndLookup)
{
    TKvDataObject bag;
    bag.SetValue(QStringLiteral("A"), 1);
    Variant v;
    EXPECT_FALSE(bag.TryGetValue(QStringLiteral("B"), v));
    EXPECT_TRUE(bag.TryGetValue(QStringLiteral("A"), v));
    EXPECT_EQ(bag.GetString(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_THROW(bag.GetValue(QStringLiteral("B")), EKeyNotFound);

    bag.SetDateTime(QStringLiteral("When"), 45000.5);
    EXPECT_TRUE(bag.GetValue(QStringLiteral("When")).IsDateTime());
    EXPECT_DOUBLE_EQ(bag.GetDateTime(QStringLiteral("When")), 45000.5);

    // Object references keep every bit of a 64-bit pointer.
    TKvDataObject other;
    bag.SetObject(QStringLiteral("Obj"), &other);
    EXPECT_EQ(bag.GetObject(QStringLiteral("Obj")), &other);

    bag.SetArray(QStringLiteral("Arr"), TKvArrayUtils::ToArray({1, "two"}));
    EXPECT_EQ(bag.GetArary(QStringLiteral("Arr")), (TVariantArray{1, "two"}));

    // Assigning a bag to itself keeps its values.
    bag.Assign(&bag);
    EXPECT_EQ(bag.Count(), 4);
    EXPECT_EQ(bag.GetInteger(QStringLiteral("A")), 1);

    other.SetBoolean(QStringLiteral("Flag"), true);
    bag.Assign(&other);
    EXPECT_EQ(bag.Count(), 1);
    EXPECT_TRUE(bag.GetBoolean(QStringLiteral("Flag")));
    bag.Assign(nullptr);
    EXPECT_EQ(bag.Count(), 0);
}

TEST(DataObject, LoadsFromIniFiles)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, QStringLiteral("service.ini"), "[Service]\nHost=example.test\nPort=8080\n[Other]\nHost=no\n");
    std::unique_ptr<TKvDataObject> bag(TKvDataObject::CreateFromInifile(path, QStringLiteral("Service")));
    EXPECT_EQ(bag->Count(), 2);
    EXPECT_EQ(bag->GetString(QStringLiteral("Host")), QStringLiteral("example.test"));
    EXPECT_EQ(bag->GetInteger(QStringLiteral("Port")), 8080);
    const QString missing = dir.filePath(QStringLiteral("none.ini"));
    KV_EXPECT_THROW_MSG(bag->LoadFromInifile(missing, QStringLiteral("Service")), Exception,
                        QStringLiteral("Ini file is not exists at ") + missing);
}

TEST(Criteria, ArithmeticFolds)
{
    TKvSubtractionExpression sub;
    sub.AddOperand(new TKvImmediateExpression(10));
    sub.AddOperand(new TKvImmediateExpression(3));
    sub.AddOperand(new TKvImmediateExpression(2));
    EXPECT_TRUE(sub.Evaluate() == Variant(5));
    TKvDivisionExpression div;
    div.AddOperand(new TKvImmediateExpression(1));
    div.AddOperand(new TKvImmediateExpression(4));
    EXPECT_TRUE(div.Evaluate() == Variant(0.25));
    TKvModularExpression mod;
    EXPECT_TRUE(mod.Evaluate().IsEmpty());
    EXPECT_THROW(mod.AddOperand(nullptr), EArgumentNilException);
}

TEST(Criteria, Comparisons)
{
    TKvLessThanEqCriteria le(5);
    EXPECT_TRUE(le.Evaluate(5));
    EXPECT_TRUE(le.Evaluate(4));
    EXPECT_FALSE(le.Evaluate(6));
    TKvNotEqCriteria ne(5);
    EXPECT_TRUE(ne.Evaluate(4));
    EXPECT_FALSE(ne.Evaluate(5));
    EXPECT_TRUE(ne.Evaluate("text")); // cannot be ordered: not equal
    TKvGreaterThanCriteria gt(QStringLiteral("b"));
    EXPECT_TRUE(gt.Evaluate(QStringLiteral("c")));
    EXPECT_FALSE(gt.Evaluate(1)); // unordered is neither greater nor less

    TKvAndCriteria all;
    TKvOrCriteria any;
    EXPECT_TRUE(all.Evaluate(123));
    EXPECT_TRUE(any.Evaluate(123));
    TKvGreaterThanEqCriteria ge(1);
    TKvLessThanCriteria lt(10);
    all.Add(&ge);
    all.Add(&lt);
    all.Add(&lt);
    EXPECT_EQ(all.Count(), 2);
    EXPECT_TRUE(all.Evaluate(5));
    EXPECT_FALSE(all.Evaluate(10));
    TKvEqCriteria eq(42);
    any.Add(&eq);
    any.Add(&lt);
    EXPECT_TRUE(any.Evaluate(42));
    EXPECT_FALSE(any.Evaluate(50));
    KV_EXPECT_THROW_MSG(any.Add(nullptr), EArgumentNilException, "criteria");
}
