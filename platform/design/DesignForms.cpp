// Sections: controls (base, container, simple controls), combo box with owner-drawn items,
// paint box, actions, tool bar and menu, tree view, window.
//
// Call flow: a design window makes its wrappers with Add (each wrapper makes its Qt widget as
// a child of the window) and places them in grid layouts. Qt signals of user input reach the
// wrappers' On... events; owner-drawn combo items and paint boxes call back with a TCanvas
// over the widget's painter; every event first asks CanRaise (the control's and its window's
// blockers). ShowModal pushes the window on the modal stack, queues the modal-window hook and
// runs QDialog::exec; a button with a modal result ends it through SetModalResult. A modeless
// window reports its closing through OnClose.
#include "platform/design/DesignForms.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Controls.h"

#include <QtCore/QPointer>
#include <QtGui/QAction>
#include <QtGui/QGuiApplication>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSlider>
#include <QtWidgets/QStyledItemDelegate>
#include <QtWidgets/QStylePainter>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>
#include <algorithm>
#include <unordered_map>
#include <utility>

namespace kv {

namespace {
TRect ToRect(const QRect& r) { return TRect::Bounds(r.x(), r.y(), r.width(), r.height()); }
} // namespace

// --- Controls ---------------------------------------------------------------------------

bool TDesignControl::GetVisible() const { return !FWidget->isHidden(); }
void TDesignControl::SetVisible(bool value) { FWidget->setVisible(value); }
bool TDesignControl::GetEnabled() const { return FWidget->isEnabled(); }
void TDesignControl::SetEnabled(bool value) { FWidget->setEnabled(value); }
void TDesignControl::SetFocus() { FWidget->setFocus(Qt::OtherFocusReason); }
bool TDesignControl::Focused() const
{
    const QWidget* focus = FWidget->window()->focusWidget();
    return focus && (focus == FWidget || FWidget->isAncestorOf(focus));
}
void TDesignControl::SetName(const QString& name) { FWidget->setObjectName(name); }
void TDesignControl::SetHint(const QString& hint) { FWidget->setToolTip(hint); }
void TDesignControl::Invalidate() { FWidget->update(); }
void TDesignControl::SetMinimumWidth(int width) { FWidget->setMinimumWidth(width); }

bool TDesignControl::CanRaise() const
{
    if (EventsBlocked())
        return false;
    const TDesignWindow* window = GetWindow();
    return !window || !window->EventsBlocked();
}

TDesignContainer::TDesignContainer(QWidget* widget) : TDesignControl(widget), FLayout(new QGridLayout(widget)) {}

void TDesignContainer::Place(TDesignControl* control, int row, int column, int rowSpan, int columnSpan)
{
    FLayout->addWidget(control->Widget(), row, column, rowSpan, columnSpan);
}

void TDesignContainer::PlaceControl(TControl* control, int row, int column, int rowSpan, int columnSpan)
{
    FLayout->addWidget(control->Widget(), row, column, rowSpan, columnSpan);
}

void TDesignContainer::SetRowStretch(int row, int stretch) { FLayout->setRowStretch(row, stretch); }
void TDesignContainer::SetColumnStretch(int column, int stretch) { FLayout->setColumnStretch(column, stretch); }
void TDesignContainer::SetMargins(int margin) { FLayout->setContentsMargins(margin, margin, margin, margin); }

TDesignLabel::TDesignLabel(QWidget* parent, const QString& caption) : TDesignControl(new QLabel(caption, parent)) {}
QString TDesignLabel::GetCaption() const { return static_cast<QLabel*>(FWidget)->text(); }
void TDesignLabel::SetCaption(const QString& value) { static_cast<QLabel*>(FWidget)->setText(value); }
void TDesignLabel::SetWordWrap(bool value) { static_cast<QLabel*>(FWidget)->setWordWrap(value); }

TDesignEdit::TDesignEdit(QWidget* parent) : TDesignControl(new QLineEdit(parent))
{
    QObject::connect(static_cast<QLineEdit*>(FWidget), &QLineEdit::textChanged, FWidget, [this] {
        if (OnChange && CanRaise())
            OnChange(this);
    });
}
QString TDesignEdit::GetText() const { return static_cast<QLineEdit*>(FWidget)->text(); }
void TDesignEdit::SetText(const QString& value)
{
    if (GetText() != value)
        static_cast<QLineEdit*>(FWidget)->setText(value);
}
void TDesignEdit::SetReadOnly(bool value) { static_cast<QLineEdit*>(FWidget)->setReadOnly(value); }

TDesignMemo::TDesignMemo(QWidget* parent) : TDesignControl(new QPlainTextEdit(parent))
{
    static_cast<QPlainTextEdit*>(FWidget)->setLineWrapMode(QPlainTextEdit::NoWrap);
    QObject::connect(static_cast<QPlainTextEdit*>(FWidget), &QPlainTextEdit::textChanged, FWidget, [this] {
        if (OnChange && CanRaise())
            OnChange(this);
    });
}
QStringList TDesignMemo::GetLines() const
{
    const QString text = static_cast<QPlainTextEdit*>(FWidget)->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}
void TDesignMemo::SetLines(const QStringList& value)
{
    if (GetLines() != value)
        static_cast<QPlainTextEdit*>(FWidget)->setPlainText(value.join(QLatin1Char('\n')));
}

TDesignUpDown::TDesignUpDown(QWidget* parent, int min, int max)
    : TDesignControl(new QWidget(parent)), FMin(min), FMax(std::max(min, max)), FPosition(min)
{
    auto* column = new QVBoxLayout(FWidget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const auto arrow = [this, column](Qt::ArrowType type, bool up) {
        auto* button = new QToolButton(FWidget);
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setObjectName(up ? QStringLiteral("up") : QStringLiteral("down"));
        column->addWidget(button);
        QObject::connect(button, &QToolButton::clicked, FWidget, [this, up] { Click(up); });
    };
    arrow(Qt::UpArrow, true);
    arrow(Qt::DownArrow, false);
}

void TDesignUpDown::SetPosition(int value)
{
    FPosition = std::clamp(value, FMin, FMax);
    if (FAssociate)
        FAssociate->SetText(QString::number(FPosition));
}

void TDesignUpDown::Click(bool up)
{
    SetPosition(FPosition + (up ? 1 : -1));
    if (OnClick && CanRaise())
        OnClick(this);
}

TDesignTrackBar::TDesignTrackBar(QWidget* parent, int min, int max) : TDesignControl(new QSlider(Qt::Horizontal, parent))
{
    auto* slider = static_cast<QSlider*>(FWidget);
    slider->setRange(min, max);
    slider->setTickPosition(QSlider::NoTicks);
    QObject::connect(slider, &QSlider::valueChanged, FWidget, [this] {
        if (OnChange && CanRaise())
            OnChange(this);
    });
}
int TDesignTrackBar::GetPosition() const { return static_cast<QSlider*>(FWidget)->value(); }
void TDesignTrackBar::SetPosition(int value) { static_cast<QSlider*>(FWidget)->setValue(value); }

TDesignGroupBox::TDesignGroupBox(QWidget* parent, const QString& caption) : TDesignContainer(new QGroupBox(caption, parent)) {}
QString TDesignGroupBox::GetCaption() const { return static_cast<QGroupBox*>(FWidget)->title(); }

TDesignPanel::TDesignPanel(QWidget* parent) : TDesignContainer(new QWidget(parent)) {}

TDesignCheckBox::TDesignCheckBox(QWidget* parent, const QString& caption) : TDesignControl(new QCheckBox(caption, parent)) {}
QString TDesignCheckBox::GetCaption() const { return static_cast<QCheckBox*>(FWidget)->text(); }
bool TDesignCheckBox::GetChecked() const { return static_cast<QCheckBox*>(FWidget)->isChecked(); }
void TDesignCheckBox::SetChecked(bool value) { static_cast<QCheckBox*>(FWidget)->setChecked(value); }

TDesignRadioButton::TDesignRadioButton(QWidget* parent, const QString& caption)
    : TDesignControl(new QRadioButton(caption, parent))
{
}
QString TDesignRadioButton::GetCaption() const { return static_cast<QRadioButton*>(FWidget)->text(); }
bool TDesignRadioButton::GetChecked() const { return static_cast<QRadioButton*>(FWidget)->isChecked(); }
void TDesignRadioButton::SetChecked(bool value) { static_cast<QRadioButton*>(FWidget)->setChecked(value); }

TDesignRadioGroup::TDesignRadioGroup(QWidget* parent, const QString& caption, const QStringList& items)
    : TDesignControl(new QGroupBox(caption, parent))
{
    auto* column = new QVBoxLayout(FWidget);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], FWidget);
        column->addWidget(button);
        // Once per change: the newly checked button tells, or the last one unchecked.
        QObject::connect(button, &QRadioButton::toggled, FWidget, [this](bool checked) {
            if ((checked || GetItemIndex() < 0) && OnClick && CanRaise())
                OnClick(this);
        });
    }
}

