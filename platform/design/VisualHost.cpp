// Sections: the window and its parts · the design surface (controls where their bounds and
// alignment put them, and component icons) ·
// the component tree · the object inspector · verb menus · the collection editor · saving.
//
// Call flow: every change of the designer (selection, Modified) arrives through the host's
// OnChanged and schedules one rebuild of the tree and the inspector on the next turn of the
// event loop, so that no widget is deleted inside its own signal. Editing a value calls the
// property editor's SetValue (or Edit for "..."), which reports Modified to the host.
#include "platform/design/VisualHost.h"

#include "platform/rtl/Collections.h"
#include "platform/rtl/Streaming.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QPointer>
#include <QtCore/QSet>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QIcon>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSplitter>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QTreeWidgetItemIterator>
#include <QtWidgets/QVBoxLayout>

namespace kv {

namespace {

constexpr int ObjectRole = Qt::UserRole + 1;

// Shows the form's controls where their properties put them: at their bounds, or aligned
// inside the surface as a parent aligns its children.
class TSurface : public QWidget
{
public:
    std::vector<TControl*> Controls;

protected:
    void resizeEvent(QResizeEvent*) override { Arrange(); }

public:
    void Arrange() { AlignControlsIn(Controls, TRect{0, 0, width(), height()}); }
};

// Presses on a design-time control select it; the right button opens its verbs.
class TPressFilter : public QObject
{
public:
    std::function<void(TComponent*, QMouseEvent*)> OnPress;
    std::map<QObject*, TComponent*> Targets;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            for (QObject* o = watched; o; o = o->parent()) {
                const auto it = Targets.find(o);
                if (it != Targets.end()) {
                    OnPress(it->second, static_cast<QMouseEvent*>(event));
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// The designer's main window; closing asks CanClose first.
class TDesignerWindow : public QMainWindow
{
public:
    std::function<bool()> CanClose;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (CanClose && !CanClose()) {
            event->ignore();
            return;
        }
        QMainWindow::closeEvent(event);
    }
};

QString DisplayName(TPersistent* object)
{
    if (auto* c = dynamic_cast<TComponent*>(object))
        return QStringLiteral("%1: %2").arg(c->GetName().isEmpty() ? QStringLiteral("(unnamed)") : c->GetName(),
                                            c->ClassName());
    if (auto* item = dynamic_cast<TCollectionItem*>(object))
        return item->GetDisplayName();
    return object ? object->ClassName() : QString();
}

} // namespace

struct TVisualDesigner::TImpl
{
    TVisualDesigner* Owner = nullptr;
    TDesignerWindow Window;
    TSurface* Surface = nullptr;
    QWidget* Icons = nullptr;
    QHBoxLayout* IconLayout = nullptr;
    QTreeWidget* Tree = nullptr;
    QTreeWidget* Inspector = nullptr;
    QLabel* Status = nullptr;
    TPressFilter Presses;
    std::vector<IntfPtr<IProperty>> Props; // keeps the shown editors alive
    std::vector<TOwned<TDesignMenuItem>> Menu;
    bool Pending = false;
    bool Filling = false;
    // The host's modification count when the form was read or last saved.
    int SavedCount = 0;

    TDesignHost& Host() { return Owner->GetHost(); }

    bool IsModified() { return Host().GetModifiedCount() != SavedCount; }

    void UpdateTitle()
    {
        Window.setWindowTitle(QStringLiteral("%1%2 - Designer")
                                  .arg(QFileInfo(Owner->GetFileName()).fileName(),
                                       IsModified() ? QStringLiteral(" *") : QString()));
    }

