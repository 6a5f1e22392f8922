#include "TestSupport.h"
#include "test_streaming_classes.h"

#include <QtCore/QFile>
#include <QtCore/QLocale>
#include <random>

using namespace kv;
using namespace kvtest;

namespace {

class Streaming : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterSampleClasses();
        LoadedLog().clear();
    }
};

// A root with every kind of property, a collection, owned, nested and parented children.
TOwned<TSampleRoot> MakeForm()
{
    TOwned<TSampleRoot> root(Create<TSampleRoot>(nullptr));
    root->SetName(QStringLiteral("Form1"));
    root->SetCount(0); // no default: written even at 0
    root->SetBig(-(std::int64_t(1) << 50));
    root->SetSmall(-7);
    root->SetRatio(1234.0625);
    root->SetScale(-3.4e38f);
    root->SetVisible(false);
    root->SetAlign(AlignFar);
    root->SetOptions({OptionB, OptionC});
    root->SetCaption(QStringLiteral("It's\r\n\"fine\" \u00e9\u4e2d\U0001F600"));
    root->SetData(Variant::Array({Variant(1), Variant(2.5), Variant(QStringLiteral("x")), Variant::Null(), Variant(true)}));
    root->GetFont()->SetFamily(QStringLiteral("Serif"));
    root->GetFont()->SetBold(true);
    root->SetSecret(99);
    root->SetTag(3);
    root->Extra = QStringLiteral("extra value");
    root->Points = {1, -2, 3};
    root->Mode = QStringLiteral("Fast_2");

    auto* child = Create<TSampleChild>(root.get());
    child->SetName(QStringLiteral("Child1"));
    child->SetLevel(2);
    child->SetData(Variant(2.0));
    root->SetBuddy(child);

    auto* container = Create<TSampleContainer>(root.get());
    container->SetName(QStringLiteral("Box"));
    auto* inner = Create<TSampleComponent>(container);
    inner->SetName(QStringLiteral("Inner"));
    inner->SetCaption(QStringLiteral("nested"));
    inner->SetBuddy(root.get());

    auto* parented = Create<TSampleParented>(root.get());
    parented->SetName(QStringLiteral("Pinned"));
    parented->SetParentComponent(child);
    parented->SetBuddy(inner);

    TSampleItem* first = root->GetItems()->AddItem();
    first->SetCaption(QStringLiteral("first"));
    first->SetRef(inner);
    TSampleItem* second = root->GetItems()->AddItem();
    second->SetWidth(10);
    second->SetValue(Variant(QStringLiteral("v")));
    child->OnChange = nullptr;
    SetMethodProp(child, GetPropInfo(child, QStringLiteral("OnChange")), root.get(), QStringLiteral("HandleChange"));
    return root;
}

void ExpectSameForm(TSampleRoot* a, TSampleRoot* b)
{
    EXPECT_EQ(a->GetName(), b->GetName());
    EXPECT_EQ(a->GetCount(), b->GetCount());
    EXPECT_EQ(a->GetBig(), b->GetBig());
    EXPECT_EQ(a->GetSmall(), b->GetSmall());
    EXPECT_EQ(a->GetRatio(), b->GetRatio());
    EXPECT_EQ(a->GetScale(), b->GetScale());
    EXPECT_EQ(a->GetVisible(), b->GetVisible());
    EXPECT_EQ(a->GetAlign(), b->GetAlign());
    EXPECT_EQ(a->GetOptions(), b->GetOptions());
    EXPECT_EQ(a->GetCaption(), b->GetCaption());
    EXPECT_EQ(a->GetData(), b->GetData());
    EXPECT_EQ(a->GetFont()->GetFamily(), b->GetFont()->GetFamily());
    EXPECT_EQ(a->GetFont()->GetBold(), b->GetFont()->GetBold());
    EXPECT_EQ(a->GetTag(), b->GetTag());
    EXPECT_EQ(a->Extra, b->Extra);
    EXPECT_EQ(a->Points, b->Points);
    EXPECT_EQ(a->Mode, b->Mode);
    ASSERT_EQ(a->GetItems()->Count(), b->GetItems()->Count());
    for (int i = 0; i < a->GetItems()->Count(); ++i) {
        EXPECT_EQ(a->GetItems()->Item(i)->GetCaption(), b->GetItems()->Item(i)->GetCaption());
        EXPECT_EQ(a->GetItems()->Item(i)->GetWidth(), b->GetItems()->Item(i)->GetWidth());
        EXPECT_EQ(a->GetItems()->Item(i)->GetValue(), b->GetItems()->Item(i)->GetValue());
    }
}

} // namespace