namespace {
QList<QRadioButton*> RadioButtons(QWidget* group) { return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly); }
} // namespace

QString TDesignRadioGroup::GetCaption() const { return static_cast<QGroupBox*>(FWidget)->title(); }
int TDesignRadioGroup::Count() const { return static_cast<int>(RadioButtons(FWidget).size()); }
QString TDesignRadioGroup::GetItem(int index) const { return RadioButtons(FWidget).value(index)->text(); }

int TDesignRadioGroup::GetItemIndex() const
{
    const auto buttons = RadioButtons(FWidget);
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i;
    return -1;
}

void TDesignRadioGroup::SetItemIndex(int value)
{
    const auto buttons = RadioButtons(FWidget);
    if (value >= 0 && value < buttons.size()) {
        buttons[value]->setChecked(true);
        return;
    }
    for (QRadioButton* button : buttons) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

void TDesignRadioGroup::Pick(int index)
{
    if (QRadioButton* button = RadioButtons(FWidget).value(index))
        button->click();
}

TDesignButton::TDesignButton(QWidget* parent, const QString& caption) : TDesignControl(new QPushButton(caption, parent))
{
    auto* button = static_cast<QPushButton*>(FWidget);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, FWidget, [this] {
        if (OnClick)
            OnClick(this);
        if (FModalResult != mrNone)
            if (TDesignWindow* window = GetWindow())
                window->SetModalResult(FModalResult);
    });
}
QString TDesignButton::GetCaption() const { return static_cast<QPushButton*>(FWidget)->text(); }
void TDesignButton::SetDefault(bool value) { static_cast<QPushButton*>(FWidget)->setDefault(value); }
bool TDesignButton::GetDefault() const { return static_cast<QPushButton*>(FWidget)->isDefault(); }
void TDesignButton::Click() { static_cast<QPushButton*>(FWidget)->click(); }

