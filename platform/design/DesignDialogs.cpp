#include "platform/design/DesignDialogs.h"

#include <QtCore/QFileInfo>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtWidgets/QApplication>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>

#include <cctype>
#include <utility>

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

bool ColorFromText(const QString& text, std::uint32_t& argb)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('#'))) {
        const QString digits = t.mid(1);
        if (digits.size() != 6 && digits.size() != 8)
            return false;
        for (const QChar c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7F)
                return false;
        const uint value = digits.toUInt(nullptr, 16);
        argb = digits.size() == 6 ? (0xFF000000u | value) : value;
        return true;
    }
    if (t.isEmpty())
        return false;
    for (const QChar c : t)
        if (!c.isLetter() || c.unicode() > 0x7F)
            return false;
    if (!QColor::isValidColor(t))
        return false;
    argb = QColor(t).rgba();
    return true;
}

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

} // namespace kv
