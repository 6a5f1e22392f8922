// The headless designer: one form in design state, a recorded selection, modifications,
// errors and collection-editor calls, property editors resolved for the selection, and
// component verbs. Tests drive design-time editors through it; the visual host builds on it.
//
//     TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
//     auto* grid = Create<TKvGridView>(form.get());
//     TDesignHost host(form.get());            // form and grid now in design state
//     host.SelectComponent(grid);
//     auto styles = host.FindProperty("Styles");
//     host.ExecuteVerb(grid, 1);
//
// A form file opens as a designer reads it: TOwned<TComponent> form{OpenDesignForm(path)}.
//
// The host borrows the form, which must outlive it. Components freed while the host is open
// leave its selection (and the host tells the notifications ItemDeleted).
#pragma once

#include "platform/design/DesignIntf.h"

#include <memory>

namespace kv {

// A form root for design files: a component with a caption and a size.
class TDesignForm : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TDesignForm(TComponent* owner) : TComponent(owner) {}

public:
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    int GetWidth() const { return FWidth; }
    void SetWidth(int value) { FWidth = value; }
    int GetHeight() const { return FHeight; }
    void SetHeight(int value) { FHeight = value; }
    // Nested components of a form file are owned by the form.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

private:
    QString FCaption;
    int FWidth = 800;
    int FHeight = 600;
};

// Reads a form file as a designer opens it: every component in design state from its
// creation on (ReadDesignComponentFile), files that the form names relative to itself found
// from its folder (which becomes the current folder). The caller owns the form; a file that
// does not read raises.
TComponent* OpenDesignForm(const QString& fileName);

class TDesignHost : public IDesigner
{
public:
    explicit TDesignHost(TComponent* root);
    ~TDesignHost() override;
    TDesignHost(const TDesignHost&) = delete;
    TDesignHost& operator=(const TDesignHost&) = delete;

    // IDesigner
    TComponent* GetRoot() const override { return FRoot; }
    void Modified() override;
    void SelectComponent(TPersistent* instance) override;
    void SetSelections(const TDesignerSelections& list) override;
    void GetSelections(TDesignerSelections& list) const override;
    void Activate() override { ++FActivateCount; }
    QString UniqueName(const QString& baseName) const override;
    void EditCollection(TComponent* owner, TCollection* collection, const QString& propertyName) override;
    void ShowError(const QString& message) override;
    QWidget* GetWindow() const override { return FWindow; }
    // The window of a visual designer on this host (nil: headless).
    void SetWindow(QWidget* window) { FWindow = window; }

    // Puts a new component of the form into design state and tells the notifications.
    void ComponentInserted(TComponent* component);
    // Frees a component of the form (ItemDeleted is told through its free notification).
    void DeleteComponent(TComponent* component);

    const TDesignerSelections& GetSelection() const { return FSelection; }
    int GetModifiedCount() const { return FModifiedCount; }
    int GetActivateCount() const { return FActivateCount; }
    const QStringList& GetErrors() const { return FErrors; }
    struct TCollectionEdit
    {
        TComponent* Owner = nullptr;
        TCollection* Collection = nullptr;
        QString PropertyName;
    };
    const std::vector<TCollectionEdit>& GetCollectionEdits() const { return FCollectionEdits; }
    // Replaces the recording of collection-editor calls (the visual host opens a window).
    std::function<void(TComponent*, TCollection*, const QString&)> OnEditCollection;
    // Replaces the recording of errors (the visual host shows a message box).
    std::function<void(const QString&)> OnError;
    // Called after every selection change and modification (the visual host refreshes).
    std::function<void()> OnChanged;

    // Property editors of the selection (or of one object), in published order, for the kinds.
    std::vector<IntfPtr<IProperty>> GetProperties(TPersistent* instance = nullptr, TPropKinds kinds = tkProperties);
    // The editor of the named property of the selection; a dotted path ("Renderer.Width")
    // walks sub-properties. Nil when there is none.
    IntfPtr<IProperty> FindProperty(const QString& path, TPersistent* instance = nullptr);

    // The component's verbs, and running one through its component editor (errors of the
    // command reach ShowError and are raised again).
    QStringList GetVerbs(TComponent* component);
    void ExecuteVerb(TComponent* component, int index);
    // The verb menu with PrepareItem applied; the editor stays alive with the host until the
    // next call.
    std::vector<TOwned<TDesignMenuItem>> GetVerbMenu(TComponent* component);

private:
    class TWatcher;
    void Watch(TComponent* component);
    void Forget(TComponent* component);
    void SelectionChanged();

    TComponent* FRoot;
    QWidget* FWindow = nullptr;
    std::unique_ptr<TWatcher, TFreeDeleter> FWatcher;
    TDesignerSelections FSelection;
    TOwned<TComponentEditor> FMenuEditor;
    int FModifiedCount = 0;
    int FActivateCount = 0;
    QStringList FErrors;
    std::vector<TCollectionEdit> FCollectionEdits;
};

} // namespace kv