TEST_F(Streaming, EveryKindRoundTripsThroughTextAndFile)
{
    TOwned<TSampleRoot> form = MakeForm();
    const QString text = WriteComponentText(form.get());

    // Read back as a new root found by class name.
    TOwned<TComponent> readBack(ReadComponentText(text));
    auto* copy = dynamic_cast<TSampleRoot*>(readBack.get());
    ASSERT_NE(copy, nullptr) << text.toStdString();
    ExpectSameForm(form.get(), copy);
    EXPECT_EQ(copy->GetSecret(), 0) << "not stored";
    EXPECT_EQ(copy->GetOwner(), nullptr);

    // Children, ownership, parents and references.
    ASSERT_EQ(copy->GetComponentCount(), 3);
    auto* child = dynamic_cast<TSampleChild*>(copy->FindComponent(QStringLiteral("Child1")));
    auto* box = dynamic_cast<TSampleContainer*>(copy->FindComponent(QStringLiteral("Box")));
    auto* pinned = dynamic_cast<TSampleParented*>(copy->FindComponent(QStringLiteral("Pinned")));
    ASSERT_TRUE(child && box && pinned);
    EXPECT_EQ(child->GetLevel(), 2);
    EXPECT_EQ(child->GetData(), Variant(2.0)) << "a whole double stays a double";
    ASSERT_EQ(box->GetComponentCount(), 1);
    auto* inner = dynamic_cast<TSampleComponent*>(box->GetComponent(0));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->GetName(), QStringLiteral("Inner"));
    EXPECT_EQ(inner->GetCaption(), QStringLiteral("nested"));
    EXPECT_EQ(pinned->ParentSeen, child);
    EXPECT_EQ(pinned->GetOwner(), copy);
    EXPECT_EQ(copy->GetBuddy(), child);
    EXPECT_EQ(inner->GetBuddy(), copy);
    EXPECT_EQ(pinned->GetBuddy(), inner);
    EXPECT_EQ(copy->GetItems()->Item(0)->GetRef(), inner);
    EXPECT_EQ(copy->GetItems()->Item(1)->GetRef(), nullptr);
    // The event is bound to the new root's method.
    ASSERT_TRUE(child->OnChange);
    child->OnChange(child);
    EXPECT_EQ(copy->Events, QStringList{QStringLiteral("HandleChange:TSampleChild")});
    EXPECT_TRUE(form->Events.isEmpty());
    for (TComponent* c : {static_cast<TComponent*>(copy), static_cast<TComponent*>(child), static_cast<TComponent*>(inner)})
        EXPECT_FALSE(c->IsLoading());

    // Writing the copy gives the same text.
    EXPECT_EQ(WriteComponentText(copy).toStdString(), text.toStdString());

    // Through a file, into an existing instance.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.kvf"));
    WriteComponentFile(path, form.get());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(bytes), text);
    TOwned<TSampleRoot> target(Create<TSampleRoot>(nullptr));
    EXPECT_EQ(ReadComponentFile(path, target.get()), target.get());
    ExpectSameForm(form.get(), target.get());
    EXPECT_EQ(target->GetComponentCount(), 3);
    KV_EXPECT_THROW_MSG(ReadComponentFile(dir.filePath(QStringLiteral("missing.kvf"))), EFilerError,
                        QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(dir.filePath(QStringLiteral("missing.kvf"))));
}