// --- Combo box with owner-drawn items -----------------------------------------------------

namespace {

class TOwnerDrawDelegate : public QStyledItemDelegate
{
public:
    TOwnerDrawDelegate(TDesignComboBox* combo, QObject* parent) : QStyledItemDelegate(parent), FCombo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (!FCombo->OnDrawItem) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        TCanvas canvas(painter);
        const bool selected = option.state & QStyle::State_Selected;
        FCombo->OnDrawItem(FCombo, &canvas, ToRect(option.rect), index.row(), selected);
        if (selected) {
            QColor mask = option.palette.highlight().color();
            mask.setAlpha(60);
            painter->fillRect(option.rect, mask);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (FItemHeight > 0)
            size.setHeight(FItemHeight);
        return size;
    }

    int FItemHeight = 0;

private:
    TDesignComboBox* FCombo;
};

class TOwnerDrawCombo : public QComboBox
{
public:
    TOwnerDrawCombo(TDesignComboBox* owner, QWidget* parent) : QComboBox(parent), FOwner(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!FOwner->OnDrawItem) {
            QComboBox::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        if (currentIndex() < 0)
            return;
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        painter.save();
        painter.setClipRect(field);
        TCanvas canvas(static_cast<QPainter*>(&painter));
        FOwner->OnDrawItem(FOwner, &canvas, ToRect(field.adjusted(1, 1, -1, -1)), currentIndex(), false);
        painter.restore();
    }

private:
    TDesignComboBox* FOwner;
};

TOwnerDrawDelegate* DelegateOf(QWidget* widget)
{
    return static_cast<TOwnerDrawDelegate*>(static_cast<QComboBox*>(widget)->itemDelegate());
}

} // namespace

