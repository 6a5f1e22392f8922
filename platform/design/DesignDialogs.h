// The platform's common dialogs (file open and save, colour, font), each through a replaceable
// hook so that tests and embedding hosts answer them, and the modal results of windows.
//
// Contract:
// - Execute() shows the real Qt dialog modally, or, when a hook is set, calls the hook with the
//   dialog object instead; either way true means confirmed, and the dialog's fields then hold
//   the answer (FileName, Color, Font). A hook reads the request from the same fields.
// - Windows of controls, modal or not, are TDesignWindow (platform/design/DesignForms.h), whose
//   ShowModal is the one modal loop with its own hook.
// - Every Set...Hook returns the hook it replaces; an empty hook restores the real dialog.
#pragma once

#include "platform/rtl/Classes.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <functional>

namespace kv {

// ---- file dialogs -------------------------------------------------------------------------

enum TFileDialogKind { fdOpen, fdSave };

// Filter text "Description|*.ext|All Files (*.*)|*.*": pairs of a description and patterns.
class TFileDialog : public TObject
{
public:
    explicit TFileDialog(TFileDialogKind kind) : FKind(kind) {}

    TFileDialogKind GetKind() const { return FKind; }
    const QString& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& value) { FDefaultExt = value; }
    const QString& GetFilter() const { return FFilter; }
    void SetFilter(const QString& value) { FFilter = value; }
    const QString& GetFileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }
    const QString& GetTitle() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }

    // On confirmation a file name without extension gets DefaultExt.
    bool Execute();

    // The filter as Qt name filters ("Description (*.ext)").
    static QStringList QtNameFilters(const QString& filter);

private:
    TFileDialogKind FKind;
    QString FDefaultExt;
    QString FFilter;
    QString FFileName;
    QString FTitle;
};

class TOpenDialog : public TFileDialog
{
public:
    TOpenDialog() : TFileDialog(fdOpen) {}
};

class TSaveDialog : public TFileDialog
{
public:
    TSaveDialog() : TFileDialog(fdSave) {}
};

using TFileDialogHook = std::function<bool(TFileDialog& dialog)>;
TFileDialogHook SetFileDialogHook(TFileDialogHook hook);

// ---- colour dialog ------------------------------------------------------------------------

class TColorDialog : public TObject
{
public:
    // ARGB, alpha in the top byte.
    std::uint32_t GetColor() const { return FColor; }
    void SetColor(std::uint32_t value) { FColor = value; }
    bool Execute();

private:
    std::uint32_t FColor = 0xFF000000u;
};

using TColorDialogHook = std::function<bool(TColorDialog& dialog)>;
TColorDialogHook SetColorDialogHook(TColorDialogHook hook);

// Colour text as a designer's user types it: a colour name ("red", "DarkGray"; any letter
// case), "#RRGGBB" (opaque) or "#AARRGGBB", surrounding blanks ignored. Answers false, leaving
// argb alone, for any other text.
bool ColorFromText(const QString& text, std::uint32_t& argb);

// ---- font dialog --------------------------------------------------------------------------

struct TFontDesc
{
    QString Name = QStringLiteral("Tahoma");
    double Size = 8;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

class TFontDialog : public TObject
{
public:
    const TFontDesc& GetFont() const { return FFont; }
    void SetFont(const TFontDesc& value) { FFont = value; }
    bool Execute();

private:
    TFontDesc FFont;
};

using TFontDialogHook = std::function<bool(TFontDialog& dialog)>;
TFontDialogHook SetFontDialogHook(TFontDialogHook hook);

// ---- modal results ------------------------------------------------------------------------

enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

} // namespace kv
