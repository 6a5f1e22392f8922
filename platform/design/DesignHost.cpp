#include "platform/design/DesignHost.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <algorithm>

namespace kv {

KV_PUBLISH(TDesignForm, TComponent)
    .Property("Caption", &TDesignForm::GetCaption, &TDesignForm::SetCaption)
    .Property("Width", &TDesignForm::GetWidth, &TDesignForm::SetWidth).Default(800)
    .Property("Height", &TDesignForm::GetHeight, &TDesignForm::SetHeight).Default(600);

void TDesignForm::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    for (int i = 0; i < GetComponentCount(); ++i)
        if (!GetComponent(i)->HasParent())
            proc(GetComponent(i));
}

TComponent* OpenDesignForm(const QString& fileName)
{
    RegisterClass(ClassInfo<TDesignForm>());
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QDir::setCurrent(QFileInfo(path).absolutePath());
    return ReadDesignComponentFile(path);
}

// Hears the freeing of the form's components: they leave the selection and the
// notifications hear ItemDeleted.
class TDesignHost::TWatcher : public TComponent
{
public:
    explicit TWatcher(TDesignHost* host) : TComponent(nullptr), FHost(host) {}

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && FHost)
            FHost->Forget(component);
    }

private:
    friend class TDesignHost;
    TDesignHost* FHost;
};

TDesignHost::TDesignHost(TComponent* root) : FRoot(root)
{
    if (!root)
        throw EArgumentNilException(QStringLiteral("root"));
    FWatcher.reset(new TWatcher(this));
    root->SetDesigning(true, true);
    Watch(root);
    for (TComponent* c : GetFormComponents(this))
        Watch(c);
    AddOpenDesigner(this);
    ForEachDesignNotification([this](IDesignNotification* n) { n->DesignerOpened(this, false); });
}

TDesignHost::~TDesignHost()
{
    FMenuEditor.reset();
    ForEachDesignNotification([this](IDesignNotification* n) { n->DesignerClosed(this, false); });
    RemoveOpenDesigner(this);
    // The watcher stops listening before it goes, so nothing calls back into a half-gone host.
    FWatcher->FHost = nullptr;
    FWatcher.reset();
}

void TDesignHost::Watch(TComponent* component)
{
    if (component && component != FWatcher.get())
        FWatcher->FreeNotification(component);
}

void TDesignHost::Forget(TComponent* component)
{
    const bool selected = FSelection.Contains(component);
    FSelection.Remove(component);
    if (component == FRoot)
        return;
    ForEachDesignNotification([this, component](IDesignNotification* n) { n->ItemDeleted(this, component); });
    if (selected)
        SelectionChanged();
}

void TDesignHost::ComponentInserted(TComponent* component)
{
    if (!component)
        return;
    component->SetDesigning(true, true);
    Watch(component);
    ForEachDesignNotification([this, component](IDesignNotification* n) { n->ItemInserted(this, component); });
}

void TDesignHost::DeleteComponent(TComponent* component)
{
    if (component && component != FRoot)
        component->Free();
    Modified();
}

void TDesignHost::Modified()
{
    ++FModifiedCount;
    // Components that commands made since are watched too, and work in design state.
    for (TComponent* c : GetFormComponents(this)) {
        if (!c->IsDesigning())
            c->SetDesigning(true, true);
        Watch(c);
    }
    ForEachDesignNotification([this](IDesignNotification* n) { n->ItemsModified(this); });
    if (OnChanged)
        OnChanged();
}

void TDesignHost::SelectComponent(TPersistent* instance)
{
    TDesignerSelections list;
    list.Add(instance);
    SetSelections(list);
}

void TDesignHost::SetSelections(const TDesignerSelections& list)
{
    FSelection = list;
    for (int i = 0; i < FSelection.Count(); ++i)
        if (auto* c = dynamic_cast<TComponent*>(FSelection[i]))
            Watch(c);
    SelectionChanged();
}

void TDesignHost::SelectionChanged()
{
    const TDesignerSelections selection = FSelection;
    ForEachDesignNotification([this, &selection](IDesignNotification* n) { n->SelectionChanged(this, selection); });
    if (OnChanged)
        OnChanged();
}

void TDesignHost::GetSelections(TDesignerSelections& list) const
{
    list = FSelection;
}

QString TDesignHost::UniqueName(const QString& baseName) const
{
    QString base = baseName;
    if (base.size() > 1 && base.startsWith(QLatin1Char('T')))
        base.remove(0, 1);
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!FRoot->FindComponent(name) && IsUniqueGlobalComponentName(name))
            return name;
    }
}

void TDesignHost::EditCollection(TComponent* owner, TCollection* collection, const QString& propertyName)
{
    FCollectionEdits.push_back({owner, collection, propertyName});
    if (OnEditCollection)
        OnEditCollection(owner, collection, propertyName);
}

void TDesignHost::ShowError(const QString& message)
{
    FErrors << message;
    if (OnError)
        OnError(message);
}

std::vector<IntfPtr<IProperty>> TDesignHost::GetProperties(TPersistent* instance, TPropKinds kinds)
{
    TDesignerSelections list;
    if (instance)
        list.Add(instance);
    else
        list = FSelection;
    std::vector<IntfPtr<IProperty>> result;
    GetComponentProperties(list, kinds, this, [&result](const IntfPtr<IProperty>& p) { result.push_back(p); });
    return result;
}

IntfPtr<IProperty> TDesignHost::FindProperty(const QString& path, TPersistent* instance)
{
    const QStringList parts = path.split(QLatin1Char('.'));
    IntfPtr<IProperty> current;
    for (const IntfPtr<IProperty>& p : GetProperties(instance))
        if (p->GetName().compare(parts.front(), Qt::CaseInsensitive) == 0)
            current = p;
    for (int i = 1; i < parts.size() && current; ++i) {
        IntfPtr<IProperty> next;
        current->GetProperties([&](const IntfPtr<IProperty>& p) {
            if (p->GetName().compare(parts[i], Qt::CaseInsensitive) == 0)
                next = p;
        });
        current = next;
    }
    return current;
}

QStringList TDesignHost::GetVerbs(TComponent* component)
{
    QStringList verbs;
    TOwned<TComponentEditor> editor = GetComponentEditor(component, this);
    for (int i = 0; i < editor->GetVerbCount(); ++i)
        verbs << editor->GetVerb(i);
    return verbs;
}

void TDesignHost::ExecuteVerb(TComponent* component, int index)
{
    TOwned<TComponentEditor> editor = GetComponentEditor(component, this);
    try {
        editor->ExecuteVerb(index);
    } catch (const Exception& e) {
        ShowError(e.Message());
        throw;
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
        throw;
    }
}

std::vector<TOwned<TDesignMenuItem>> TDesignHost::GetVerbMenu(TComponent* component)
{
    FMenuEditor = GetComponentEditor(component, this);
    return BuildVerbMenu(FMenuEditor.get());
}

} // namespace kv