TEST_F(Streaming, TextFormat)
{
    // Numbers do not follow the locale.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TOwned<TSampleRoot> form = MakeForm();
    const QString text = WriteComponentText(form.get());
    QLocale::setDefault(previous);
    const QStringList lines = text.split(QLatin1Char('\n'));

    EXPECT_EQ(lines.first(), QStringLiteral("object Form1: TSampleRoot"));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Count = 0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Big = -1125899906842624")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Ratio = 1234.0625")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Visible = False")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Align = AlignFar")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Options = [OptionB, OptionC]")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Caption = 'It''s'#13#10'\"fine\" \u00e9\u4e2d\U0001F600'")))
        << text.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("  Data = (1 2.5 'x' Null True)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Font.Family = 'Serif'")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Font.Bold = True")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Buddy = Child1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Extra = 'extra value'")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  Points = (1 -2 3)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    OnChange = HandleChange")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    Data = 2.0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("      Ref = Box.Inner")));
    EXPECT_TRUE(lines.contains(QStringLiteral("      Buddy = Form1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("      Buddy = Box.Inner")));
    // Defaults, stored False, read-only values and names are not written as properties.
    for (const char* absent : {"Small = 0", "Font.Size", "Font.Family = 'Sans'", "Secret", "ReadOnlyCount", "Name =",
                               "    Count = 5", "Level = 0"})
        EXPECT_FALSE(text.contains(QLatin1String(absent))) << absent;
    // The collection: a list of items, the last closed with "end>".
    const qsizetype items = lines.indexOf(QStringLiteral("  Items = <"));
    ASSERT_GE(items, 0);
    EXPECT_EQ(lines.mid(items, 10), (QStringList{"  Items = <", "    item", "      Caption = 'first'",
                                                 "      Ref = Box.Inner", "    end", "    item", "      Width = 10",
                                                 "      Value = 'v'", "    end>", "  Buddy = Child1"}));
    // Nested and parented components sit inside the component they belong to.
    const qsizetype box = lines.indexOf(QStringLiteral("  object Box: TSampleContainer"));
    ASSERT_GE(box, 0);
    EXPECT_EQ(lines.mid(box + 1, 3), (QStringList{"    Tag = 0", "    Count = 0", "    object Inner: TSampleComponent"}));
    const qsizetype child = lines.indexOf(QStringLiteral("  object Child1: TSampleChild"));
    ASSERT_GE(child, 0);
    EXPECT_EQ(lines.indexOf(QStringLiteral("    object Pinned: TSampleParented")), child + 5);
    EXPECT_EQ(lines.at(lines.size() - 2), QStringLiteral("end"));
    EXPECT_TRUE(lines.last().isEmpty());

    // A stored rule that says no, and an unnamed component.
    EXPECT_TRUE(lines.contains(QStringLiteral("  Tag = 3")));
    form->SetTag(42);
    EXPECT_FALSE(WriteComponentText(form.get()).contains(QStringLiteral("Tag = 42")));
    TOwned<TSampleRoot> bare(Create<TSampleRoot>(nullptr));
    EXPECT_EQ(WriteComponentText(bare.get()), QStringLiteral("object TSampleRoot\n  Tag = 0\n  Count = 0\nend\n"));
}

TEST_F(Streaming, ReadsHandWrittenText)
{
    const QString text = QStringLiteral(
        "object Main: TSampleRoot\n"
        "  count = $1F\n"
        "  Big = -$8000000000000000\n"
        "  Ratio = -2.5e3\n"
        "  Caption = 'a'#9'b' +\n"
        "    ' and more'\n"
        "  options = []\n"
        "  Data = (1 (2 3) nil)\n"
        "  Buddy = Main\n"
        "  Items = <>\n"
        "  object TSampleChild\n"
        "    Ratio = 3\n"
        "    OnChange = nil\n"
        "  end\n"
        "end");
    TOwned<TComponent> read(ReadComponentText(text));
    auto* root = dynamic_cast<TSampleRoot*>(read.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), QStringLiteral("Main"));
    EXPECT_EQ(root->GetCount(), 31);
    EXPECT_EQ(root->GetBig(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(root->GetRatio(), -2500.0);
    EXPECT_EQ(root->GetCaption(), QStringLiteral("a\tb and more"));
    EXPECT_TRUE(root->GetOptions().Empty());
    EXPECT_EQ(root->GetData(), Variant::Array({Variant(1), Variant::Array({Variant(2), Variant(3)}), Variant()}));
    EXPECT_EQ(root->GetBuddy(), root);
    ASSERT_EQ(root->GetComponentCount(), 1);
    auto* child = dynamic_cast<TSampleChild*>(root->GetComponent(0));
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->GetName().isEmpty());
    EXPECT_EQ(child->GetRatio(), 3.0);

    // A collection given twice: the second list replaces the first, and a reference made in
    // an item of the first does not land anywhere.
    const QString twice = QStringLiteral(
        "object Main: TSampleRoot\n"
        "  Items = <\n    item\n      Ref = B\n    end>\n"
        "  Items = <\n    item\n      Caption = 'x'\n    end\n    item\n      Ref = B\n    end>\n"
        "  object B: TSampleChild\n  end\n"
        "end\n");
    TOwned<TComponent> second(ReadComponentText(twice));
    auto* items = static_cast<TSampleRoot*>(second.get())->GetItems();
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(0)->GetCaption(), QStringLiteral("x"));
    EXPECT_EQ(items->Item(0)->GetRef(), nullptr);
    EXPECT_EQ(items->Item(1)->GetRef(), second->FindComponent(QStringLiteral("B")));
}

TEST_F(Streaming, ReferencesFixedUpBeforeLoadedInReadingOrder)
{
    TOwned<TSampleRoot> form = MakeForm();
    LoadedLog().clear();
    TOwned<TComponent> full(ReadComponentText(WriteComponentText(form.get())));
    EXPECT_EQ(LoadedLog(), (QStringList{"Form1->Child1", "Child1", "Pinned->Inner", "Box", "Inner->Form1"}));
    LoadedLog().clear();
    // Pinned lives in Child1, which goes next.
    form->FindComponent(QStringLiteral("Pinned"))->Free();
    // A referenced component freed before writing: its reference is gone, nothing dangles.
    TComponent* child = form->FindComponent(QStringLiteral("Child1"));
    ASSERT_EQ(form->GetBuddy(), child);
    child->Free();
    EXPECT_EQ(form->GetBuddy(), nullptr);
    EXPECT_EQ(form->FreedSeen, QStringList{"TSampleChild"}) << "told while the child was whole";
    const QString text = WriteComponentText(form.get());
    EXPECT_FALSE(text.contains(QStringLiteral("Child1")));

    TOwned<TComponent> read(ReadComponentText(text));
    auto* root = static_cast<TSampleRoot*>(read.get());
    EXPECT_EQ(root->GetBuddy(), nullptr);
    // Loaded runs after every reference is resolved: root first, then in reading order.
    EXPECT_EQ(LoadedLog(), (QStringList{"Form1", "Box", "Inner->Form1"}));

    // A forward reference (to a component read later) resolves as well.
    LoadedLog().clear();
    const QString forward = QStringLiteral(
        "object Root: TSampleRoot\n"
        "  object First: TSampleComponent\n    Buddy = Second\n  end\n"
        "  object Second: TSampleComponent\n    Buddy = First\n  end\n"
        "end\n");
    TOwned<TComponent> fwd(ReadComponentText(forward));
    EXPECT_EQ(LoadedLog(), (QStringList{"Root", "First->Second", "Second->First"}));
}

TEST_F(Streaming, BadFormFilesRaiseWithTheLineAndLeaveNothingBehind)
{
    struct Case
    {
        const char* Text;
        const char* Message;
    };
    const Case cases[] = {
        {"object A: TSampleRoot\n  object B: TSampleChild\n    Count = 1\n", "Unexpected end of file ('end' expected) on line 4"},
        {"object A: TSampleRoot\n  Caption = 'open\nend\n", "Unterminated string on line 2"},
        {"object A: TSampleRoot\n  object B: TNoSuchClass\n  end\nend\n", "Class TNoSuchClass not found on line 2"},
        {"object A: TSampleRoot\n  object B: TSampleUnregistered\n  end\nend\n", "Class TSampleUnregistered not found on line 2"},
        {"object A: TSampleRoot\n  object B: TSampleChild\n    Colour = 1\n  end\nend\n",
         "Error reading B.Colour: Property Colour does not exist on line 3"},
        {"object A: TSampleRoot\n  object B: TSampleChild\n  end\n  Count = 'three'\nend\n",
         "Error reading A.Count: Invalid property value (string) on line 4"},
        {"object A: TSampleRoot\n  Visible = 1\nend\n", "Error reading A.Visible: Invalid property value (integer) on line 2"},
        {"object A: TSampleRoot\n  Align = AlignUp\nend\n", "Error reading A.Align: Invalid property value 'AlignUp' on line 2"},
        {"object A: TSampleRoot\n  Options = [OptionA, Nope]\nend\n",
         "Error reading A.Options: Invalid property element: Nope on line 2"},
        {"object A: TSampleRoot\n  Small = 70000\nend\n",
         "Error reading A.Small: Invalid property value '70000' for Small on line 2"},
        // Floats out of the property type's range.
        {"object A: TSampleRoot\n  Scale = 1e39\nend\n", "Error reading A.Scale: Invalid property value '1e+39' for Scale on line 2"},
        {"object A: TSampleRoot\n  Ratio = 1e400\nend\n", "Invalid number on line 2"},
        {"object A: TSampleRoot\n  Scale = -3.5e38\nend\n",
         "Error reading A.Scale: Invalid property value '-3.5e+38' for Scale on line 2"},
        {"object A: TSampleRoot\n  ReadOnlyCount = 1\nend\n",
         "Error reading A.ReadOnlyCount: Property ReadOnlyCount is read-only on line 2"},
        {"object A: TSampleRoot\n  Font = 'x'\nend\n", "Error reading A.Font: Invalid property value (string) on line 2"},
        {"object A: TSampleRoot\n  Items = <\n    item\n      Width = 'w'\n    end>\nend\n",
         "Error reading A.Items[0].Width: Invalid property value (string) on line 4"},
        {"object A: TSampleRoot\n  object B: TSampleChild\n  end\n  Buddy = Nobody\nend\n",
         "Error reading A.Buddy: Unresolved component reference Nobody on line 4"},
        {"object A: TSampleRoot\n  OnChange = Mismatched\nend\n",
         "Error reading A.OnChange: Incompatible method for event OnChange on line 2"},
        // Identifiers that the writer would refuse are refused when read.
        {"object A: TSampleRoot\n  Mode = n.a\nend\n", "Error reading A.Mode: Invalid identifier 'n.a' on line 2"},
        {"object A: TSampleRoot\n  Mode = \u00e9t\u00e9\nend\n",
         "Error reading A.Mode: Invalid identifier '\u00e9t\u00e9' on line 2"},
        {"object A: TSampleRoot\n  Points = 3\nend\n", "Error reading A.Points: Invalid property value (integer) on line 2"},
        {"object A: TSampleRoot\n  Points = (1 'x')\nend\n",
         "Error reading A.Points: Invalid property value (string) on line 2"},
        {"object A: TSampleRoot\n  object B: TSampleChild\n  end\n  object B: TSampleChild\n  end\nend\n",
         "Error reading B: A component named B already exists on line 4"},
        {"object A: TSampleRoot\n  object \u00c4: TSampleChild\n  end\nend\n",
         "Error reading \u00c4: '\u00c4' is not a valid component name on line 2"},
        {"object A: TSampleRoot\n  object B: TSampleFaulty\n    FailIn = 'ReadState'\n  end\nend\n",
         "Error reading B: Refused in ReadState on line 2"},
        {"object A: TSampleRoot\n  object B: TSampleChild\n  end\n  object C: TSampleFaulty\n    FailIn = 'Loaded'\n  end\nend\n",
         "Error reading C: Refused in Loaded on line 4"},
        {"object A: TSampleRoot\nend\nend\n", "Unexpected 'end' after the end of the object on line 3"},
        {"object A: TSampleRoot\n  Count = 1\n  end\n  Ratio = 2\nend\n",
         "Unexpected 'Ratio' after the end of the object on line 4"},
        {"object A: TSampleRoot\n  Count = {00FF}\nend\n", "Binary data is not supported on line 2"},
        {"object A: TSampleRoot\n  Count = 12abc\nend\n", "Invalid number on line 2"},
        {"object A: TSampleRoot\n  Count ? 1\nend\n", "Invalid character '?' on line 2"},
        {"object A: TSampleRoot\n  Count 1\nend\n", "'=' expected but '1' found on line 2"},
        {"thing A: TSampleRoot\nend\n", "'object' expected but 'thing' found on line 1"},
        {"", "Unexpected end of file ('object' expected) on line 1"},
    };
    TOwned<TSampleRoot> owner(Create<TSampleRoot>(nullptr));
    TOwned<TSampleComponent> stranger(Create<TSampleComponent>(owner.get()));
    stranger->SetName(QStringLiteral("Stranger"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        const QString text = QString::fromUtf8(c.Text);
        // Into a new root under an owner: the owner keeps only what it had.
        KV_EXPECT_THROW_MSG(ReadComponentText(text, nullptr, owner.get()), EReadError, QString::fromUtf8(c.Message));
        EXPECT_EQ(owner->GetComponentCount(), 1);
        // Into an existing root: what the read made is freed again, the name is restored.
        TOwned<TSampleRoot> target(Create<TSampleRoot>(nullptr));
        target->SetName(QStringLiteral("Target"));
        auto* keep = Create<TSampleChild>(target.get());
        keep->SetName(QStringLiteral("Keep"));
        KV_EXPECT_THROW_MSG(ReadComponentText(text, target.get()), EReadError, QString::fromUtf8(c.Message));
        ASSERT_EQ(target->GetComponentCount(), 1);
        EXPECT_EQ(target->GetComponent(0), keep);
        EXPECT_EQ(target->GetName(), QStringLiteral("Target"));
        EXPECT_FALSE(target->IsLoading());
    }
    // A root class that is not a component.
    RegisterClass(ClassInfo<TSampleFont>());
    KV_EXPECT_THROW_MSG(ReadComponentText(QStringLiteral("object A: TSampleFont\nend\n")), EReadError,
                        "Class TSampleFont is not a component class on line 1");
    UnRegisterClass(ClassInfo<TSampleFont>());
}

TEST_F(Streaming, WriteErrors)
{
    TOwned<TSampleRoot> form(Create<TSampleRoot>(nullptr));
    auto* unnamed = Create<TSampleComponent>(form.get());
    form->SetBuddy(unnamed);
    KV_EXPECT_THROW_MSG(WriteComponentText(form.get()), EWriteError,
                        "Error writing TSampleRoot.Buddy: the referenced component has no name");
    // References that the reader could not resolve are not written: to an unnamed root, and
    // to a component outside the root.
    unnamed->SetName(QStringLiteral("C1"));
    form->SetBuddy(nullptr);
    unnamed->SetBuddy(form.get());
    KV_EXPECT_THROW_MSG(WriteComponentText(form.get()), EWriteError,
                        "Error writing C1.Buddy: the referenced component has no name");
    unnamed->SetBuddy(nullptr);
    TOwned<TSampleRoot> other(Create<TSampleRoot>(nullptr));
    other->SetName(QStringLiteral("Other"));
    auto* outside = Create<TSampleComponent>(other.get());
    outside->SetName(QStringLiteral("Outside"));
    form->SetBuddy(outside);
    KV_EXPECT_THROW_MSG(WriteComponentText(form.get()), EWriteError,
                        "Error writing TSampleRoot.Buddy: the referenced component Outside does not belong to TSampleRoot");
    form->SetBuddy(nullptr);
    form->SetRatio(std::numeric_limits<double>::infinity());
    KV_EXPECT_THROW_MSG(WriteComponentText(form.get()), EWriteError,
                        "Error writing TSampleRoot.Ratio: Invalid floating point value");
    form->SetRatio(0);
    form->Points = {1};
    form->Extra = QStringLiteral("x");
    EXPECT_NO_THROW(WriteComponentText(form.get()));
    EXPECT_FALSE(form->GetComponentState().Contains(csWriting));

    // A failed write leaves the file that was there.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.kvf"));
    WriteComponentFile(path, form.get());
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();
    form->SetRatio(std::numeric_limits<double>::quiet_NaN());
    EXPECT_THROW(WriteComponentFile(path, form.get()), EWriteError);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), original);
}

