#include "TestSupport.h"
#include "test_streaming_classes.h"

#include "platform/rtl/ClassRegistry.h"

using namespace kv;
using namespace kvtest;

namespace {

QStringList PropNames(const TClassInfo& info)
{
    QStringList names;
    for (const TPropInfo* prop : info.Properties())
        names << prop->Name;
    return names;
}

struct TOwnedRoot
{
    TOwned<TSampleRoot> Root{Create<TSampleRoot>(nullptr)};
};

} // namespace

TEST(TypInfo, InheritedAndOverriddenPropertiesKeepDeclarationOrder)
{
    const TClassInfo& base = ClassInfo<TSampleComponent>();
    EXPECT_EQ(base.Name(), QStringLiteral("TSampleComponent"));
    EXPECT_EQ(base.Parent(), &ClassInfo<TComponent>());
    const QStringList baseNames = PropNames(base);
    EXPECT_EQ(baseNames.first(), QStringLiteral("Name")); // from TComponent
    // Tag is TComponent's too: the sample's own Tag keeps the inherited place.
    EXPECT_EQ(baseNames.mid(1, 4), (QStringList{"Tag", "Count", "Big", "Small"}));

    const TClassInfo& child = ClassInfo<TSampleChild>();
    const QStringList childNames = PropNames(child);
    // Count keeps its place, Level comes after everything inherited.
    EXPECT_EQ(childNames.size(), baseNames.size() + 1);
    EXPECT_EQ(childNames.mid(0, baseNames.size()), baseNames);
    EXPECT_EQ(childNames.last(), QStringLiteral("Level"));
    const TPropInfo* baseCount = base.FindProperty(QStringLiteral("count"));
    const TPropInfo* childCount = child.FindProperty(QStringLiteral("COUNT"));
    ASSERT_TRUE(baseCount && childCount);
    EXPECT_NE(baseCount, childCount);
    EXPECT_FALSE(baseCount->HasDefault);
    EXPECT_TRUE(childCount->HasDefault);
    EXPECT_EQ(childCount->Default, Variant(5));
    EXPECT_EQ(child.FindProperty(QStringLiteral("Caption")), base.FindProperty(QStringLiteral("Caption")));
    EXPECT_TRUE(child.InheritsFrom(ClassInfo<TPersistent>()));
    EXPECT_FALSE(base.InheritsFrom(child));
    EXPECT_EQ(base.FindProperty(QStringLiteral("Level")), nullptr);

    // Class types by object and by name; an unpublished class answers its nearest ancestor.
    TOwned<TSampleChild> object(Create<TSampleChild>(nullptr));
    EXPECT_EQ(GetClassInfo(object.get()), &child);
    class TLocal : public TSampleChild
    {
    public:
        using TSampleChild::TSampleChild;
    };
    TOwned<TLocal> local(Create<TLocal>(nullptr));
    EXPECT_EQ(GetClassInfo(local.get()), &child);
    EXPECT_EQ(GetClassInfo(nullptr), nullptr);
    EXPECT_EQ(FindType(QStringLiteral("TSampleChild")), &child);
    EXPECT_EQ(FindType(QStringLiteral("TSampleAlign")), &EnumInfo<TSampleAlign>());
    EXPECT_EQ(FindType(QStringLiteral("TNoSuchType")), nullptr);

    // Publishing another class (as a generic list does when first made) leaves the property
    // lists of unrelated classes in place, so a walk over them stays valid.
    const std::vector<const TPropInfo*>& walking = child.Properties();
    const TPropInfo* const* before = walking.data();
    class TLatecomer : public TObject
    {
    public:
        int GetSize() const { return 1; }
    };
    TClassBuilder<TLatecomer, TObject>("TLatecomer").Property("Size", &TLatecomer::GetSize);
    EXPECT_EQ(child.Properties().data(), before);
    EXPECT_EQ(PropNames(child), childNames);
    EXPECT_EQ(PropNames(ClassInfo<TLatecomer>()), QStringList{"Size"});
}