TDesignComboBox::TDesignComboBox(QWidget* parent) : TDesignControl(new TOwnerDrawCombo(this, parent))
{
    auto* combo = static_cast<QComboBox*>(FWidget);
    combo->setEditable(false);
    combo->setItemDelegate(new TOwnerDrawDelegate(this, combo));
    QObject::connect(combo, &QComboBox::currentIndexChanged, FWidget, [this] {
        if (OnChange && CanRaise())
            OnChange(this);
    });
}

void TDesignComboBox::Clear() { static_cast<QComboBox*>(FWidget)->clear(); }

int TDesignComboBox::Add(const QString& text)
{
    static_cast<QComboBox*>(FWidget)->addItem(text);
    return Count() - 1;
}

void TDesignComboBox::Insert(int index, const QString& text) { static_cast<QComboBox*>(FWidget)->insertItem(index, text); }
void TDesignComboBox::Delete(int index) { static_cast<QComboBox*>(FWidget)->removeItem(index); }
int TDesignComboBox::Count() const { return static_cast<QComboBox*>(FWidget)->count(); }
QString TDesignComboBox::GetItem(int index) const { return static_cast<QComboBox*>(FWidget)->itemText(index); }

QStringList TDesignComboBox::GetItems() const
{
    QStringList items;
    for (int i = 0; i < Count(); ++i)
        items << GetItem(i);
    return items;
}