TEST_F(Streaming, DamagedTextsReadOrRaiseTheReadError)
{
    // Truncations and single-character or single-line mutations of a valid form text: each
    // either reads or raises EReadError, and a failed read leaves the owner as it was.
    TOwned<TSampleRoot> form = MakeForm();
    const QString text = WriteComponentText(form.get());
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString noise = QStringLiteral("'#$()<>[]=:.,+-09eE_ \nZ\u00e9");
    std::mt19937 random(20240611);
    const auto pick = [&random](qsizetype size) {
        return static_cast<qsizetype>(std::uniform_int_distribution<qsizetype>(0, size - 1)(random));
    };
    QStringList damaged;
    for (qsizetype cut = 0; cut < text.size(); cut += std::max<qsizetype>(1, text.size() / 120))
        damaged << text.left(cut);
    for (int i = 0; i < 120; ++i) {
        QString mutated = text;
        const qsizetype at = pick(mutated.size());
        switch (i % 3) {
        case 0:
            mutated[at] = noise.at(pick(noise.size()));
            break;
        case 1:
            mutated.remove(at, 1);
            break;
        default:
            mutated.insert(at, noise.at(pick(noise.size())));
        }
        damaged << mutated;
    }
    for (int i = 0; i < 80; ++i) {
        QStringList mutated = lines;
        const qsizetype a = pick(mutated.size());
        const qsizetype b = pick(mutated.size());
        switch (i % 4) {
        case 0:
            mutated.removeAt(a);
            break;
        case 1:
            mutated.insert(a, mutated.at(b));
            break;
        case 2:
            mutated.swapItemsAt(a, b);
            break;
        default:
            mutated[a] = mutated.at(a).trimmed().section(QLatin1Char(' '), 0, 0);
        }
        damaged << mutated.join(QLatin1Char('\n'));
    }

    TOwned<TSampleRoot> owner(Create<TSampleRoot>(nullptr));
    int read = 0;
    int refused = 0;
    for (const QString& candidate : damaged) {
        try {
            TOwned<TComponent> result(ReadComponentText(candidate, nullptr, owner.get()));
            ++read;
            EXPECT_EQ(result->GetOwner(), owner.get());
            EXPECT_FALSE(result->IsLoading());
            // What reads writes back, and reads again to the same text.
            const QString written = WriteComponentText(result.get());
            TOwned<TComponent> again(ReadComponentText(written, nullptr, owner.get()));
            EXPECT_EQ(WriteComponentText(again.get()), written) << candidate.toStdString();
        } catch (const EReadError& e) {
            ++refused;
            EXPECT_TRUE(e.Message().contains(QStringLiteral(" on line "))) << e.Message().toStdString();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "unexpected " << typeid(e).name() << " for:\n" << candidate.toStdString();
        }
        ASSERT_EQ(owner->GetComponentCount(), 0) << candidate.toStdString();
        // Into an existing root: either way it is left loaded and keeps what it had.
        TOwned<TSampleRoot> target(Create<TSampleRoot>(nullptr));
        Create<TSampleChild>(target.get())->SetName(QStringLiteral("Keep"));
        try {
            ReadComponentText(candidate, target.get());
        } catch (const EReadError&) {
            ASSERT_EQ(target->GetComponentCount(), 1) << candidate.toStdString();
        }
        EXPECT_FALSE(target->IsLoading());
        EXPECT_NE(target->FindComponent(QStringLiteral("Keep")), nullptr);
    }
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);

    // Deep nesting is refused, not recursed into until the stack runs out.
    KV_EXPECT_THROW_MSG(ReadComponentText(QStringLiteral("object A: TSampleRoot\n  Data = ") +
                                          QString(100000, QLatin1Char('(')) + QStringLiteral("\nend\n")),
                        EReadError, "Nesting too deep on line 2");
    QString nested;
    for (int i = 0; i < 5000; ++i)
        nested += QStringLiteral("object X%1: TSampleChild\n").arg(i);
    KV_EXPECT_THROW_MSG(ReadComponentText(nested, nullptr, owner.get()), EReadError, "Nesting too deep on line 201");
    EXPECT_EQ(owner->GetComponentCount(), 0);
}

