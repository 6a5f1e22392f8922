#include "design/KvGrids.Styles.StrokeDlg.h"

#include <algorithm>
#include <cmath>

namespace kv {

TKvStyleStrokeDlg::TKvStyleStrokeDlg() : FForm(std::make_unique<TDesignWindow>(QStringLiteral("Stroke"), fkDialog, this))
{
    TDesignWindow* form = FForm.get();
    rgStrokeType = form->Add<TDesignRadioGroup>(QStringLiteral("Stroke Type"),
                                                QStringList{QStringLiteral("Empty"), QStringLiteral("Solid Pen")});
    gbPen = form->Add<TDesignGroupBox>(QStringLiteral("Pen"));
    lblColor = form->Add<TDesignLabel>(QStringLiteral("Color:"));
    cmbColor = form->Add<TDesignComboBox>();
    btnColor = form->Add<TDesignButton>(QStringLiteral("..."));
    lblWidth = form->Add<TDesignLabel>(QStringLiteral("Width:"));
    Width = TKvNumberControls::Create(form, 0, 16, 1, false);
    lblDash = form->Add<TDesignLabel>(QStringLiteral("Dash:"));
    cmbDash = form->Add<TDesignComboBox>();
    lblAlpha = form->Add<TDesignLabel>(QStringLiteral("Alpha:"));
    Alpha = TKvNumberControls::Create(form, 0, 255, 255, true);
    pbPreview = form->Add<TDesignPaintBox>();
    btnOK = form->Add<TDesignButton>(QStringLiteral("OK"));
    btnCancel = form->Add<TDesignButton>(QStringLiteral("Cancel"));

    cmbColor->SetName(QStringLiteral("cmbColor"));
    cmbDash->SetName(QStringLiteral("cmbDash"));
    TKvColorComboHelper::Prepare(cmbColor);
    for (const char* dash : {"solid", "dash", "dot", "dashdot", "dashdotdot"})
        cmbDash->Add(QString::fromLatin1(dash));
    cmbDash->SetItemHeight(18);
    cmbDash->SetMinimumWidth(150);
    cmbDash->OnDrawItem = [this](TDesignComboBox* sender, TCanvas* canvas, const TRect& rect, int index, bool) {
        TKvDashComboHelper::DrawItem(sender, canvas, rect, FWidth, static_cast<TKvDashStyle>(index));
    };

    gbPen->Place(lblColor, 0, 0);
    gbPen->Place(cmbColor, 0, 1, 1, 3);
    gbPen->Place(btnColor, 0, 4);
    gbPen->Place(lblWidth, 1, 0);
    Width.Place(gbPen, 1, 1);
    gbPen->Place(lblDash, 2, 0);
    gbPen->Place(cmbDash, 2, 1, 1, 3);
    gbPen->Place(lblAlpha, 3, 0);
    Alpha.Place(gbPen, 3, 1);
    gbPen->SetColumnStretch(3, 1);
    gbPen->SetRowStretch(4, 1);

    pbPreview->SetMinimumSize(120, 40);
    btnOK->SetDefault(true);
    btnOK->SetModalResult(mrOk);
    btnCancel->SetModalResult(mrCancel);
    TDesignContainer* body = form->Body();
    body->Place(rgStrokeType, 0, 0);
    body->Place(gbPen, 0, 1, 2, 3);
    body->Place(pbPreview, 1, 0);
    body->Place(btnOK, 2, 2);
    body->Place(btnCancel, 2, 3);
    body->SetColumnStretch(1, 1);
    form->SetClientSize(440, 200);

    rgStrokeType->OnClick = [this](TDesignRadioGroup*) {
        ShowControls();
        InvalidateStroke();
    };
    cmbColor->OnChange = [this](TDesignComboBox*) { InvalidateStroke(); };
    cmbDash->OnChange = [this](TDesignComboBox*) { InvalidateStroke(); };
    btnColor->OnClick = [this](TDesignButton*) {
        TColorDialog dialog;
        dialog.SetColor(TKvColorComboHelper::GetColor(cmbColor));
        if (!dialog.Execute())
            return;
        TKvColorComboHelper::AddColor(cmbColor, TKvColor(dialog.GetColor()));
        InvalidateStroke();
    };
    Width.Edit->OnChange = [this](TDesignEdit*) {
        FWidth = Width.ReadEdit();
        FPenWidth = float(FWidth);
        InvalidateStroke();
    };
    Alpha.Edit->OnChange = [this](TDesignEdit*) {
        FAlpha = Alpha.ReadEdit();
        InvalidateStroke();
    };
    Alpha.Track->OnChange = [this](TDesignTrackBar* sender) {
        FAlpha = sender->GetPosition();
        InvalidateStroke();
    };
    pbPreview->OnPaint = [this](TDesignPaintBox* sender, TCanvas* canvas) {
        TKvDrawingContext context(canvas);
        TRect r = sender->GetClientRect();
        r.Right -= 1;
        r.Bottom -= 1;
        context.DrawRect(nullptr, TKvStroke::Gray(), r);
        if (const std::unique_ptr<TKvStroke> stroke = ExtractStroke()) {
            const int y = r.Top + r.Height() / 2;
            context.DrawLine(stroke.get(), r.Left + r.Width() / 6, y, r.Right - r.Width() / 6, y);
        }
    };
    SetStroke(QString());
}

TKvStyleStrokeDlg::~TKvStyleStrokeDlg() = default;

TKvStyleStrokeDlg::TStrokeType TKvStyleStrokeDlg::GetStrokeType() const
{
    return rgStrokeType->GetItemIndex() == stSolid ? stSolid : stEmpty;
}

void TKvStyleStrokeDlg::SetStroke(const QString& text)
{
    // Loading is not the user's change.
    TEventBlocker block(FForm.get());
    std::unique_ptr<TKvStroke> stroke;
    try {
        stroke = TKvStroke::CreateFrom(text);
    } catch (const Exception&) {
        stroke.reset();
    }
    auto* pen = dynamic_cast<TKvSolidPen*>(stroke.get());
    FColor = pen ? pen->GetColor() : TKvColor(0xFFFFFFFFu);
    FAlpha = FColor.GetAlpha();
    // The control shows the width within its range; the stroke keeps the width it had until
    // the user sets one. Clamped before rounding: a wide pen would overflow the integer.
    FPenWidth = pen ? pen->GetWidth() : 1.0f;
    FWidth = static_cast<int>(std::lround(std::clamp(double(FPenWidth), double(Width.Min), double(Width.Max))));
    TKvColorComboHelper::AddColor(cmbColor, FColor);
    Width.Show(FWidth);
    Width.Edit->SetText(QString::number(FWidth));
    cmbDash->SetItemIndex(pen ? int(pen->GetDash()) : 0);
    Alpha.Show(FAlpha);
    rgStrokeType->SetItemIndex(pen ? stSolid : stEmpty);
    ShowControls();
    pbPreview->Invalidate();
}

void TKvStyleStrokeDlg::ShowControls()
{
    gbPen->SetVisible(GetStrokeType() == stSolid);
}

void TKvStyleStrokeDlg::InvalidateStroke()
{
    {
        // The controls follow the values without being heard.
        TEventBlocker block(FForm.get());
        FColor = TKvColor::Create(TKvColorComboHelper::GetColor(cmbColor), std::uint8_t(FAlpha));
        Alpha.Show(FAlpha);
        if (FWidth <= Width.Max)
            Width.Show(FWidth);
    }
    cmbDash->Invalidate();
    pbPreview->Invalidate();
}

std::unique_ptr<TKvStroke> TKvStyleStrokeDlg::ExtractStroke() const
{
    if (GetStrokeType() != stSolid)
        return nullptr;
    const int dash = std::max(0, cmbDash->GetItemIndex());
    return TKvStroke::CreateSolid(FColor, FPenWidth, static_cast<TKvDashStyle>(dash));
}

QString TKvStyleStrokeDlg::GetStroke() const
{
    const std::unique_ptr<TKvStroke> stroke = ExtractStroke();
    return stroke ? stroke->ToString() : QString();
}

bool TKvStyleStrokeDlg::ShowModal()
{
    const bool ok = FForm->ShowModal() == mrOk;
    TEventBlocker block(FForm.get());
    TKvColorComboHelper::Repack(cmbColor, 8);
    return ok;
}

bool TKvStyleStrokeDlg::Execute(const QString& input, QString& output)
{
    output.clear();
    TKvStyleStrokeDlg dialog;
    dialog.SetStroke(input);
    if (!dialog.ShowModal())
        return false;
    output = dialog.GetStroke();
    return true;
}

} // namespace kv
