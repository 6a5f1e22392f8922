// The visual designer: a small window in which a person uses the design-time editors on a
// form file. It shows the form's controls and non-visual components, a component tree, an
// object inspector (the selection's published properties through the registered property
// editors: value lists, sub-properties, "..." dialog buttons), the registered verbs on
// right-click, and Save, which writes the form file back. Closing the window with unsaved
// changes asks whether to save them, discard them or stay open. Controls show where their Left,
// Top, Width, Height and Align put them. It stands in for a form designer and does nothing
// more: no placing, moving or sizing of components with the mouse.
#pragma once

#include "platform/design/DesignHost.h"

#include <memory>

class QWidget;

namespace kv {

class TVisualDesigner
{
public:
    // Reads the form file (a TDesignForm or any registered root class); raises on a file that
    // does not read. Relative file names inside the form are read from the form's folder.
    explicit TVisualDesigner(const QString& fileName);
    ~TVisualDesigner();
    TVisualDesigner(const TVisualDesigner&) = delete;
    TVisualDesigner& operator=(const TVisualDesigner&) = delete;

    TComponent* GetForm() const { return FForm.get(); }
    TDesignHost& GetHost() const { return *FHost; }
    QWidget* Window() const;
    const QString& GetFileName() const { return FFileName; }

    void Show();
    // Writes the form file back; the title then shows no unsaved changes.
    void Save();
    // Whether the form changed since it was read or last saved (the title shows " *").
    bool IsModified() const;
    // Opens the verb menu of a component at a screen point (the right-click).
    void PopupVerbMenu(TComponent* component, int screenX, int screenY);
    // Rebuilds the tree and the inspector now (they follow every change on their own).
    void Refresh();

private:
    struct TImpl;
    QString FFileName;
    TOwned<TComponent> FForm;
    std::unique_ptr<TDesignHost> FHost;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace kv
