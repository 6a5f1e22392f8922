#include "test_streaming_classes.h"

#include "platform/rtl/ClassRegistry.h"

namespace kvtest {

using namespace kv;

QStringList& LoadedLog()
{
    static QStringList log;
    return log;
}

int TSampleItem::Destroyed = 0;

TSampleItem::~TSampleItem()
{
    ++Destroyed;
}

void TSampleItem::Assign(const TPersistent* source)
{
    if (const auto* item = dynamic_cast<const TSampleItem*>(source)) {
        FCaption = item->FCaption;
        FWidth = item->FWidth;
        FValue = item->FValue;
        FRef = item->FRef;
        return;
    }
    TCollectionItem::Assign(source);
}

void TSampleItems::Notify(TCollectionItem* item, TCollectionNotification action)
{
    static const char* names[] = {"added", "extracting", "deleting"};
    Notifications << QStringLiteral("%1:%2").arg(QLatin1String(names[action])).arg(item->GetID());
}

void TSampleComponent::AfterConstruction()
{
    TComponent::AfterConstruction();
    FFont.reset(Create<TSampleFont>());
    FItems.reset(Create<TSampleItems>(this));
    Constructed = true;
}

void TSampleComponent::SetBuddy(TComponent* v)
{
    if (v == FBuddy)
        return;
    if (FBuddy)
        FBuddy->RemoveFreeNotification(this);
    FBuddy = v;
    if (FBuddy)
        FBuddy->FreeNotification(this);
}

void TSampleComponent::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FBuddy) {
        FreedSeen << component->ClassName();
        FBuddy = nullptr;
    }
}

void TSampleComponent::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("Extra"), [this](TReader& reader) { Extra = reader.ReadString(); },
        [this](TWriter& writer) { writer.WriteString(Extra); }, !Extra.isEmpty());
    filer.DefineProperty(
        QStringLiteral("Mode"), [this](TReader& reader) { Mode = reader.ReadIdent(); },
        [this](TWriter& writer) { writer.WriteIdent(Mode); }, !Mode.isEmpty());
    filer.DefineProperty(
        QStringLiteral("Points"),
        [this](TReader& reader) {
            Points.clear();
            reader.ReadListBegin();
            while (!reader.EndOfList())
                Points.push_back(reader.ReadInteger());
            reader.ReadListEnd();
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (int p : Points)
                writer.WriteInteger(p);
            writer.WriteListEnd();
        },
        !Points.empty());
}

void TSampleComponent::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    // Parented components owned by the root and placed in this one.
    for (int i = 0; i < root->GetComponentCount(); ++i) {
        TComponent* c = root->GetComponent(i);
        if (c->HasParent() && c->GetParentComponent() == this)
            proc(c);
    }
}

void TSampleComponent::Loaded()
{
    TComponent::Loaded();
    QString entry = GetName();
    if (FBuddy)
        entry += QStringLiteral("->") + FBuddy->GetName();
    LoadedLog() << entry;
}

void TSampleRoot::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    for (int i = 0; i < GetComponentCount(); ++i)
        if (!GetComponent(i)->HasParent())
            proc(GetComponent(i));
    TSampleComponent::GetChildren(proc, root);
}

void TSampleContainer::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    for (int i = 0; i < GetComponentCount(); ++i)
        if (!GetComponent(i)->HasParent())
            proc(GetComponent(i));
    TSampleComponent::GetChildren(proc, root);
}

void TSampleFaulty::ReadState(TReader& reader)
{
    TSampleComponent::ReadState(reader);
    if (FailIn == QLatin1String("ReadState"))
        throw Exception(QStringLiteral("Refused in ReadState"));
}

void TSampleFaulty::Loaded()
{
    TSampleComponent::Loaded();
    if (FailIn == QLatin1String("Loaded"))
        throw Exception(QStringLiteral("Refused in Loaded"));
}