    // Unsaved changes: save (a failed save keeps the window open), discard or cancel.
    bool CanClose()
    {
        if (!IsModified())
            return true;
        const QString name = QFileInfo(Owner->GetFileName()).fileName();
        switch (MessageBox(QStringLiteral("Save changes to %1 before closing?").arg(name), QStringLiteral("Designer"),
                           MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES: {
            bool saved = false;
            Run([this, &saved] {
                Owner->Save();
                saved = true;
            });
            return saved;
        }
        case IDNO:
            return true;
        default:
            return false;
        }
    }

    void Schedule()
    {
        if (Pending)
            return;
        Pending = true;
        QTimer::singleShot(0, &Window, [this] { Rebuild(); });
    }

    void Rebuild()
    {
        Pending = false;
        UpdateTitle();
        BuildSurface();
        BuildTree();
        BuildInspector();
    }

    // ---- the design surface ----

    void BuildSurface()
    {
        std::vector<TControl*> controls;
        std::vector<TComponent*> others;
        for (int i = 0; i < Owner->GetForm()->GetComponentCount(); ++i) {
            TComponent* c = Owner->GetForm()->GetComponent(i);
            if (c->HasParent())
                continue;
            if (auto* control = dynamic_cast<TControl*>(c))
                controls.push_back(control);
            else
                others.push_back(c);
        }
        if (controls != Surface->Controls) {
            Surface->Controls = controls;
            Presses.Targets.clear();
            for (TControl* control : controls) {
                QWidget* w = control->Widget();
                w->setParent(Surface);
                w->installEventFilter(&Presses);
                for (QObject* child : w->findChildren<QObject*>())
                    child->installEventFilter(&Presses);
                Presses.Targets[w] = control;
                w->show();
            }
        }
        Surface->Arrange();
        while (QLayoutItem* item = IconLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (TComponent* c : others) {
            auto* button = new QToolButton(Icons);
            const QString picture = QStringLiteral(":/kvgrids/%1.png").arg(GetClassInfo(c)->Name().toUpper());
            button->setIcon(QIcon(picture));
            button->setIconSize(QSize(24, 24));
            button->setText(c->GetName());
            button->setToolTip(c->ClassName());
            button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button->setAutoRaise(true);
            button->setCheckable(true);
            button->setChecked(Host().GetSelection().Contains(c));
            Presses.Targets[button] = c;
            button->installEventFilter(&Presses);
            IconLayout->addWidget(button);
        }
        IconLayout->addStretch(1);
    }

    // ---- the component tree ----

    void AddNode(QTreeWidgetItem* parent, TComponent* c)
    {
        auto* node = new QTreeWidgetItem(parent, {DisplayName(c)});
        node->setData(0, ObjectRole, QVariant::fromValue(static_cast<void*>(static_cast<TPersistent*>(c))));
        if (Host().GetSelection().Contains(c))
            node->setSelected(true);
        c->GetChildren([this, node](TComponent* child) { AddNode(node, child); }, Owner->GetForm());
    }

    void BuildTree()
    {
        Filling = true;
        Tree->clear();
        TComponent* form = Owner->GetForm();
        auto* root = new QTreeWidgetItem(Tree, {DisplayName(form)});
        root->setData(0, ObjectRole, QVariant::fromValue(static_cast<void*>(static_cast<TPersistent*>(form))));
        root->setSelected(Host().GetSelection().Contains(form));
        for (int i = 0; i < form->GetComponentCount(); ++i)
            if (!form->GetComponent(i)->HasParent())
                AddNode(root, form->GetComponent(i));
        Tree->expandAll();
        Filling = false;
    }

    void TreeSelectionChanged()
    {
        if (Filling)
            return;
        TDesignerSelections list;
        for (QTreeWidgetItem* item : Tree->selectedItems())
            list.Add(static_cast<TPersistent*>(item->data(0, ObjectRole).value<void*>()));
        if (!list.Equals(Host().GetSelection()))
            Host().SetSelections(list);
    }

    // ---- the object inspector ----

    void Run(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const EAbort&) {
            // A cancelled dialog: nothing to show.
            Schedule();
        } catch (const Exception& e) {
            Host().ShowError(e.Message());
            Schedule();
        } catch (const std::exception& e) {
            Host().ShowError(QString::fromUtf8(e.what()));
            Schedule();
        }
    }

    QWidget* EditorFor(const IntfPtr<IProperty>& prop)
    {
        const TPropertyAttributes attrs = prop->GetAttributes();
        const QString value = prop->GetValue();
        IProperty* p = prop.get();
        if (attrs.Contains(paValueList)) {
            auto* combo = new QComboBox;
            QStringList values;
            prop->GetValues([&values](const QString& v) { values << v; });
            if (attrs.Contains(paSortList))
                values.sort(Qt::CaseInsensitive);
            if (!values.contains(value))
                values.prepend(value);
            combo->addItems(values);
            combo->setCurrentText(value);
            QObject::connect(combo, &QComboBox::textActivated, combo, [this, p](const QString& text) {
                Run([p, &text] { p->SetValue(text); });
            });
            return combo;
        }
        if (attrs.Contains(paDialog)) {
            auto* box = new QWidget;
            auto* layout = new QHBoxLayout(box);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(1);
            auto* text = new QLineEdit(value);
            text->setReadOnly(true);
            auto* dots = new QToolButton;
            dots->setText(QStringLiteral("..."));
            layout->addWidget(text, 1);
            layout->addWidget(dots);
            QObject::connect(dots, &QToolButton::clicked, dots, [this, p] {
                Run([p] { p->Edit(); });
                Schedule();
            });
            return box;
        }
        if (attrs.Contains(paReadOnly))
            return new QLabel(value);
        auto* edit = new QLineEdit(value);
        QObject::connect(edit, &QLineEdit::editingFinished, edit, [this, p, edit] {
            if (edit->isModified())
                Run([p, edit] { p->SetValue(edit->text()); });
            edit->setModified(false);
        });
        return edit;
    }

    void AddProperty(QTreeWidgetItem* parent, const IntfPtr<IProperty>& prop, int depth)
    {
        Props.push_back(prop);
        auto* item = parent ? new QTreeWidgetItem(parent, {prop->GetName()})
                            : new QTreeWidgetItem(Inspector, {prop->GetName()});
        Inspector->setItemWidget(item, 1, EditorFor(prop));
        if (depth < 3 && prop->GetAttributes().Contains(paSubProperties))
            prop->GetProperties([this, item, depth](const IntfPtr<IProperty>& sub) { AddProperty(item, sub, depth + 1); });
    }

    // Paths ("Renderer/Font") of the open rows under parent.
    static void ExpandedPaths(QTreeWidgetItem* parent, const QString& prefix, QSet<QString>& paths)
    {
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem* item = parent->child(i);
            const QString path = prefix + item->text(0);
            if (item->isExpanded()) {
                paths.insert(path);
                ExpandedPaths(item, path + QLatin1Char('/'), paths);
            }
        }
    }