namespace {

// Records whether it was in design state when made, when a property was set and in Loaded.
class TDesignProbe : public TComponent
{
public:
    using TComponent::TComponent;
    void AfterConstruction() override
    {
        TComponent::AfterConstruction();
        Seen << QStringLiteral("made:%1").arg(IsDesigning());
    }
    int GetCount() const { return FCount; }
    void SetCount(int v)
    {
        FCount = v;
        Seen << QStringLiteral("count:%1").arg(IsDesigning());
    }
    void Loaded() override
    {
        TComponent::Loaded();
        Seen << QStringLiteral("loaded:%1").arg(IsDesigning());
        if (FCount < 0)
            throw Exception(QStringLiteral("negative"));
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
    QStringList Seen;

private:
    int FCount = 0;
};

KV_PUBLISH(TDesignProbe, TComponent).Property("Count", &TDesignProbe::GetCount, &TDesignProbe::SetCount).Default(0);

} // namespace

// A designer's read makes every component in design state from its construction on, so that
// setters and Loaded follow design-time rules; an application's read makes none. A failed
// designer's read into a form puts the form back out of design state.
TEST_F(Streaming, DesignersReadEveryComponentInDesignState)
{
    RegisterClasses<TDesignProbe>();
    const QString text = QStringLiteral("object Root: TDesignProbe\n  Count = 1\n"
                                        "  object Child: TDesignProbe\n    Count = 2\n  end\nend\n");
    for (bool design : {false, true}) {
        SCOPED_TRACE(design);
        const QString on = design ? QStringLiteral("1") : QStringLiteral("0");
        const QStringList expected{"made:" + on, "count:" + on, "loaded:" + on};
        TOwned<TComponent> root(design ? ReadDesignComponentText(text) : ReadComponentText(text));
        EXPECT_EQ(static_cast<TDesignProbe*>(root.get())->Seen, expected);
        auto* child = static_cast<TDesignProbe*>(root->FindComponent(QStringLiteral("Child")));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->Seen, expected);
        EXPECT_EQ(child->IsDesigning(), design);
    }
    // Into an existing form; the next component made by the application is not in design state.
    TOwned<TDesignProbe> form(Create<TDesignProbe>(nullptr));
    ReadDesignComponentText(text, form.get());
    EXPECT_TRUE(form->IsDesigning());
    EXPECT_TRUE(form->FindComponent(QStringLiteral("Child"))->IsDesigning());
    TOwned<TDesignProbe> later(Create<TDesignProbe>(nullptr));
    EXPECT_FALSE(later->IsDesigning());
    // A read that fails leaves the form as it was.
    TOwned<TDesignProbe> other(Create<TDesignProbe>(nullptr));
    const QString failing = QStringLiteral("object Root: TDesignProbe\n"
                                           "  object Child: TDesignProbe\n    Count = -1\n  end\nend\n");
    EXPECT_THROW(ReadDesignComponentText(failing, other.get()), EReadError);
    EXPECT_FALSE(other->IsDesigning());
    EXPECT_EQ(other->GetComponentCount(), 0);
}
