// The modal dialog that builds a stroke's text form: empty, or a solid pen of a colour, alpha,
// width and dash style, with a preview.
#pragma once

#include "design/KvGrids.Common.Vcl.h"

namespace kv {

class TKvStyleStrokeDlg : public TObject
{
public:
    enum TStrokeType { stEmpty = 0, stSolid = 1 };

    TKvStyleStrokeDlg();
    ~TKvStyleStrokeDlg() override;

    // Loads text into a new dialog and shows it; on OK answers true with the stroke's text in
    // output (cleared first).
    static bool Execute(const QString& input, QString& output);

    // Loads a stroke's text; empty or unreadable text is the empty stroke. The width control
    // shows the width clamped to its range; the stroke keeps its own width until the user
    // sets one in the control.
    void SetStroke(const QString& text);
    // The current stroke; nil for the empty stroke.
    std::unique_ptr<TKvStroke> ExtractStroke() const;
    QString GetStroke() const;
    // Shows modally; repacks the colour combo when it closes.
    bool ShowModal();

    TDesignWindow* Form() const { return FForm.get(); }
    TStrokeType GetStrokeType() const;
    TKvColor GetColor() const { return FColor; }
    int GetAlpha() const { return FAlpha; }
    // The pen's width, as the width control shows it.
    int GetPenWidth() const { return FWidth; }

    TDesignRadioGroup* rgStrokeType = nullptr;
    TDesignGroupBox* gbPen = nullptr;
    TDesignLabel* lblColor = nullptr;
    TDesignComboBox* cmbColor = nullptr;
    TDesignButton* btnColor = nullptr;
    TDesignLabel* lblWidth = nullptr;
    TKvNumberControls Width;
    TDesignLabel* lblDash = nullptr;
    TDesignComboBox* cmbDash = nullptr;
    TDesignLabel* lblAlpha = nullptr;
    TKvNumberControls Alpha;
    TDesignPaintBox* pbPreview = nullptr;
    TDesignButton* btnOK = nullptr;
    TDesignButton* btnCancel = nullptr;

private:
    void ShowControls();
    void InvalidateStroke();

    std::unique_ptr<TDesignWindow> FForm;
    TKvColor FColor;
    int FAlpha = 255;
    int FWidth = 1;
    // The stroke's width: as loaded, or as the user set it.
    float FPenWidth = 1.0f;
};

} // namespace kv
