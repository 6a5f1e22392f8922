#include "design/KvGrids.Styles.FillDlg.h"

#include <cmath>

namespace kv {

TKvStyleFillDlg::TKvStyleFillDlg() : FForm(std::make_unique<TDesignWindow>(QStringLiteral("Fill"), fkDialog, this))
{
    TDesignWindow* form = FForm.get();
    rgFillType = form->Add<TDesignRadioGroup>(
        QStringLiteral("Fill Type"),
        QStringList{QStringLiteral("Empty"), QStringLiteral("Solid Brush"), QStringLiteral("Linear Gradient")});
    gbBrush = form->Add<TDesignGroupBox>(QStringLiteral("Brush"));

    lblStartColor = form->Add<TDesignLabel>(QStringLiteral("Start Color:"));
    cmbStartColor = form->Add<TDesignComboBox>();
    btnStartColor = form->Add<TDesignButton>(QStringLiteral("..."));
    lblStartAlpha = form->Add<TDesignLabel>(QStringLiteral("Alpha:"));
    StartAlpha = TKvNumberControls::Create(form, 0, 255, 255, true);
    lblEndColor = form->Add<TDesignLabel>(QStringLiteral("End Color:"));
    cmbEndColor = form->Add<TDesignComboBox>();
    btnEndColor = form->Add<TDesignButton>(QStringLiteral("..."));
    lblEndAlpha = form->Add<TDesignLabel>(QStringLiteral("Alpha:"));
    EndAlpha = TKvNumberControls::Create(form, 0, 255, 255, true);
    lblAngle = form->Add<TDesignLabel>(QStringLiteral("Angle:"));
    Angle = TKvNumberControls::Create(form, 0, 359, 0, true);
    pbPreview = form->Add<TDesignPaintBox>();
    btnOK = form->Add<TDesignButton>(QStringLiteral("OK"));
    btnCancel = form->Add<TDesignButton>(QStringLiteral("Cancel"));

    cmbStartColor->SetName(QStringLiteral("cmbStartColor"));
    cmbEndColor->SetName(QStringLiteral("cmbEndColor"));
    TKvColorComboHelper::Prepare(cmbStartColor);
    TKvColorComboHelper::Prepare(cmbEndColor);

    gbBrush->Place(lblStartColor, 0, 0);
    gbBrush->Place(cmbStartColor, 0, 1, 1, 3);
    gbBrush->Place(btnStartColor, 0, 4);
    gbBrush->Place(lblStartAlpha, 1, 0);
    StartAlpha.Place(gbBrush, 1, 1);
    gbBrush->Place(lblEndColor, 2, 0);
    gbBrush->Place(cmbEndColor, 2, 1, 1, 3);
    gbBrush->Place(btnEndColor, 2, 4);
    gbBrush->Place(lblEndAlpha, 3, 0);
    EndAlpha.Place(gbBrush, 3, 1);
    gbBrush->Place(lblAngle, 4, 0);
    Angle.Place(gbBrush, 4, 1);
    gbBrush->SetColumnStretch(3, 1);
    gbBrush->SetRowStretch(5, 1);

    pbPreview->SetMinimumSize(120, 60);
    btnOK->SetDefault(true);
    btnOK->SetModalResult(mrOk);
    btnCancel->SetModalResult(mrCancel);
    TDesignContainer* body = form->Body();
    body->Place(rgFillType, 0, 0);
    body->Place(gbBrush, 0, 1, 2, 3);
    body->Place(pbPreview, 1, 0);
    body->Place(btnOK, 2, 2);
    body->Place(btnCancel, 2, 3);
    body->SetColumnStretch(1, 1);
    form->SetClientSize(560, 230);

    rgFillType->OnClick = [this](TDesignRadioGroup*) {
        ShowControls();
        InvalidateFill();
    };
    cmbStartColor->OnChange = [this](TDesignComboBox*) { InvalidateFill(); };
    cmbEndColor->OnChange = [this](TDesignComboBox*) { InvalidateFill(); };
    btnStartColor->OnClick = [this](TDesignButton*) { PickColor(cmbStartColor); };
    btnEndColor->OnClick = [this](TDesignButton*) { PickColor(cmbEndColor); };
    const auto number = [this](const TKvNumberControls& controls, int& field) {
        controls.Edit->OnChange = [this, &controls, &field](TDesignEdit*) {
            field = controls.ReadEdit();
            InvalidateFill();
        };
        controls.Track->OnChange = [this, &controls, &field](TDesignTrackBar*) {
            field = controls.Track->GetPosition();
            InvalidateFill();
        };
    };
    number(StartAlpha, FAlpha1);
    number(EndAlpha, FAlpha2);
    number(Angle, FAngle);
    pbPreview->OnPaint = [this](TDesignPaintBox* sender, TCanvas* canvas) {
        TKvDrawingContext context(canvas);
        TRect r = sender->GetClientRect();
        r.Right -= 1;
        r.Bottom -= 1;
        const std::unique_ptr<TKvFill> fill = ExtractFill();
        context.DrawRect(fill.get(), TKvStroke::Gray(), r);
    };
    SetFill(QString());
}

TKvStyleFillDlg::~TKvStyleFillDlg() = default;

TKvStyleFillDlg::TFillType TKvStyleFillDlg::GetFillType() const
{
    const int index = rgFillType->GetItemIndex();
    return index < 0 ? ftEmpty : static_cast<TFillType>(index);
}

void TKvStyleFillDlg::SetFill(const QString& text)
{
    // Loading is not the user's change.
    TEventBlocker block(FForm.get());
    std::unique_ptr<TKvFill> fill;
    try {
        fill = TKvFill::CreateFrom(text);
    } catch (const Exception&) {
        fill.reset();
    }
    TFillType type = ftEmpty;
    FColor1 = FColor2 = TKvColor(0xFFFFFFFFu);
    if (auto* linear = dynamic_cast<TKvLinearGradientBrush*>(fill.get())) {
        FColor1 = linear->GetColor1();
        FColor2 = linear->GetColor2();
        FAngle = static_cast<int>(std::lround(linear->GetAngle()));
        type = ftLinear;
    } else if (auto* solid = dynamic_cast<TKvSolidBrush*>(fill.get())) {
        FColor1 = FColor2 = solid->GetColor();
        FAngle = 0;
        type = ftSolid;
    } else {
        FAngle = 0;
    }
    FAlpha1 = FColor1.GetAlpha();
    FAlpha2 = FColor2.GetAlpha();
    TKvColorComboHelper::AddColor(cmbStartColor, FColor1);
    TKvColorComboHelper::AddColor(cmbEndColor, FColor2);
    StartAlpha.Show(FAlpha1);
    EndAlpha.Show(FAlpha2);
    Angle.Show(FAngle);
    rgFillType->SetItemIndex(type);
    ShowControls();
    pbPreview->Invalidate();
}

void TKvStyleFillDlg::ShowControls()
{
    const TFillType type = GetFillType();
    const bool start = type != ftEmpty;
    const bool end = type == ftLinear;
    lblStartColor->SetCaption(type == ftSolid ? QStringLiteral("Color:") : QStringLiteral("Start Color:"));
    for (TDesignControl* control : {static_cast<TDesignControl*>(lblStartColor), static_cast<TDesignControl*>(cmbStartColor),
                                    static_cast<TDesignControl*>(btnStartColor), static_cast<TDesignControl*>(lblStartAlpha)})
        control->SetVisible(start);
    StartAlpha.SetVisible(start);
    for (TDesignControl* control : {static_cast<TDesignControl*>(lblEndColor), static_cast<TDesignControl*>(cmbEndColor),
                                    static_cast<TDesignControl*>(btnEndColor), static_cast<TDesignControl*>(lblEndAlpha),
                                    static_cast<TDesignControl*>(lblAngle)})
        control->SetVisible(end);
    EndAlpha.SetVisible(end);
    Angle.SetVisible(end);
}

void TKvStyleFillDlg::InvalidateFill()
{
    // The controls follow the values without being heard.
    TEventBlocker block(FForm.get());
    FColor1 = TKvColor::Create(TKvColorComboHelper::GetColor(cmbStartColor), std::uint8_t(FAlpha1));
    FColor2 = TKvColor::Create(TKvColorComboHelper::GetColor(cmbEndColor), std::uint8_t(FAlpha2));
    StartAlpha.Show(FAlpha1);
    EndAlpha.Show(FAlpha2);
    Angle.Show(FAngle);
    pbPreview->Invalidate();
}

void TKvStyleFillDlg::PickColor(TDesignComboBox* combo)
{
    TColorDialog dialog;
    dialog.SetColor(TKvColorComboHelper::GetColor(combo));
    if (!dialog.Execute())
        return;
    TKvColorComboHelper::AddColor(combo, TKvColor(dialog.GetColor()));
    InvalidateFill();
}

std::unique_ptr<TKvFill> TKvStyleFillDlg::ExtractFill() const
{
    switch (GetFillType()) {
    case ftSolid:
        return TKvFill::CreateSolid(FColor1);
    case ftLinear:
        return TKvFill::CreateLinear(FColor1, FColor2, float(FAngle));
    case ftEmpty:
        break;
    }
    return nullptr;
}

QString TKvStyleFillDlg::GetFill() const
{
    const std::unique_ptr<TKvFill> fill = ExtractFill();
    return fill ? fill->ToString() : QString();
}

bool TKvStyleFillDlg::ShowModal()
{
    const bool ok = FForm->ShowModal() == mrOk;
    TEventBlocker block(FForm.get());
    TKvColorComboHelper::Repack(cmbStartColor, 8);
    TKvColorComboHelper::Repack(cmbEndColor, 8);
    return ok;
}

bool TKvStyleFillDlg::Execute(const QString& input, QString& output)
{
    output.clear();
    TKvStyleFillDlg dialog;
    dialog.SetFill(input);
    if (!dialog.ShowModal())
        return false;
    output = dialog.GetFill();
    return true;
}

} // namespace kv