KV_PUBLISH_ENUM(TSampleAlign, "AlignNear", "AlignCenter", "AlignFar");
KV_PUBLISH_ENUM(TSampleOption, "OptionA", "OptionB", "OptionC");

KV_PUBLISH(TSampleFont, TPersistent)
    .Property("Family", &TSampleFont::GetFamily, &TSampleFont::SetFamily).Default("Sans")
    .Property("Size", &TSampleFont::GetSize, &TSampleFont::SetSize).Default(8)
    .Property("Bold", &TSampleFont::GetBold, &TSampleFont::SetBold).Default(false);

KV_PUBLISH(TSampleItem, TCollectionItem)
    .Property("Caption", &TSampleItem::GetCaption, &TSampleItem::SetCaption)
    .Property("Width", &TSampleItem::GetWidth, &TSampleItem::SetWidth).Default(64)
    .Property("Value", &TSampleItem::GetValue, &TSampleItem::SetValue)
    .Property("Ref", &TSampleItem::GetRef, &TSampleItem::SetRef);

KV_PUBLISH(TSampleItems, TOwnedCollection);

KV_PUBLISH(TSampleComponent, TComponent)
    .Property("Count", &TSampleComponent::GetCount, &TSampleComponent::SetCount)
    .Property("Big", &TSampleComponent::GetBig, &TSampleComponent::SetBig).Default(0)
    .Property("Small", &TSampleComponent::GetSmall, &TSampleComponent::SetSmall).Default(0)
    .Property("Ratio", &TSampleComponent::GetRatio, &TSampleComponent::SetRatio)
    .Property("Scale", &TSampleComponent::GetScale, &TSampleComponent::SetScale).Default(1.0)
    .Property("Visible", &TSampleComponent::GetVisible, &TSampleComponent::SetVisible).Default(true)
    .Property("Align", &TSampleComponent::GetAlign, &TSampleComponent::SetAlign).Default(AlignNear)
    .Property("Options", &TSampleComponent::GetOptions, &TSampleComponent::SetOptions).Default(TSampleOptions{OptionA})
    .Property("Caption", &TSampleComponent::GetCaption, &TSampleComponent::SetCaption)
    .Property("Data", &TSampleComponent::GetData, &TSampleComponent::SetData)
    .Property("Font", &TSampleComponent::GetFont)
    .Property("Items", &TSampleComponent::GetItems)
    .Property("Buddy", &TSampleComponent::GetBuddy, &TSampleComponent::SetBuddy)
    .Property("Secret", &TSampleComponent::GetSecret, &TSampleComponent::SetSecret).Stored(false)
    .Property("Tag", &TSampleComponent::GetTag, &TSampleComponent::SetTag).Stored(&TSampleComponent::IsTagStored)
    .Property("ReadOnlyCount", &TSampleComponent::GetReadOnlyCount)
    .Event("OnChange", &TSampleComponent::OnChange);

KV_PUBLISH(TSampleChild, TSampleComponent)
    .Property("Count", &TSampleChild::GetCount, &TSampleChild::SetCount).Default(5)
    .Property("Level", &TSampleChild::GetLevel, &TSampleChild::SetLevel).Default(0);

KV_PUBLISH(TSampleRoot, TSampleComponent)
    .Method("HandleChange", &TSampleRoot::HandleChange)
    .Method("HandleOther", &TSampleRoot::HandleOther)
    .Method("Mismatched", &TSampleRoot::Mismatched);

KV_PUBLISH(TSampleContainer, TSampleComponent);
KV_PUBLISH(TSampleParented, TSampleComponent);
KV_PUBLISH(TSampleUnregistered, TSampleComponent);
KV_PUBLISH(TSampleFaulty, TSampleComponent).Property("FailIn", &TSampleFaulty::FailIn, &TSampleFaulty::FailIn);

void RegisterSampleClasses()
{
    RegisterClasses<TSampleComponent, TSampleChild, TSampleRoot, TSampleContainer, TSampleParented, TSampleFaulty>();
}

} // namespace kvtest