int TDesignComboBox::IndexOf(const QString& text) const
{
    return static_cast<QComboBox*>(FWidget)->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

int TDesignComboBox::GetItemIndex() const { return static_cast<QComboBox*>(FWidget)->currentIndex(); }
void TDesignComboBox::SetItemIndex(int value) { static_cast<QComboBox*>(FWidget)->setCurrentIndex(value); }
QString TDesignComboBox::GetText() const { return static_cast<QComboBox*>(FWidget)->currentText(); }

void TDesignComboBox::SetItemHeight(int value)
{
    DelegateOf(FWidget)->FItemHeight = value;
    FWidget->setMinimumHeight(value + 6);
}

void TDesignComboBox::Pick(int index)
{
    auto* combo = static_cast<QComboBox*>(FWidget);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// --- Paint box --------------------------------------------------------------------------

class TDesignPaintWidget : public QWidget
{
public:
    TDesignPaintWidget(TDesignPaintBox* owner, QWidget* parent) : QWidget(parent), FOwner(owner) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++FOwner->FPaintCount;
        if (!FOwner->OnPaint)
            return;
        QPainter painter(this);
        TCanvas canvas(&painter);
        FOwner->OnPaint(FOwner, &canvas);
    }

private:
    TDesignPaintBox* FOwner;
};

TDesignPaintBox::TDesignPaintBox(QWidget* parent) : TDesignControl(new TDesignPaintWidget(this, parent)) {}
TRect TDesignPaintBox::GetClientRect() const { return ToRect(FWidget->rect()); }
void TDesignPaintBox::SetMinimumSize(int width, int height) { FWidget->setMinimumSize(width, height); }

// --- Actions, tool bar and menu -----------------------------------------------------------

TDesignAction::TDesignAction(QWidget* parent, const QString& caption, const QString& hint)
    : FAction(new QAction(caption, parent))
{
    FAction->setToolTip(hint.isEmpty() ? caption : hint);
    FAction->setStatusTip(hint);
    QObject::connect(FAction, &QAction::triggered, FAction, [this] {
        if (OnExecute)
            OnExecute(this);
    });
}
QString TDesignAction::GetCaption() const { return FAction->text(); }
QString TDesignAction::GetHint() const { return FAction->statusTip(); }
bool TDesignAction::GetEnabled() const { return FAction->isEnabled(); }
void TDesignAction::SetEnabled(bool value) { FAction->setEnabled(value); }

bool TDesignAction::Execute()
{
    if (!FAction->isEnabled())
        return false;
    FAction->trigger();
    return true;
}

namespace {
QStringList ActionTexts(const QList<QAction*>& actions)
{
    QStringList items;
    for (const QAction* action : actions)
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return items;
}
} // namespace

TDesignToolBar::TDesignToolBar(QWidget* parent) : TDesignControl(new QToolBar(parent))
{
    static_cast<QToolBar*>(FWidget)->setToolButtonStyle(Qt::ToolButtonTextOnly);
}
void TDesignToolBar::AddAction(TDesignAction* action) { static_cast<QToolBar*>(FWidget)->addAction(action->Action()); }
void TDesignToolBar::AddSeparator() { static_cast<QToolBar*>(FWidget)->addSeparator(); }
QStringList TDesignToolBar::GetItems() const { return ActionTexts(FWidget->actions()); }

struct TDesignMenu::TImpl
{
    QMenu* Menu = nullptr;
};

TDesignMenu::TDesignMenu(QWidget* parent) : FImpl(std::make_unique<TImpl>()) { FImpl->Menu = new QMenu(parent); }
TDesignMenu::~TDesignMenu() = default;
void TDesignMenu::AddAction(TDesignAction* action) { FImpl->Menu->addAction(action->Action()); }
void TDesignMenu::AddSeparator() { FImpl->Menu->addSeparator(); }
QStringList TDesignMenu::GetItems() const { return ActionTexts(FImpl->Menu->actions()); }
void TDesignMenu::Popup(int screenX, int screenY) { FImpl->Menu->popup(QPoint(screenX, screenY)); }
bool TDesignMenu::IsShowing() const { return FImpl->Menu->isVisible(); }
void TDesignMenu::Close() { FImpl->Menu->close(); }

// --- Tree view ----------------------------------------------------------------------------

struct TDesignTreeView::TImpl : QObject
{
    QTreeWidget* Tree = nullptr;
    TDesignTreeView* Owner = nullptr;
    std::vector<QIcon> Icons;
    std::unordered_map<QTreeWidgetItem*, std::unique_ptr<TDesignTreeNode>> Nodes;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == Tree->viewport() && event->type() == QEvent::MouseButtonPress && Owner->OnMouseDown) {
            const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
            Owner->OnMouseDown(Owner, p.x(), p.y());
        }
        return false;
    }
};

namespace {
constexpr int DataRole = Qt::UserRole + 1;
constexpr int ImageRole = Qt::UserRole + 2;
} // namespace

QString TDesignTreeNode::GetText() const { return FItem->text(0); }
void TDesignTreeNode::SetText(const QString& value) { FItem->setText(0, value); }
void* TDesignTreeNode::GetData() const { return FItem->data(0, DataRole).value<void*>(); }
void TDesignTreeNode::SetData(void* value) { FItem->setData(0, DataRole, QVariant::fromValue(value)); }
int TDesignTreeNode::GetImageIndex() const { return FItem->data(0, ImageRole).toInt(); }

void TDesignTreeNode::SetImageIndex(int value)
{
    FItem->setData(0, ImageRole, value);
    const auto& icons = FTree->FImpl->Icons;
    FItem->setIcon(0, value >= 0 && value < static_cast<int>(icons.size()) ? icons[value] : QIcon());
}

TDesignTreeNode* TDesignTreeNode::GetParent() const { return FTree->NodeOf(FItem->parent()); }
int TDesignTreeNode::Count() const { return FItem->childCount(); }
TDesignTreeNode* TDesignTreeNode::Item(int index) const { return FTree->NodeOf(FItem->child(index)); }

int TDesignTreeNode::GetIndex() const
{
    if (QTreeWidgetItem* parent = FItem->parent())
        return parent->indexOfChild(FItem);
    return FTree->FImpl->Tree->indexOfTopLevelItem(FItem);
}

