// Published classes shared by the reflection, collection and streaming tests.
#pragma once

#include "platform/rtl/Collections.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QStringList>
#include <functional>

namespace kvtest {

enum TSampleAlign { AlignNear, AlignCenter, AlignFar };
enum TSampleOption { OptionA, OptionB, OptionC };
using TSampleOptions = kv::TSet<TSampleOption>;

// Names of components as their Loaded runs, and what they saw then.
QStringList& LoadedLog();

class TSampleFont : public kv::TPersistent
{
public:
    QString GetFamily() const { return FFamily; }
    void SetFamily(const QString& v) { FFamily = v; }
    int GetSize() const { return FSize; }
    void SetSize(int v) { FSize = v; }
    bool GetBold() const { return FBold; }
    void SetBold(bool v) { FBold = v; }

private:
    QString FFamily = QStringLiteral("Sans");
    int FSize = 8;
    bool FBold = false;
};

class TSampleItem : public kv::TCollectionItem
{
public:
    using kv::TCollectionItem::TCollectionItem;
    ~TSampleItem() override;
    void Assign(const kv::TPersistent* source) override;

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& v)
    {
        FCaption = v;
        Changed(false);
    }
    int GetWidth() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    kv::Variant GetValue() const { return FValue; }
    void SetValue(const kv::Variant& v) { FValue = v; }
    kv::TComponent* GetRef() const { return FRef; }
    void SetRef(kv::TComponent* v) { FRef = v; }
    QString GetDisplayName() const override { return FCaption.isEmpty() ? kv::TCollectionItem::GetDisplayName() : FCaption; }

    static int Destroyed;

private:
    QString FCaption;
    int FWidth = 64;
    kv::Variant FValue;
    kv::TComponent* FRef = nullptr;
};

class TSampleItems : public kv::TOwnedCollection
{
public:
    explicit TSampleItems(kv::TPersistent* owner) : kv::TOwnedCollection(owner, kv::ClassInfo<TSampleItem>()) {}
    TSampleItem* AddItem() { return static_cast<TSampleItem*>(Add()); }
    TSampleItem* Item(int i) const { return static_cast<TSampleItem*>(GetItem(i)); }

    std::vector<kv::TCollectionItem*> Updates;
    QStringList Notifications;

protected:
    void Update(kv::TCollectionItem* item) override { Updates.push_back(item); }
    void Notify(kv::TCollectionItem* item, kv::TCollectionNotification action) override;
};

class TSampleComponent : public kv::TComponent
{
public:
    explicit TSampleComponent(kv::TComponent* owner) : kv::TComponent(owner) {}
    void AfterConstruction() override;

    int GetCount() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    std::int64_t GetBig() const { return FBig; }
    void SetBig(std::int64_t v) { FBig = v; }
    short GetSmall() const { return FSmall; }
    void SetSmall(short v) { FSmall = v; }
    double GetRatio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    float GetScale() const { return FScale; }
    void SetScale(float v) { FScale = v; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    TSampleAlign GetAlign() const { return FAlign; }
    void SetAlign(TSampleAlign v) { FAlign = v; }
    TSampleOptions GetOptions() const { return FOptions; }
    void SetOptions(TSampleOptions v) { FOptions = v; }
    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    kv::Variant GetData() const { return FData; }
    void SetData(const kv::Variant& v) { FData = v; }
    TSampleFont* GetFont() const { return FFont.get(); }
    TSampleItems* GetItems() const { return FItems.get(); }
    kv::TComponent* GetBuddy() const { return FBuddy; }
    void SetBuddy(kv::TComponent* v);
    int GetSecret() const { return FSecret; }
    void SetSecret(int v) { FSecret = v; }
    int GetTag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    bool IsTagStored() const { return FTag != 42; }
    int GetReadOnlyCount() const { return 7; }

    // Defined (unpublished) values.
    QString Extra;
    std::vector<int> Points;
    QString Mode; // an identifier

    std::function<void(kv::TObject*)> OnChange;
    bool Constructed = false;
    QStringList Events;
    kv::TComponent* ParentSeen = nullptr;
    // Classes of the components whose freeing this one heard of.
    QStringList FreedSeen;

    void DefineProperties(kv::TFiler& filer) override;
    void GetChildren(const kv::TGetChildProc& proc, kv::TComponent* root) override;
    void Loaded() override;

protected:
    void Notification(kv::TComponent* component, kv::TOperation operation) override;

private:
    int FCount = 0;
    std::int64_t FBig = 0;
    short FSmall = 0;
    double FRatio = 0;
    float FScale = 1;
    bool FVisible = true;
    TSampleAlign FAlign = AlignNear;
    TSampleOptions FOptions{OptionA};
    QString FCaption;
    kv::Variant FData;
    kv::TOwned<TSampleFont> FFont;
    kv::TOwned<TSampleItems> FItems;
    kv::TComponent* FBuddy = nullptr;
    int FSecret = 0;
    int FTag = 0;
};

// Overrides Count (default 5) and adds Level.
class TSampleChild : public TSampleComponent
{
public:
    explicit TSampleChild(kv::TComponent* owner) : TSampleComponent(owner) {}
    void AfterConstruction() override
    {
        TSampleComponent::AfterConstruction();
        SetCount(5);
    }
    int GetLevel() const { return FLevel; }
    void SetLevel(int v) { FLevel = v; }

private:
    int FLevel = 0;
};

// A root: streams its owned components that have no parent, and has event handlers.
class TSampleRoot : public TSampleComponent
{
public:
    explicit TSampleRoot(kv::TComponent* owner) : TSampleComponent(owner) {}
    void GetChildren(const kv::TGetChildProc& proc, kv::TComponent* root) override;
    void HandleChange(kv::TObject* sender) { Events << QStringLiteral("HandleChange:") + sender->ClassName(); }
    void HandleOther(kv::TObject* sender) { Events << QStringLiteral("HandleOther"); }
    int Mismatched(int) { return 0; }
};

// Owns the components nested in it (as a frame does).
class TSampleContainer : public TSampleComponent
{
public:
    explicit TSampleContainer(kv::TComponent* owner) : TSampleComponent(owner) {}
    kv::TComponent* GetChildOwner() override { return this; }
    void GetChildren(const kv::TGetChildProc& proc, kv::TComponent* root) override;
};

// A component streamed inside its parent component.
class TSampleParented : public TSampleComponent
{
public:
    explicit TSampleParented(kv::TComponent* owner) : TSampleComponent(owner) {}
    bool HasParent() const override { return true; }
    kv::TComponent* GetParentComponent() const override { return FParentComponent; }
    void SetParentComponent(kv::TComponent* parent) override
    {
        FParentComponent = parent;
        ParentSeen = parent;
    }

private:
    kv::TComponent* FParentComponent = nullptr;
};

// A component whose class is published but never registered.
class TSampleUnregistered : public TSampleComponent
{
public:
    explicit TSampleUnregistered(kv::TComponent* owner) : TSampleComponent(owner) {}
};

// Raises from its own ReadState or Loaded, as FailIn says.
class TSampleFaulty : public TSampleComponent
{
public:
    explicit TSampleFaulty(kv::TComponent* owner) : TSampleComponent(owner) {}
    void ReadState(kv::TReader& reader) override;
    void Loaded() override;
    QString FailIn;
};

void RegisterSampleClasses();

} // namespace kvtest
