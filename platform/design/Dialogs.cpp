#include "platform/design/Dialogs.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <vector>

namespace kv {

namespace {
TFormDialog* gActive = nullptr;
}

struct TFormDialog::TImpl
{
    QDialog Dialog;
    QGridLayout* Grid = nullptr;
    std::vector<QWidget*> Controls;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;

    template <typename W>
    W* As(int control) const
    {
        if (control < 0 || static_cast<size_t>(control) >= Controls.size())
            throw EArgumentOutOfRangeException(QStringLiteral("Control %1 is invalid index.").arg(control));
        W* w = qobject_cast<W*>(Controls[static_cast<size_t>(control)]);
        if (!w)
            throw EArgumentException(QStringLiteral("Control %1 is of another kind.").arg(control));
        return w;
    }
};

TFormDialog::TFormDialog(const QString& Caption) : FImpl(std::make_unique<TImpl>())
{
    FImpl->Dialog.setWindowTitle(Caption);
    FImpl->Dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    FImpl->Grid = new QGridLayout(&FImpl->Dialog);
}

TFormDialog::~TFormDialog()
{
    if (gActive == this)
        gActive = nullptr;
}

QString TFormDialog::GetCaption() const { return FImpl->Dialog.windowTitle(); }

int TFormDialog::AddLabel(const QString& Text)
{
    auto* label = new QLabel(Text, &FImpl->Dialog);
    FImpl->Grid->addWidget(label, FImpl->Grid->rowCount(), 0, 1, 2);
    FImpl->Controls.push_back(label);
    return static_cast<int>(FImpl->Controls.size()) - 1;
}

int TFormDialog::AddEdit(const QString& Label)
{
    const int row = FImpl->Grid->rowCount();
    auto* edit = new QLineEdit(&FImpl->Dialog);
    FImpl->Grid->addWidget(new QLabel(Label, &FImpl->Dialog), row, 0);
    FImpl->Grid->addWidget(edit, row, 1);
    FImpl->Controls.push_back(edit);
    const int index = static_cast<int>(FImpl->Controls.size()) - 1;
    QObject::connect(edit, &QLineEdit::textChanged, &FImpl->Dialog, [this, index] {
        if (OnChange)
            OnChange(this, index);
    });
    return index;
}

int TFormDialog::AddComboList(const QString& Label, const QStringList& Items)
{
    const int row = FImpl->Grid->rowCount();
    auto* combo = new QComboBox(&FImpl->Dialog);
    combo->setEditable(false);
    combo->addItems(Items);
    combo->setCurrentIndex(Items.isEmpty() ? -1 : 0);
    FImpl->Grid->addWidget(new QLabel(Label, &FImpl->Dialog), row, 0);
    FImpl->Grid->addWidget(combo, row, 1);
    FImpl->Controls.push_back(combo);
    return static_cast<int>(FImpl->Controls.size()) - 1;
}

void TFormDialog::AddButtons(const QString& OkCaption, const QString& CancelCaption)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    FImpl->Ok = new QPushButton(OkCaption, &FImpl->Dialog);
    FImpl->Cancel = new QPushButton(CancelCaption, &FImpl->Dialog);
    FImpl->Ok->setDefault(true);
    row->addWidget(FImpl->Ok);
    row->addWidget(FImpl->Cancel);
    FImpl->Grid->addLayout(row, FImpl->Grid->rowCount(), 0, 1, 2);
    QObject::connect(FImpl->Ok, &QPushButton::clicked, &FImpl->Dialog, &QDialog::accept);
    QObject::connect(FImpl->Cancel, &QPushButton::clicked, &FImpl->Dialog, &QDialog::reject);
}

void TFormDialog::RequireText(int Edit)
{
    const auto updateOk = [Edit](TFormDialog* sender) {
        sender->SetOkEnabled(!sender->GetText(Edit).trimmed().isEmpty());
    };
    OnShow = [Edit, updateOk](TFormDialog* sender) {
        sender->SetFocus(Edit);
        updateOk(sender);
    };
    OnChange = [updateOk](TFormDialog* sender, int) { updateOk(sender); };
}

QString TFormDialog::GetText(int Control) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(FImpl->As<QWidget>(Control)))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(FImpl->As<QWidget>(Control)))
        return label->text();
    return FImpl->As<QComboBox>(Control)->currentText();
}

void TFormDialog::SetText(int Control, const QString& Text) { FImpl->As<QLineEdit>(Control)->setText(Text); }

int TFormDialog::GetItemIndex(int Control) const { return FImpl->As<QComboBox>(Control)->currentIndex(); }

void TFormDialog::SetItemIndex(int Control, int Index) { FImpl->As<QComboBox>(Control)->setCurrentIndex(Index); }

QStringList TFormDialog::GetItems(int Control) const
{
    QStringList items;
    const QComboBox* combo = FImpl->As<QComboBox>(Control);
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

void TFormDialog::SetFocus(int Control) { FImpl->As<QWidget>(Control)->setFocus(); }

bool TFormDialog::IsFocused(int Control) const
{
    QWidget* w = FImpl->As<QWidget>(Control);
    return FImpl->Dialog.focusWidget() == w;
}

bool TFormDialog::GetOkEnabled() const { return FImpl->Ok && FImpl->Ok->isEnabled(); }

void TFormDialog::SetOkEnabled(bool Enabled)
{
    if (FImpl->Ok)
        FImpl->Ok->setEnabled(Enabled);
}

void TFormDialog::ClickOk()
{
    if (FImpl->Ok)
        FImpl->Ok->click();
}

void TFormDialog::ClickCancel()
{
    if (FImpl->Cancel)
        FImpl->Cancel->click();
}

bool TFormDialog::ShowModal()
{
    QDialog& dialog = FImpl->Dialog;
    dialog.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    TFormDialog* previous = gActive;
    gActive = this;
    dialog.show();
    int result = QDialog::Rejected;
    try {
        if (OnShow)
            OnShow(this);
        result = dialog.exec();
    } catch (...) {
        gActive = previous;
        dialog.hide();
        throw;
    }
    gActive = previous;
    return result == QDialog::Accepted;
}

TFormDialog* TFormDialog::Active() { return gActive; }

} // namespace kv