TEST(TypInfo, KindsFlagsDefaultsAndStoredRules)
{
    const TClassInfo& info = ClassInfo<TSampleComponent>();
    struct Expect
    {
        const char* Name;
        TPropKind Kind;
        bool Writable;
    };
    const Expect expected[] = {{"Count", pkInteger, true},       {"Big", pkInteger, true},
                               {"Ratio", pkFloat, true},         {"Visible", pkBoolean, true},
                               {"Align", pkEnumeration, true},   {"Options", pkSet, true},
                               {"Caption", pkString, true},      {"Data", pkVariant, true},
                               {"Font", pkObject, false},        {"Items", pkCollection, false},
                               {"Buddy", pkComponent, true},     {"OnChange", pkMethod, true},
                               {"ReadOnlyCount", pkInteger, false}};
    for (const Expect& e : expected) {
        const TPropInfo* prop = info.FindProperty(QLatin1String(e.Name));
        ASSERT_NE(prop, nullptr) << e.Name;
        EXPECT_EQ(prop->Kind, e.Kind) << e.Name;
        EXPECT_EQ(prop->Writable, e.Writable) << e.Name;
        EXPECT_TRUE(prop->Readable) << e.Name;
    }
    EXPECT_EQ(info.FindProperty(QStringLiteral("Align"))->EnumType, &EnumInfo<TSampleAlign>());
    EXPECT_EQ(info.FindProperty(QStringLiteral("Options"))->EnumType, &EnumInfo<TSampleOption>());
    EXPECT_EQ(info.FindProperty(QStringLiteral("Items"))->ClassType, &ClassInfo<TSampleItems>());
    EXPECT_EQ(EnumInfo<TSampleAlign>().Names(), (QStringList{"AlignNear", "AlignCenter", "AlignFar"}));

    TOwnedRoot r;
    TSampleRoot* c = r.Root.get();
    const auto& props = info;
    // Defaults.
    EXPECT_TRUE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Visible"))));
    c->SetVisible(false);
    EXPECT_FALSE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Visible"))));
    EXPECT_FALSE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Count")))) << "no default: always written";
    EXPECT_TRUE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Ratio"))));
    EXPECT_TRUE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Options"))));
    c->SetOptions({});
    EXPECT_FALSE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Options"))));
    EXPECT_TRUE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Items"))));
    c->GetItems()->Add();
    EXPECT_FALSE(IsDefaultPropValue(c, *props.FindProperty(QStringLiteral("Items"))));
    // Stored rules: constant and per instance.
    EXPECT_FALSE(IsStoredProp(c, *props.FindProperty(QStringLiteral("Secret"))));
    EXPECT_FALSE(IsStoredProp(c, *props.FindProperty(QStringLiteral("Name"))));
    EXPECT_TRUE(IsStoredProp(c, *props.FindProperty(QStringLiteral("Tag"))));
    c->SetTag(42);
    EXPECT_FALSE(IsStoredProp(c, *props.FindProperty(QStringLiteral("Tag"))));
}

TEST(TypInfo, ValuesThroughVariants)
{
    TOwnedRoot r;
    TSampleRoot* c = r.Root.get();
    SetPropValue(c, QStringLiteral("Count"), Variant(12));
    SetPropValue(c, QStringLiteral("Big"), Variant(std::int64_t(1) << 40));
    SetPropValue(c, QStringLiteral("Ratio"), Variant(QStringLiteral("2.5")));
    SetPropValue(c, QStringLiteral("Visible"), Variant(false));
    SetPropValue(c, QStringLiteral("Align"), Variant(QStringLiteral("aligncenter")));
    SetPropValue(c, QStringLiteral("Options"), Variant(QStringLiteral("[OptionB, OptionC]")));
    SetPropValue(c, QStringLiteral("Caption"), Variant(QStringLiteral("Hello")));
    SetPropValue(c, QStringLiteral("Data"), Variant::Null());
    EXPECT_EQ(c->GetCount(), 12);
    EXPECT_EQ(c->GetBig(), std::int64_t(1) << 40);
    EXPECT_EQ(c->GetRatio(), 2.5);
    EXPECT_FALSE(c->GetVisible());
    EXPECT_EQ(c->GetAlign(), AlignCenter);
    EXPECT_EQ(c->GetOptions(), (TSampleOptions{OptionB, OptionC}));
    EXPECT_TRUE(c->GetData().IsNull());

    EXPECT_EQ(GetPropValue(c, QStringLiteral("Count")), Variant(12));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("Align")), Variant(QStringLiteral("AlignCenter")));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("Options")), Variant(QStringLiteral("OptionB,OptionC")));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("Visible")), Variant(false));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("Caption")), Variant(QStringLiteral("Hello")));
    EXPECT_EQ(GetPropValue(c, QStringLiteral("ReadOnlyCount")), Variant(7));
    // Enumerations also take the ordinal.
    SetPropValue(c, QStringLiteral("Align"), Variant(2));
    EXPECT_EQ(c->GetAlign(), AlignFar);

    // Objects as pointers.
    TSampleChild* buddy = Create<TSampleChild>(c);
    const TPropInfo& buddyProp = GetPropInfo(c, QStringLiteral("Buddy"));
    SetObjectProp(c, buddyProp, buddy);
    EXPECT_EQ(c->GetBuddy(), buddy);
    EXPECT_EQ(GetObjectProp(c, buddyProp), buddy);
    EXPECT_EQ(GetPropValue(c, buddyProp).AsInt(), static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(buddy)));
    SetPropValue(c, buddyProp, Variant::Null());
    EXPECT_EQ(c->GetBuddy(), nullptr);
    EXPECT_EQ(GetObjectProp(c, GetPropInfo(c, QStringLiteral("Font"))), c->GetFont());
    EXPECT_TRUE(GetPropValue(c, buddyProp).IsNull());

    // Events bound to published methods by name.
    const TPropInfo& onChange = GetPropInfo(c, QStringLiteral("OnChange"));
    EXPECT_TRUE(GetPropValue(c, onChange).IsNull());
    SetMethodProp(buddy, onChange, c, QStringLiteral("handlechange"));
    ASSERT_TRUE(buddy->OnChange);
    buddy->OnChange(buddy);
    EXPECT_EQ(c->Events, QStringList{QStringLiteral("HandleChange:TSampleChild")});
    EXPECT_EQ(GetPropValue(buddy, onChange), Variant(QStringLiteral("HandleChange")));
    EXPECT_EQ(GetMethodInstance(buddy, onChange), c);
    buddy->OnChange = [](TObject*) {};
    EXPECT_EQ(GetPropValue(buddy, onChange), Variant(QString())) << "an unnamed handler";
    SetMethodProp(buddy, onChange, c, QString());
    EXPECT_FALSE(buddy->OnChange);
}