    static void Expand(QTreeWidgetItem* parent, const QString& prefix, const QSet<QString>& paths)
    {
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem* item = parent->child(i);
            const QString path = prefix + item->text(0);
            if (paths.contains(path)) {
                item->setExpanded(true);
                Expand(item, path + QLatin1Char('/'), paths);
            }
        }
    }

    static QString PathOf(QTreeWidgetItem* item)
    {
        QString path;
        for (; item; item = item->parent())
            path = path.isEmpty() ? item->text(0) : item->text(0) + QLatin1Char('/') + path;
        return path;
    }

    QTreeWidgetItem* ItemAt(const QString& path) const
    {
        QTreeWidgetItem* item = Inspector->invisibleRootItem();
        for (const QString& name : path.split(QLatin1Char('/'))) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && !next; ++i)
                if (item->child(i)->text(0) == name)
                    next = item->child(i);
            if (!next)
                return nullptr;
            item = next;
        }
        return item;
    }

    // The row whose editor has the keyboard focus; nil when none has.
    QTreeWidgetItem* FocusedRow() const
    {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !Inspector->isAncestorOf(focus))
            return nullptr;
        for (QTreeWidgetItemIterator it(Inspector); *it; ++it)
            if (QWidget* editor = Inspector->itemWidget(*it, 1); editor && (editor == focus || editor->isAncestorOf(focus)))
                return *it;
        return nullptr;
    }

    // Rows that were open stay open, the view stays where it was and the row being edited
    // keeps the focus (it does not pass to another row's editor).
    void BuildInspector()
    {
        QSet<QString> expanded;
        ExpandedPaths(Inspector->invisibleRootItem(), QString(), expanded);
        const int scroll = Inspector->verticalScrollBar()->value();
        const QString current = Inspector->currentItem() ? PathOf(Inspector->currentItem()) : QString();
        const QString focused = FocusedRow() ? PathOf(FocusedRow()) : QString();
        if (!focused.isEmpty())
            Inspector->setFocus();
        Inspector->clear();
        Props.clear();
        try {
            for (const IntfPtr<IProperty>& prop : Host().GetProperties())
                AddProperty(nullptr, prop, 0);
        } catch (const Exception& e) {
            Status->setText(e.Message());
        }
        Expand(Inspector->invisibleRootItem(), QString(), expanded);
        if (QTreeWidgetItem* item = current.isEmpty() ? nullptr : ItemAt(current))
            Inspector->setCurrentItem(item);
        if (QTreeWidgetItem* item = focused.isEmpty() ? nullptr : ItemAt(focused)) {
            QWidget* editor = Inspector->itemWidget(item, 1);
            if (auto* edit = editor ? editor->findChild<QLineEdit*>() : nullptr; edit && !qobject_cast<QLineEdit*>(editor))
                editor = edit;
            if (editor)
                editor->setFocus(Qt::OtherFocusReason);
        }
        Inspector->verticalScrollBar()->setValue(scroll);
        const int n = Host().GetSelection().Count();
        Status->setText(n == 1 ? DisplayName(Host().GetSelection()[0]) : QStringLiteral("%1 selected").arg(n));
    }

    // ---- verb menus ----

    void FillMenu(QMenu* menu, TDesignMenuItem* item)
    {
        for (int i = 0; i < item->Count(); ++i)
            AddMenuItem(menu, item->GetItem(i));
    }

    void AddMenuItem(QMenu* menu, TDesignMenuItem* item)
    {
        if (item->IsLine()) {
            menu->addSeparator();
            return;
        }
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(item->GetCaption());
            FillMenu(sub, item);
            return;
        }
        QAction* action = menu->addAction(item->GetCaption());
        action->setEnabled(item->GetEnabled());
        QObject::connect(action, &QAction::triggered, menu, [this, item] { Run([item] { item->Click(); }); });
    }

    void PopupVerbs(TComponent* c, const QPoint& at)
    {
        Menu = Host().GetVerbMenu(c);
        if (Menu.empty())
            return;
        auto* menu = new QMenu(&Window);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->setObjectName(QStringLiteral("verbs"));
        for (const auto& item : Menu)
            AddMenuItem(menu, item.get());
        // Opened after the mouse press that asked for it is done with.
        QTimer::singleShot(0, menu, [menu, at] { menu->popup(at); });
    }

    // ---- the collection editor ----

    void EditCollection(TComponent* owner, TCollection* collection, const QString& name)
    {
        auto* dialog = new QDialog(&Window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(QStringLiteral("Editing %1.%2").arg(owner ? owner->GetName() : QString(), name));
        auto* layout = new QVBoxLayout(dialog);
        auto* list = new QListWidget;
        auto* buttons = new QHBoxLayout;
        auto* add = new QPushButton(QStringLiteral("Add"));
        auto* remove = new QPushButton(QStringLiteral("Delete"));
        buttons->addWidget(add);
        buttons->addWidget(remove);
        layout->addWidget(list);
        layout->addLayout(buttons);
        auto fill = [collection, list] {
            list->clear();
            for (int i = 0; i < collection->Count(); ++i)
                list->addItem(QStringLiteral("%1 - %2").arg(i).arg(collection->GetItem(i)->GetDisplayName()));
        };
        fill();
        QObject::connect(list, &QListWidget::currentRowChanged, dialog, [this, collection](int row) {
            if (row >= 0 && row < collection->Count())
                Host().SelectComponent(collection->GetItem(row));
        });
        QObject::connect(add, &QPushButton::clicked, dialog, [this, collection, fill] {
            const int count = collection->Count();
            Run([collection] { collection->Add(); });
            if (collection->Count() != count)
                Host().Modified();
            fill();
        });
        QObject::connect(remove, &QPushButton::clicked, dialog, [this, collection, list, fill] {
            const int row = list->currentRow();
            if (row < 0 || row >= collection->Count())
                return;
            Host().SelectComponent(nullptr);
            collection->Delete(row);
            Host().Modified();
            fill();
        });
        dialog->resize(300, 260);
        dialog->show();
    }
};

