// The modal dialog that builds a fill's text form: empty, a solid brush, or a linear gradient
// of two colours with their alphas and an angle, with a preview.
#pragma once

#include "design/KvGrids.Common.Vcl.h"

namespace kv {

class TKvStyleFillDlg : public TObject
{
public:
    enum TFillType { ftEmpty = 0, ftSolid = 1, ftLinear = 2 };

    TKvStyleFillDlg();
    ~TKvStyleFillDlg() override;

    // Loads text into a new dialog and shows it; on OK answers true with the fill's text in
    // output (cleared first).
    static bool Execute(const QString& input, QString& output);

    // Loads a fill's text; empty or unreadable text is the empty fill.
    void SetFill(const QString& text);
    // The current fill; nil for the empty fill.
    std::unique_ptr<TKvFill> ExtractFill() const;
    // Its text form; empty for the empty fill.
    QString GetFill() const;
    // Shows modally; repacks the colour combos when it closes.
    bool ShowModal();

    TDesignWindow* Form() const { return FForm.get(); }
    TFillType GetFillType() const;
    TKvColor GetColor1() const { return FColor1; }
    TKvColor GetColor2() const { return FColor2; }
    int GetAlpha1() const { return FAlpha1; }
    int GetAlpha2() const { return FAlpha2; }
    int GetAngle() const { return FAngle; }

    TDesignRadioGroup* rgFillType = nullptr;
    TDesignGroupBox* gbBrush = nullptr;
    TDesignLabel* lblStartColor = nullptr;
    TDesignComboBox* cmbStartColor = nullptr;
    TDesignButton* btnStartColor = nullptr;
    TDesignLabel* lblStartAlpha = nullptr;
    TKvNumberControls StartAlpha;
    TDesignLabel* lblEndColor = nullptr;
    TDesignComboBox* cmbEndColor = nullptr;
    TDesignButton* btnEndColor = nullptr;
    TDesignLabel* lblEndAlpha = nullptr;
    TKvNumberControls EndAlpha;
    TDesignLabel* lblAngle = nullptr;
    TKvNumberControls Angle;
    TDesignPaintBox* pbPreview = nullptr;
    TDesignButton* btnOK = nullptr;
    TDesignButton* btnCancel = nullptr;

private:
    void ShowControls();
    void InvalidateFill();
    void PickColor(TDesignComboBox* combo);

    std::unique_ptr<TDesignWindow> FForm;
    TKvColor FColor1;
    int FAlpha1 = 255;
    TKvColor FColor2;
    int FAlpha2 = 255;
    int FAngle = 0;
};

} // namespace kv