TEST(TypInfo, BadValuesRaiseAndChangeNothing)
{
    TOwnedRoot r;
    TSampleRoot* c = r.Root.get();
    c->SetCount(3);
    KV_EXPECT_THROW_MSG(GetPropValue(c, QStringLiteral("Missing")), EPropertyError, "Property Missing does not exist");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("ReadOnlyCount"), Variant(1)), EPropertyError,
                        "Property ReadOnlyCount is read-only");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Count"), Variant(QStringLiteral("abc"))),
                        EPropertyConvertError, "Invalid property value 'abc' for Count");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Count"), Variant(1.5)), EPropertyConvertError,
                        "Invalid property value '1.5' for Count");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Count"), Variant(std::int64_t(1) << 40)),
                        EPropertyConvertError, "Invalid property value '1099511627776' for Count");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Small"), Variant(40000)), EPropertyConvertError,
                        "Invalid property value '40000' for Small");
    // Floats stay finite and within their type.
    EXPECT_THROW(SetPropValue(c, QStringLiteral("Scale"), Variant(1e39)), EPropertyConvertError);
    EXPECT_THROW(SetPropValue(c, QStringLiteral("Ratio"), Variant(std::numeric_limits<double>::infinity())),
                 EPropertyConvertError);
    EXPECT_THROW(SetPropValue(c, QStringLiteral("Ratio"), Variant(QStringLiteral("nan"))), EPropertyConvertError);
    SetPropValue(c, QStringLiteral("Scale"), Variant(-3.4e38));
    EXPECT_EQ(c->GetScale(), -3.4e38f);
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Align"), Variant(QStringLiteral("AlignNowhere"))),
                        EPropertyConvertError, "Invalid property value 'AlignNowhere' for Align");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Align"), Variant(3)), EPropertyConvertError,
                        "Invalid property value '3' for Align");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Options"), Variant(QStringLiteral("OptionA,OptionZ"))),
                        EPropertyConvertError, "Invalid property value 'OptionA,OptionZ' for Options");
    KV_EXPECT_THROW_MSG(SetPropValue(c, QStringLiteral("Options"), Variant(8)), EPropertyConvertError,
                        "Invalid property value '8' for Options");
    EXPECT_EQ(c->GetCount(), 3);
    EXPECT_EQ(c->GetAlign(), AlignNear);
    EXPECT_EQ(c->GetOptions(), TSampleOptions{OptionA});

    // A reference of the wrong class is refused.
    TOwned<TSampleFont> font(Create<TSampleFont>());
    const TPropInfo& buddy = GetPropInfo(c, QStringLiteral("Buddy"));
    KV_EXPECT_THROW_MSG(SetObjectProp(c, buddy, font.get()), EPropertyConvertError,
                        "Invalid property value 'TSampleFont' for Buddy");
    EXPECT_EQ(c->GetBuddy(), nullptr);
    KV_EXPECT_THROW_MSG(SetObjectProp(c, GetPropInfo(c, QStringLiteral("Font")), font.get()), EPropertyError,
                        "Property Font is read-only");

    // Events: unknown methods and other signatures are refused.
    const TPropInfo& onChange = GetPropInfo(c, QStringLiteral("OnChange"));
    KV_EXPECT_THROW_MSG(SetMethodProp(c, onChange, c, QStringLiteral("Nope")), EPropertyError, "Method Nope not found");
    KV_EXPECT_THROW_MSG(SetMethodProp(c, onChange, c, QStringLiteral("Mismatched")), EPropertyError,
                        "Incompatible method for event OnChange");
    EXPECT_FALSE(c->OnChange);
}