bool TDesignTreeNode::GetSelected() const { return FItem->isSelected(); }
void TDesignTreeNode::SetSelected(bool value) { FItem->setSelected(value); }

void TDesignTreeNode::DeleteChildren()
{
    while (FItem->childCount() > 0)
        FTree->Delete(FTree->NodeOf(FItem->child(0)));
}

void TDesignTreeNode::Expand() { FItem->setExpanded(true); }

TDesignTreeView::TDesignTreeView(QWidget* parent)
    : TDesignControl(new QTreeWidget(parent)), FImpl(std::make_unique<TImpl>())
{
    auto* tree = static_cast<QTreeWidget*>(FWidget);
    FImpl->Tree = tree;
    FImpl->Owner = this;
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->viewport()->installEventFilter(FImpl.get());
    const auto changed = [this] {
        if (OnChange && CanRaise())
            OnChange(this);
    };
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, FWidget, changed);
    QObject::connect(tree, &QTreeWidget::currentItemChanged, FWidget, changed);
    QObject::connect(tree, &QTreeWidget::customContextMenuRequested, FWidget, [this, tree](const QPoint& p) {
        if (FPopup) {
            const QPoint global = tree->viewport()->mapToGlobal(p);
            FPopup->Popup(global.x(), global.y());
        }
    });
}

TDesignTreeView::~TDesignTreeView()
{
    FImpl->Tree->viewport()->removeEventFilter(FImpl.get());
}

void TDesignTreeView::SetImages(const std::vector<const TBitmap*>& images)
{
    FImpl->Icons.clear();
    for (const TBitmap* bitmap : images)
        FImpl->Icons.emplace_back(QPixmap::fromImage(bitmap->GetImage()));
    FImpl->Tree->setIconSize(images.empty() ? QSize() : QSize(images[0]->GetWidth(), images[0]->GetHeight()));
}

void TDesignTreeView::Clear()
{
    FImpl->Tree->clear();
    FImpl->Nodes.clear();
}

TDesignTreeNode* TDesignTreeView::AddNode(TDesignTreeNode* parent, const QString& text, void* data, int imageIndex,
                                          int index)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    auto node = std::unique_ptr<TDesignTreeNode>(new TDesignTreeNode(this, item));
    TDesignTreeNode* result = node.get();
    FImpl->Nodes.emplace(item, std::move(node));
    result->SetData(data);
    result->SetImageIndex(imageIndex);
    if (parent) {
        const int count = parent->FItem->childCount();
        parent->FItem->insertChild(index < 0 || index > count ? count : index, item);
    } else {
        const int count = FImpl->Tree->topLevelItemCount();
        FImpl->Tree->insertTopLevelItem(index < 0 || index > count ? count : index, item);
    }
    return result;
}

void TDesignTreeView::Forget(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
        Forget(item->child(i));
    FImpl->Nodes.erase(item);
}

void TDesignTreeView::Delete(TDesignTreeNode* node)
{
    if (!node)
        return;
    QTreeWidgetItem* item = node->FItem;
    Forget(item);
    delete item;
}

int TDesignTreeView::TopCount() const { return FImpl->Tree->topLevelItemCount(); }
TDesignTreeNode* TDesignTreeView::TopItem(int index) const { return NodeOf(FImpl->Tree->topLevelItem(index)); }

TDesignTreeNode* TDesignTreeView::NodeOf(QTreeWidgetItem* item) const
{
    const auto it = FImpl->Nodes.find(item);
    return it == FImpl->Nodes.end() ? nullptr : it->second.get();
}

std::vector<TDesignTreeNode*> TDesignTreeView::AllNodes() const
{
    std::vector<TDesignTreeNode*> nodes;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        nodes.push_back(NodeOf(item));
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < FImpl->Tree->topLevelItemCount(); ++i)
        walk(FImpl->Tree->topLevelItem(i));
    return nodes;
}

