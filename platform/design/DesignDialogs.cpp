#include "platform/design/DesignDialogs.h"

#include "platform/ui/Controls.h"

#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtWidgets/QApplication>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace kv {

namespace {

template <typename H>
H& HookOf()
{
    static H hook;
    return hook;
}

} // namespace

// ---- file dialogs -------------------------------------------------------------------------

QStringList TFileDialog::QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i];
        // "Text (*.txt)" already names its patterns; Qt reads the last parentheses.
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            description = description.left(open).trimmed();
        result << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return result;
}

bool TFileDialog::Execute()
{
    bool ok = false;
    if (auto& hook = HookOf<TFileDialogHook>())
        ok = hook(*this);
    else {
        QFileDialog dialog(QApplication::activeWindow(), FTitle);
        dialog.setAcceptMode(FKind == fdOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(FKind == fdOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const QStringList filters = QtNameFilters(FFilter);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        if (!FDefaultExt.isEmpty())
            dialog.setDefaultSuffix(FDefaultExt);
        if (!FFileName.isEmpty())
            dialog.selectFile(FFileName);
        ok = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (ok)
            FFileName = dialog.selectedFiles().front();
    }
    if (ok && !FDefaultExt.isEmpty() && !FFileName.isEmpty() && QFileInfo(FFileName).suffix().isEmpty())
        FFileName += QLatin1Char('.') + FDefaultExt;
    return ok && !FFileName.isEmpty();
}

TFileDialogHook SetFileDialogHook(TFileDialogHook hook)
{
    return std::exchange(HookOf<TFileDialogHook>(), std::move(hook));
}

// ---- colour dialog ------------------------------------------------------------------------

bool TColorDialog::Execute()
{
    if (auto& hook = HookOf<TColorDialogHook>())
        return hook(*this);
    const QColor chosen =
        QColorDialog::getColor(QColor::fromRgba(FColor), QApplication::activeWindow(), QString(),
                               QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return false;
    FColor = chosen.rgba();
    return true;
}

TColorDialogHook SetColorDialogHook(TColorDialogHook hook)
{
    return std::exchange(HookOf<TColorDialogHook>(), std::move(hook));
}

// ---- font dialog --------------------------------------------------------------------------

bool TFontDialog::Execute()
{
    if (auto& hook = HookOf<TFontDialogHook>())
        return hook(*this);
    QFont font(FFont.Name);
    font.setPointSizeF(FFont.Size > 0 ? FFont.Size : 8);
    font.setBold(FFont.Bold);
    font.setItalic(FFont.Italic);
    font.setUnderline(FFont.Underline);
    font.setStrikeOut(FFont.StrikeOut);
    bool ok = false;
    const QFont chosen =
        QFontDialog::getFont(&ok, font, QApplication::activeWindow(), QString(), QFontDialog::DontUseNativeDialog);
    if (!ok)
        return false;
    FFont.Name = chosen.family();
    FFont.Size = chosen.pointSizeF();
    FFont.Bold = chosen.bold();
    FFont.Italic = chosen.italic();
    FFont.Underline = chosen.underline();
    FFont.StrikeOut = chosen.strikeOut();
    return true;
}

TFontDialogHook SetFontDialogHook(TFontDialogHook hook)
{
    return std::exchange(HookOf<TFontDialogHook>(), std::move(hook));
}

// ---- modal windows ------------------------------------------------------------------------

namespace {

struct TModalState
{
    TWinControl* Window = nullptr;
    QEventLoop* Loop = nullptr;
    int Result = mrNone;
};

std::vector<TModalState*>& ModalStack()
{
    static std::vector<TModalState*> stack;
    return stack;
}

// Ends the loop when the user closes the window.
class TCloseFilter : public QObject
{
public:
    explicit TCloseFilter(TModalState* state) : FState(state) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close && FState->Loop) {
            if (FState->Result == mrNone)
                FState->Result = mrCancel;
            FState->Loop->quit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TModalState* FState;
};

} // namespace

int ShowModalWindow(TWinControl* window, const QString& caption)
{
    if (!window)
        return mrCancel;
    QWidget* widget = window->Widget();
    TModalState state;
    state.Window = window;
    QEventLoop loop;
    state.Loop = &loop;
    TCloseFilter filter(&state);
    widget->installEventFilter(&filter);
    widget->setWindowTitle(caption);
    widget->setWindowModality(Qt::ApplicationModal);
    ModalStack().push_back(&state);
    window->Show();
    widget->show();
    widget->activateWindow();
    QTimer::singleShot(0, &loop, [window, &state]() {
        if (state.Result == mrNone)
            if (auto& hook = HookOf<TModalWindowHook>())
                hook(window);
    });
    if (state.Result == mrNone)
        loop.exec();
    ModalStack().erase(std::remove(ModalStack().begin(), ModalStack().end(), &state), ModalStack().end());
    widget->removeEventFilter(&filter);
    widget->setWindowModality(Qt::NonModal);
    window->Hide();
    return state.Result == mrNone ? mrCancel : state.Result;
}

void EndModal(TWinControl* window, int result)
{
    for (TModalState* s : ModalStack())
        if (s->Window == window) {
            s->Result = result == mrNone ? mrCancel : result;
            s->Loop->quit();
            return;
        }
}

TWinControl* ActiveModalWindow()
{
    return ModalStack().empty() ? nullptr : ModalStack().back()->Window;
}

TModalWindowHook SetModalWindowHook(TModalWindowHook hook)
{
    return std::exchange(HookOf<TModalWindowHook>(), std::move(hook));
}

} // namespace kv