TVisualDesigner::TVisualDesigner(const QString& fileName)
    : FFileName(QFileInfo(fileName).absoluteFilePath()), FImpl(std::make_unique<TImpl>())
{
    FForm.reset(OpenDesignForm(FFileName));
    FHost = std::make_unique<TDesignHost>(FForm.get());

    TImpl& d = *FImpl;
    d.Owner = this;
    d.Window.resize(1400, 860);
    auto* tools = d.Window.addToolBar(QStringLiteral("File"));
    tools->setObjectName(QStringLiteral("file"));
    QAction* save = tools->addAction(QStringLiteral("Save"));
    save->setShortcut(QKeySequence::Save);
    QObject::connect(save, &QAction::triggered, &d.Window, [this] { FImpl->Run([this] { Save(); }); });

    auto* split = new QSplitter(&d.Window);
    d.Tree = new QTreeWidget;
    d.Tree->setHeaderLabel(QStringLiteral("Components"));
    d.Tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    d.Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(d.Tree, &QTreeWidget::itemSelectionChanged, d.Tree, [this] { FImpl->TreeSelectionChanged(); });
    QObject::connect(d.Tree, &QWidget::customContextMenuRequested, d.Tree, [this](const QPoint& p) {
        QTreeWidgetItem* item = FImpl->Tree->itemAt(p);
        auto* c = item ? dynamic_cast<TComponent*>(static_cast<TPersistent*>(item->data(0, ObjectRole).value<void*>()))
                       : nullptr;
        if (c)
            FImpl->PopupVerbs(c, FImpl->Tree->viewport()->mapToGlobal(p));
    });

    auto* middle = new QWidget;
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    d.Surface = new TSurface;
    d.Surface->setMinimumSize(300, 200);
    d.Icons = new QWidget;
    d.IconLayout = new QHBoxLayout(d.Icons);
    d.IconLayout->setContentsMargins(4, 2, 4, 2);
    middleLayout->addWidget(d.Surface, 1);
    middleLayout->addWidget(d.Icons);

    d.Inspector = new QTreeWidget;
    d.Inspector->setColumnCount(2);
    d.Inspector->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    d.Inspector->header()->resizeSection(0, 150);

    split->addWidget(d.Tree);
    split->addWidget(middle);
    split->addWidget(d.Inspector);
    split->setSizes({220, 800, 380});
    d.Window.setCentralWidget(split);
    d.Status = new QLabel;
    d.Window.statusBar()->addWidget(d.Status);

    d.Presses.OnPress = [this](TComponent* c, QMouseEvent* e) {
        FHost->SelectComponent(c);
        if (e->button() == Qt::RightButton)
            FImpl->PopupVerbs(c, e->globalPosition().toPoint());
    };
    FHost->OnChanged = [this] { FImpl->Schedule(); };
    FHost->OnError = [](const QString& message) { MessageBox(message, QStringLiteral("Designer"), MB_OK | MB_ICONERROR); };
    FHost->OnEditCollection = [this](TComponent* owner, TCollection* collection, const QString& name) {
        FImpl->EditCollection(owner, collection, name);
    };
    d.Window.CanClose = [this] { return FImpl->CanClose(); };
    FHost->SetWindow(&d.Window);
    FHost->SelectComponent(FForm.get());
    d.SavedCount = FHost->GetModifiedCount();
    d.Rebuild();
}