TDesignTreeNode* TDesignTreeView::GetSelected() const
{
    QTreeWidgetItem* item = FImpl->Tree->currentItem();
    if (item && item->isSelected())
        return NodeOf(item);
    const auto items = FImpl->Tree->selectedItems();
    return items.isEmpty() ? nullptr : NodeOf(items.first());
}

void TDesignTreeView::Select(TDesignTreeNode* node)
{
    if (!node) {
        ClearSelection();
        return;
    }
    FImpl->Tree->setCurrentItem(node->FItem, 0, QItemSelectionModel::ClearAndSelect);
}

void TDesignTreeView::ClearSelection()
{
    FImpl->Tree->clearSelection();
    FImpl->Tree->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
}

int TDesignTreeView::SelectionCount() const { return static_cast<int>(FImpl->Tree->selectedItems().size()); }

std::vector<TDesignTreeNode*> TDesignTreeView::Selections() const
{
    // In tree order, not in the order of picking.
    std::vector<TDesignTreeNode*> nodes;
    for (TDesignTreeNode* node : AllNodes())
        if (node->GetSelected())
            nodes.push_back(node);
    return nodes;
}

TDesignTreeNode* TDesignTreeView::GetNodeAt(int x, int y) const { return NodeOf(FImpl->Tree->itemAt(x, y)); }

TPoint TDesignTreeView::NodeCenter(TDesignTreeNode* node) const
{
    const QRect r = FImpl->Tree->visualItemRect(node->FItem);
    return TPoint{r.center().x(), r.center().y()};
}

QWidget* TDesignTreeView::Viewport() const { return FImpl->Tree->viewport(); }

// --- Window -------------------------------------------------------------------------------

namespace {

// The windows whose modal loops run, innermost last.
std::vector<TDesignWindow*>& ModalStack()
{
    static std::vector<TDesignWindow*> stack;
    return stack;
}

TModalWindowHook& ModalHook()
{
    static TModalWindowHook hook;
    return hook;
}

} // namespace

class TDesignWindowWidget : public QDialog
{
public:
    explicit TDesignWindowWidget(TDesignWindow* owner) : FOwner(owner) {}

    TDesignWindow* Owner() const { return FOwner; }

    void done(int result) override
    {
        QDialog::done(result);
        if (!isModal() && FOwner->OnClose)
            FOwner->OnClose(FOwner);
    }
    // The close button (through closeEvent) and Escape end here; the owner may refuse.
    void reject() override
    {
        if (FOwner->OnCloseQuery && !FOwner->OnCloseQuery(FOwner))
            return;
        QDialog::reject();
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        if (FOwner->OnShow)
            FOwner->OnShow(FOwner);
    }
    bool event(QEvent* event) override
    {
        const bool result = QDialog::event(event);
        if (event->type() == QEvent::WindowActivate && FOwner->OnActivate)
            FOwner->OnActivate(FOwner);
        return result;
    }

private:
    TDesignWindow* FOwner;
};

TDesignWindow* TDesignControl::GetWindow() const
{
    const auto* window = dynamic_cast<const TDesignWindowWidget*>(FWidget->window());
    return window ? window->Owner() : nullptr;
}

struct TDesignWindow::TImpl
{
    std::unique_ptr<TDesignWindowWidget> Window;
    QPointer<QWidget> OwnerWindow;

    // A modeless window is transient for its owner window, so that the window manager keeps it
    // above that window.
    void TakeOwner()
    {
        QWidget* owner = OwnerWindow ? OwnerWindow->window() : nullptr;
        if (!owner || owner == Window.get())
            return;
        Window->winId();
        owner->winId();
        if (Window->windowHandle() && owner->windowHandle())
            Window->windowHandle()->setTransientParent(owner->windowHandle());
    }
    // The client size asked for; the layout's own size wins where it is larger.
    int Width = 0;
    int Height = 0;
};

TDesignWindow::TDesignWindow(const QString& caption, TDesignWindowKind kind, TObject* owner)
    : FImpl(std::make_unique<TImpl>()), FOwner(owner)
{
    FImpl->Window = std::make_unique<TDesignWindowWidget>(this);
    QDialog* window = FImpl->Window.get();
    window->setWindowTitle(caption);
    if (kind == fkToolWindow)
        window->setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    else
        window->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    FBody = std::make_unique<TDesignContainer>(window);
}