TEST(TypInfo, ClassNamesAndGenericLists)
{
    generics::TObjectList<TSampleFont> fonts;
    generics::TList<TSampleFont> refs;
    EXPECT_EQ(fonts.ClassName(), QStringLiteral("TObjectList<TSampleFont>"));
    EXPECT_EQ(refs.ClassName(), QStringLiteral("TList<TSampleFont>"));
    fonts.Add(Create<TSampleFont>());
    fonts.Add(Create<TSampleFont>());
    refs.Add(fonts.Get(1));
    const TClassInfo* info = GetClassInfo(&fonts);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Name(), QStringLiteral("TObjectList<TSampleFont>"));
    EXPECT_EQ(GetPropValue(&fonts, QStringLiteral("Count")), Variant(2));
    const TPropInfo& items = GetPropInfo(&refs, QStringLiteral("Items"));
    EXPECT_TRUE(items.Indexed);
    EXPECT_EQ(GetIndexedObjectProp(&refs, items, 0), fonts.Get(1));
    KV_EXPECT_THROW_MSG(GetIndexedObjectProp(&refs, items, 1), EListError,
                        "List index out of bounds (1).  List count is 1");
    KV_EXPECT_THROW_MSG(GetPropValue(&refs, items), EPropertyError, "Property Items is indexed");
}

TEST(ClassRegistry, RegisterFindAndCreate)
{
    RegisterSampleClasses();
    RegisterSampleClasses(); // again: nothing happens
    EXPECT_EQ(&FindClass(QStringLiteral("TSampleChild")), &ClassInfo<TSampleChild>());
    EXPECT_EQ(GetClass(QStringLiteral("tsamplechild")), &ClassInfo<TSampleChild>());
    EXPECT_EQ(GetClass(QStringLiteral("TSampleUnregistered")), nullptr);
    KV_EXPECT_THROW_MSG(FindClass(QStringLiteral("TSampleUnregistered")), EClassNotFound,
                        "Class TSampleUnregistered not found");

    // Another class under a registered name is refused.
    class TFirst : public TComponent
    {
    public:
        using TComponent::TComponent;
    };
    class TSecond : public TComponent
    {
    public:
        using TComponent::TComponent;
    };
    TClassBuilder<TFirst, TComponent>("TCollidingName");
    TClassBuilder<TSecond, TComponent>("TCollidingName");
    RegisterClass(ClassInfo<TFirst>());
    KV_EXPECT_THROW_MSG(RegisterClass(ClassInfo<TSecond>()), EFilerError,
                        "A class named TCollidingName already exists");
    EXPECT_EQ(GetClass(QStringLiteral("TCollidingName")), &ClassInfo<TFirst>());
    UnRegisterClass(ClassInfo<TFirst>());
    EXPECT_EQ(GetClass(QStringLiteral("TCollidingName")), nullptr);

    // Creation by name: constructor, then AfterConstruction, with the owner.
    TOwned<TSampleRoot> owner(Create<TSampleRoot>(nullptr));
    TComponent* made = CreateComponentByName(QStringLiteral("TSampleChild"), owner.get());
    auto* child = dynamic_cast<TSampleChild*>(made);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->Constructed);
    EXPECT_EQ(child->GetCount(), 5);
    EXPECT_EQ(child->GetOwner(), owner.get());
    EXPECT_EQ(owner->GetComponentCount(), 1);
    KV_EXPECT_THROW_MSG(CreateComponentByName(QStringLiteral("TNope"), owner.get()), EClassNotFound,
                        "Class TNope not found");
    EXPECT_EQ(owner->GetComponentCount(), 1);
}