TVisualDesigner::~TVisualDesigner()
{
    FHost->OnChanged = nullptr;
    FHost->OnEditCollection = nullptr;
    FImpl->Window.CanClose = nullptr;
    FHost->SetWindow(nullptr);
    // The controls' peers belong to the surface; take them back before the window goes.
    for (TControl* control : FImpl->Surface->Controls)
        if (control->HandleAllocated())
            control->Widget()->setParent(nullptr);
    FImpl->Surface->Controls.clear();
    FImpl->Props.clear();
    FImpl->Menu.clear();
    FHost.reset();
    FImpl.reset();
    FForm.reset();
}

QWidget* TVisualDesigner::Window() const
{
    return &FImpl->Window;
}

void TVisualDesigner::Show()
{
    FImpl->Window.show();
}

void TVisualDesigner::Save()
{
    WriteComponentFile(FFileName, FForm.get());
    FImpl->SavedCount = FHost->GetModifiedCount();
    FImpl->UpdateTitle();
    FImpl->Status->setText(QStringLiteral("Saved %1").arg(FFileName));
}

bool TVisualDesigner::IsModified() const
{
    return FImpl->IsModified();
}

void TVisualDesigner::PopupVerbMenu(TComponent* component, int screenX, int screenY)
{
    FImpl->PopupVerbs(component, QPoint(screenX, screenY));
}

void TVisualDesigner::Refresh()
{
    FImpl->Rebuild();
}

} // namespace kv