TDesignWindow::~TDesignWindow()
{
    auto& stack = ModalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    // Wrappers go before the widgets they wrap; a closing window tells nobody.
    OnClose = nullptr;
    OnCloseQuery = nullptr;
    OnActivate = nullptr;
    OnShow = nullptr;
    FObjects.clear();
    FBody.reset();
    FImpl->Window.reset();
}

QString TDesignWindow::GetCaption() const { return FImpl->Window->windowTitle(); }
void TDesignWindow::SetCaption(const QString& value) { FImpl->Window->setWindowTitle(value); }
QWidget* TDesignWindow::Window() const { return FImpl->Window.get(); }
void TDesignWindow::SetClientSize(int width, int height)
{
    FImpl->Width = width;
    FImpl->Height = height;
    FImpl->Window->resize(width, height);
}

void TDesignWindow::CenterOnScreen()
{
    QDialog* window = FImpl->Window.get();
    window->adjustSize();
    window->resize(std::max(window->width(), FImpl->Width), std::max(window->height(), FImpl->Height));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

int TDesignWindow::ShowModal()
{
    CenterOnScreen();
    // Above the window it was opened from (a tool window stays above windows of its own).
    QDialog* window = FImpl->Window.get();
    QWidget* active = QApplication::activeWindow();
    if (!active && ActiveModal())
        active = ActiveModal()->Window();
    if (active && active != window) {
        window->winId();
        if (window->windowHandle() && active->windowHandle())
            window->windowHandle()->setTransientParent(active->windowHandle());
    }
    // Off the stack however the loop ends.
    struct TStackEntry
    {
        TDesignWindow* Window;
        explicit TStackEntry(TDesignWindow* w) : Window(w) { ModalStack().push_back(w); }
        ~TStackEntry()
        {
            auto& stack = ModalStack();
            stack.erase(std::remove(stack.begin(), stack.end(), Window), stack.end());
        }
    } entry(this);
    // The hook answers the window from inside its loop, unless the window ended already.
    QMetaObject::invokeMethod(
        window,
        [this] {
            if (IsModal())
                if (const TModalWindowHook hook = ModalHook())
                    hook(this);
        },
        Qt::QueuedConnection);
    int result = QDialog::Rejected;
    {
        TScopeExit hide([&] { window->hide(); });
        result = window->exec();
        hide.Dismiss();
    }
    return result == QDialog::Rejected ? mrCancel : result;
}

void TDesignWindow::SetModalResult(int value) { FImpl->Window->done(value == mrCancel ? 0 : value); }

bool TDesignWindow::IsModal() const
{
    const auto& stack = ModalStack();
    return IsShowing() && std::find(stack.begin(), stack.end(), this) != stack.end();
}

void TDesignWindow::SetOwnerWindow(QWidget* window)
{
    FImpl->OwnerWindow = window;
    if (IsShowing())
        FImpl->TakeOwner();
}

QWidget* TDesignWindow::GetOwnerWindow() const { return FImpl->OwnerWindow; }

void TDesignWindow::Show()
{
    FImpl->Window->setModal(false);
    FImpl->TakeOwner();
    FImpl->Window->show();
}

void TDesignWindow::Close() { FImpl->Window->close(); }

void TDesignWindow::BringToFront()
{
    FImpl->TakeOwner();
    FImpl->Window->show();
    FImpl->Window->raise();
    FImpl->Window->activateWindow();
}

bool TDesignWindow::IsShowing() const { return FImpl->Window->isVisible(); }
bool TDesignWindow::IsActive() const { return FImpl->Window->isActiveWindow(); }
TDesignWindow* TDesignWindow::ActiveModal() { return ModalStack().empty() ? nullptr : ModalStack().back(); }

TModalWindowHook SetModalWindowHook(TModalWindowHook hook) { return std::exchange(ModalHook(), std::move(hook)); }

} // namespace kv
