#include "design/KvGrids.Styles.FillDlg.h"
#include "design/KvGrids.Styles.StrokeDlg.h"

#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QWidget>

using namespace kv;
using kvtest::TDialogAnswers;

namespace {

QLineEdit* LineEdit(TDesignEdit* edit) { return qobject_cast<QLineEdit*>(edit->Widget()); }

// Replaces the edit's text by typing, as a user does.
void Type(TDesignEdit* edit, const QString& text)
{
    QLineEdit* line = LineEdit(edit);
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, text);
}

QRgb Probe(TDesignControl* control, int x, int y)
{
    const QImage image = control->Widget()->grab().toImage();
    return image.pixel(x, y);
}

// An outline pixel: grey, possibly blended with white by smoothing.
bool IsGrey(QRgb p) { return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) < 230 && qRed(p) > 60; }

QStringList Palette()
{
    return {"#ff000000", "#ff696969", "#ffa9a9a9", "#ff808080", "#ffd3d3d3", "#ff00ff00", "#ff008000",
            "#ff0000ff", "#ff00ffff", "#ffff00ff", "#ffff0000", "#ffffff00", "#ffffffff"};
}

} // namespace

TEST(FillDialog, LoadsAGradientWithItsAlphasAndAngle)
{
    TKvStyleFillDlg dlg;
    EXPECT_EQ(dlg.Form()->GetCaption(), QStringLiteral("Fill"));
    EXPECT_EQ(dlg.rgFillType->GetCaption(), QStringLiteral("Fill Type"));
    EXPECT_EQ(dlg.gbBrush->GetCaption(), QStringLiteral("Brush"));
    // A new dialog is empty: white in both combos (a palette entry) and no brush rows.
    EXPECT_EQ(dlg.GetFillType(), TKvStyleFillDlg::ftEmpty);
    EXPECT_EQ(dlg.cmbStartColor->GetItems(), Palette());
    EXPECT_EQ(dlg.cmbStartColor->GetText(), QStringLiteral("#ffffffff"));
    EXPECT_FALSE(dlg.cmbStartColor->GetVisible());
    EXPECT_FALSE(dlg.Angle.Edit->GetVisible());
    EXPECT_EQ(dlg.GetFill(), QString());

    dlg.SetFill(QStringLiteral("linear,#ff123456,#80654321,45"));
    EXPECT_EQ(dlg.GetFillType(), TKvStyleFillDlg::ftLinear);
    EXPECT_EQ(dlg.rgFillType->GetItem(dlg.rgFillType->GetItemIndex()), QStringLiteral("Linear Gradient"));
    EXPECT_EQ(dlg.cmbStartColor->Count(), 14);
    EXPECT_EQ(dlg.cmbStartColor->GetItem(0), QStringLiteral("#ff123456"));
    EXPECT_EQ(dlg.cmbStartColor->GetItemIndex(), 0);
    EXPECT_EQ(dlg.cmbEndColor->GetItem(0), QStringLiteral("#ff654321"));
    EXPECT_EQ(dlg.cmbEndColor->GetItems().mid(1), Palette());
    EXPECT_EQ(dlg.StartAlpha.Edit->GetText(), QStringLiteral("255"));
    EXPECT_EQ(dlg.EndAlpha.Edit->GetText(), QStringLiteral("128"));
    EXPECT_EQ(dlg.EndAlpha.Track->GetPosition(), 128);
    EXPECT_EQ(dlg.Angle.Edit->GetText(), QStringLiteral("45"));
    EXPECT_EQ(dlg.Angle.Track->GetPosition(), 45);
    EXPECT_EQ(dlg.lblStartColor->GetCaption(), QStringLiteral("Start Color:"));
    EXPECT_TRUE(dlg.cmbEndColor->GetVisible());
    EXPECT_TRUE(dlg.Angle.Track->GetVisible());
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("linear,#ff123456,#80654321,45"));

    // A solid brush shows one colour row labelled "Color:"; a palette colour is not added.
    dlg.SetFill(QStringLiteral("#80008000"));
    EXPECT_EQ(dlg.GetFillType(), TKvStyleFillDlg::ftSolid);
    EXPECT_EQ(dlg.lblStartColor->GetCaption(), QStringLiteral("Color:"));
    EXPECT_TRUE(dlg.cmbStartColor->GetVisible());
    EXPECT_TRUE(dlg.StartAlpha.Edit->GetVisible());
    EXPECT_FALSE(dlg.cmbEndColor->GetVisible());
    EXPECT_FALSE(dlg.lblAngle->GetVisible());
    EXPECT_EQ(dlg.cmbStartColor->Count(), 14);
    EXPECT_EQ(dlg.cmbStartColor->GetText(), QStringLiteral("#ff008000"));
    EXPECT_EQ(dlg.GetAlpha1(), 128);
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("#80008000"));

    // Unreadable text is the empty fill, not an error.
    dlg.SetFill(QStringLiteral("linear,#zz,1"));
    EXPECT_EQ(dlg.GetFillType(), TKvStyleFillDlg::ftEmpty);
    EXPECT_EQ(dlg.GetFill(), QString());
}

TEST(FillDialog, ClampsTypedNumbersAndFollowsTheControls)
{
    TKvStyleFillDlg dlg;
    dlg.Form()->Show();
    dlg.SetFill(QStringLiteral("linear,#ff000000,#ffffffff,0"));

    Type(dlg.StartAlpha.Edit, QStringLiteral("300"));
    EXPECT_EQ(dlg.GetAlpha1(), 255);
    EXPECT_EQ(dlg.StartAlpha.Edit->GetText(), QStringLiteral("255"));
    Type(dlg.StartAlpha.Edit, QStringLiteral("x"));
    EXPECT_EQ(dlg.GetAlpha1(), 255);
    EXPECT_EQ(dlg.StartAlpha.Edit->GetText(), QStringLiteral("255"));
    Type(dlg.EndAlpha.Edit, QStringLiteral("64"));
    EXPECT_EQ(dlg.GetAlpha2(), 64);
    EXPECT_EQ(dlg.EndAlpha.Track->GetPosition(), 64);
    EXPECT_EQ(dlg.EndAlpha.UpDown->GetPosition(), 64);
    Type(dlg.Angle.Edit, QStringLiteral("400"));
    EXPECT_EQ(dlg.GetAngle(), 359);
    EXPECT_EQ(dlg.Angle.Edit->GetText(), QStringLiteral("359"));
    Type(dlg.Angle.Edit, QStringLiteral("abc"));
    EXPECT_EQ(dlg.GetAngle(), 0);

    // The track bar and the up-down arrows change the value and the edit.
    dlg.Angle.Track->SetPosition(90);
    EXPECT_EQ(dlg.GetAngle(), 90);
    EXPECT_EQ(dlg.Angle.Edit->GetText(), QStringLiteral("90"));
    QTest::mouseClick(dlg.Angle.UpDown->Widget()->findChild<QToolButton*>(QStringLiteral("up")), Qt::LeftButton);
    EXPECT_EQ(dlg.GetAngle(), 91);
    EXPECT_EQ(dlg.Angle.Track->GetPosition(), 91);

    // A colour picked from the combo becomes the fill's colour with the alpha.
    dlg.cmbEndColor->Pick(dlg.cmbEndColor->IndexOf(QStringLiteral("#ffff0000")));
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("linear,#ff000000,#40ff0000,91"));

    // The "..." button adds the colour chosen in the colour dialog (opaque) in front.
    std::uint32_t asked = 0;
    const TColorDialogHook old = SetColorDialogHook([&asked](TColorDialog& d) {
        asked = d.GetColor();
        d.SetColor(0x7F112233u);
        return true;
    });
    dlg.btnStartColor->Click();
    SetColorDialogHook(old);
    EXPECT_EQ(asked, 0xFF000000u);
    EXPECT_EQ(dlg.cmbStartColor->GetItem(0), QStringLiteral("#ff112233"));
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("linear,#ff112233,#40ff0000,91"));

    // Switching to a solid brush keeps the start colour and alpha.
    dlg.rgFillType->Pick(1);
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("#ff112233"));
    EXPECT_FALSE(dlg.cmbEndColor->GetVisible());
}

TEST(FillDialog, PreviewAndComboItemsPaintTheColours)
{
    TKvStyleFillDlg dlg;
    dlg.Form()->Show();
    dlg.SetFill(QStringLiteral("#ff0000ff"));
    QCoreApplication::processEvents();
    const TRect r = dlg.pbPreview->GetClientRect();
    EXPECT_EQ(Probe(dlg.pbPreview, r.Width() / 2, r.Height() / 2), qRgb(0, 0, 255));
    EXPECT_NE(Probe(dlg.pbPreview, 0, r.Height() / 2), qRgb(0, 0, 255));

    // Colour combo item: white around a swatch of the colour, its text in black after it.
    TBitmap bitmap(120, 20);
    TKvColorComboHelper::DrawItem(dlg.cmbStartColor, bitmap.GetCanvas(), TRect{0, 0, 120, 20}, TKvColor(0xFFFF0000u));
    bitmap.ReleaseCanvas();
    const QImage& image = bitmap.GetImage();
    EXPECT_EQ(image.pixel(0, 10), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(20, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 1), qRgb(255, 255, 255));
    EXPECT_TRUE(IsGrey(image.pixel(20, 2)) || IsGrey(image.pixel(20, 3)));
    EXPECT_NE(image.pixel(44, 10), qRgb(255, 0, 0));
    bool dark = false;
    for (int x = 46; x < 110 && !dark; ++x)
        for (int y = 0; y < 20; ++y)
            dark = dark || qGray(image.pixel(x, y)) < 100;
    EXPECT_TRUE(dark) << "no text after the swatch";

    // Dash combo item: a black line at mid-height that stops 10 pixels from each end.
    TBitmap dashes(100, 20);
    TKvDashComboHelper::DrawItem(nullptr, dashes.GetCanvas(), TRect{0, 0, 100, 20}, 3, DashStyleSolid);
    dashes.ReleaseCanvas();
    EXPECT_EQ(dashes.GetImage().pixel(50, 10), qRgb(0, 0, 0));
    EXPECT_EQ(dashes.GetImage().pixel(5, 10), qRgb(255, 255, 255));
    EXPECT_EQ(dashes.GetImage().pixel(50, 3), qRgb(255, 255, 255));
}

TEST(ColorCombo, AddsColoursInFrontAndRepacksToTheNewestEight)
{
    TKvStyleFillDlg dlg;
    TDesignComboBox* combo = dlg.cmbStartColor;
    // An existing colour (alpha forced to 255) is selected, not inserted, in any letter case.
    TKvColorComboHelper::AddColor(combo, TKvColor(0x10FF00FFu));
    EXPECT_EQ(combo->Count(), 13);
    EXPECT_EQ(combo->GetText(), QStringLiteral("#ffff00ff"));
    combo->Insert(0, QStringLiteral("#FFABCDEF"));
    TKvColorComboHelper::AddColor(combo, TKvColor(0x80ABCDEFu));
    EXPECT_EQ(combo->Count(), 14);
    EXPECT_EQ(combo->GetItemIndex(), 0);
    combo->Delete(0);

    for (std::uint32_t i = 1; i <= 10; ++i)
        TKvColorComboHelper::AddColor(combo, TKvColor(0x00100000u * i + 0x11));
    EXPECT_EQ(combo->Count(), 23);
    EXPECT_EQ(combo->GetItem(0), QStringLiteral("#ffa00011"));

    // Cancel closes without a result; closing repacks to the eight newest custom colours.
    TDialogAnswers answers;
    answers.Expect(QStringLiteral("Fill"), [](TDesignWindow* w) { QTest::keyClick(w->Window(), Qt::Key_Escape); });
    EXPECT_FALSE(dlg.ShowModal());
    EXPECT_EQ(combo->Count(), 21);
    EXPECT_EQ(combo->GetItem(0), QStringLiteral("#ffa00011"));
    EXPECT_EQ(combo->GetItem(7), QStringLiteral("#ff300011"));
    EXPECT_EQ(combo->GetItems().mid(8), Palette());
    EXPECT_EQ(dlg.cmbEndColor->Count(), 13);
}

TEST(FillDialog, ClosingKeepsThePickedColourWhenRepackingDropsItsItem)
{
    TKvStyleFillDlg dlg;
    dlg.SetFill(QStringLiteral("#ff000000"));
    TDesignComboBox* combo = dlg.cmbStartColor;
    for (std::uint32_t i = 1; i <= 10; ++i)
        TKvColorComboHelper::AddColor(combo, TKvColor(0x00100000u * i + 0x11));
    TDialogAnswers answers;
    answers.Expect(QStringLiteral("Fill"), [combo](TDesignWindow* w) {
        // The oldest custom colour, which closing drops from the list.
        combo->Pick(9);
        EXPECT_EQ(combo->GetText(), QStringLiteral("#ff100011"));
        w->SetModalResult(mrOk);
    });
    EXPECT_TRUE(dlg.ShowModal());
    EXPECT_EQ(combo->Count(), 21);
    EXPECT_EQ(dlg.GetFill(), QStringLiteral("#ff100011"));
}

TEST(FillDialog, ExecuteAnswersTheTextOnOkOnly)
{
    QString out = QStringLiteral("old");
    TDialogAnswers answers;
    answers.Expect(QString(), [](TDesignWindow* w) { w->SetModalResult(mrCancel); });
    EXPECT_FALSE(TKvStyleFillDlg::Execute(QStringLiteral("#ff00ff00"), out));
    EXPECT_EQ(out, QString());

    answers.Expect(QString(), [](TDesignWindow* form) {
        EXPECT_EQ(form->GetCaption(), QStringLiteral("Fill"));
        auto* alpha = form->Window()->findChildren<QLineEdit*>().value(0);
        ASSERT_NE(alpha, nullptr);
        alpha->selectAll();
        QTest::keyClicks(alpha, QStringLiteral("128"));
        QTest::keyClick(form->Window(), Qt::Key_Return);
    });
    EXPECT_TRUE(TKvStyleFillDlg::Execute(QStringLiteral("#ff00ff00"), out));
    EXPECT_EQ(out, QStringLiteral("#8000ff00"));
}

TEST(StrokeDialog, LoadsPensAndClampsWidthsToTheRange)
{
    TKvStyleStrokeDlg dlg;
    EXPECT_EQ(dlg.Form()->GetCaption(), QStringLiteral("Stroke"));
    EXPECT_EQ(dlg.rgStrokeType->GetCaption(), QStringLiteral("Stroke Type"));
    EXPECT_EQ(dlg.gbPen->GetCaption(), QStringLiteral("Pen"));
    EXPECT_EQ(dlg.cmbDash->GetItems(),
              (QStringList{"solid", "dash", "dot", "dashdot", "dashdotdot"}));
    EXPECT_EQ(dlg.GetStrokeType(), TKvStyleStrokeDlg::stEmpty);
    EXPECT_FALSE(dlg.gbPen->GetVisible());
    EXPECT_EQ(dlg.Width.Edit->GetText(), QStringLiteral("1"));
    EXPECT_EQ(dlg.Alpha.Edit->GetText(), QStringLiteral("255"));
    EXPECT_EQ(dlg.GetStroke(), QString());

    dlg.SetStroke(QStringLiteral("#80123456,3,dot"));
    EXPECT_EQ(dlg.GetStrokeType(), TKvStyleStrokeDlg::stSolid);
    EXPECT_TRUE(dlg.gbPen->GetVisible());
    EXPECT_EQ(dlg.cmbColor->GetItem(0), QStringLiteral("#ff123456"));
    EXPECT_EQ(dlg.cmbColor->Count(), 14);
    EXPECT_EQ(dlg.Width.UpDown->GetPosition(), 3);
    EXPECT_EQ(dlg.cmbDash->GetItemIndex(), int(DashStyleDot));
    EXPECT_EQ(dlg.Alpha.Edit->GetText(), QStringLiteral("128"));
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#80123456,3,dot"));

    // A pen wider than the width control shows the control's greatest width and keeps its own
    // until the user sets one.
    dlg.SetStroke(QStringLiteral("#ff000000,20"));
    EXPECT_EQ(dlg.Width.Edit->GetText(), QStringLiteral("16"));
    EXPECT_EQ(dlg.Width.UpDown->GetPosition(), 16);
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#ff000000,20"));
    dlg.Alpha.Track->SetPosition(200);
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#c8000000,20"));
    dlg.Width.UpDown->Click(false);
    EXPECT_EQ(dlg.GetPenWidth(), 15);
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#c8000000,15"));

    dlg.Form()->Show();
    Type(dlg.Width.Edit, QStringLiteral("40"));
    EXPECT_EQ(dlg.GetPenWidth(), 16);
    Type(dlg.Alpha.Edit, QStringLiteral("zz"));
    EXPECT_EQ(dlg.GetAlpha(), 255);
    dlg.cmbDash->Pick(3);
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#ff000000,16,dashdot"));

    dlg.rgStrokeType->Pick(0);
    EXPECT_FALSE(dlg.gbPen->GetVisible());
    EXPECT_EQ(dlg.GetStroke(), QString());

    dlg.SetStroke(QStringLiteral("not a pen"));
    EXPECT_EQ(dlg.GetStrokeType(), TKvStyleStrokeDlg::stEmpty);
    EXPECT_EQ(dlg.Width.Edit->GetText(), QStringLiteral("1"));
    EXPECT_EQ(dlg.cmbDash->GetItemIndex(), 0);
}

TEST(StrokeDialog, PreviewDrawsTheLineAndExecuteAnswersOnOk)
{
    TKvStyleStrokeDlg dlg;
    dlg.Form()->Show();
    dlg.SetStroke(QStringLiteral("#ffff0000,3"));
    QCoreApplication::processEvents();
    const TRect r = dlg.pbPreview->GetClientRect();
    const int mid = (r.Height() - 1) / 2;
    EXPECT_EQ(Probe(dlg.pbPreview, r.Width() / 2, mid), qRgb(255, 0, 0));
    EXPECT_NE(Probe(dlg.pbPreview, 2, mid), qRgb(255, 0, 0));
    EXPECT_TRUE(IsGrey(Probe(dlg.pbPreview, 0, 5)));

    QString out;
    TDialogAnswers answers;
    answers.Expect(QString(), [](TDesignWindow* form) {
        EXPECT_EQ(form->GetCaption(), QStringLiteral("Stroke"));
        form->Window()->findChild<QComboBox*>(QStringLiteral("cmbDash"))->setCurrentIndex(1);
        emit form->Window()->findChild<QComboBox*>(QStringLiteral("cmbDash"))->activated(1);
        QTest::keyClick(form->Window(), Qt::Key_Return);
    });
    EXPECT_TRUE(TKvStyleStrokeDlg::Execute(QStringLiteral("#ff0000ff,2"), out));
    EXPECT_EQ(out, QStringLiteral("#ff0000ff,2,dash"));
}

TEST(StrokeDialog, WidthsOutsideTheControlShowClampedAndStayUntilTheUserSetsOne)
{
    TKvStyleStrokeDlg dlg;
    dlg.Form()->Show();
    const std::pair<const char*, int> cases[] = {
        {"99999999999", 16}, {"1e30", 16}, {"3.4e38", 16}, {"16.4", 16}, {"16.5", 16}, {"2.5", 3}, {"0.4", 0}, {"0", 0}};
    for (const auto& [width, shown] : cases) {
        dlg.SetStroke(QStringLiteral("#ff0000ff,%1,dot").arg(QLatin1String(width)));
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.Width.Edit->GetText(), QString::number(shown)) << width;
        EXPECT_EQ(dlg.Width.UpDown->GetPosition(), shown) << width;
        EXPECT_EQ(dlg.GetPenWidth(), shown) << width;
        const QString loaded = QStringLiteral("#ff0000ff,%1,dot").arg(QLatin1String(width));
        EXPECT_EQ(dlg.GetStroke(), TKvStroke::CreateFrom(loaded)->ToString()) << width;
    }
    // The user steps down from the greatest width.
    dlg.SetStroke(QStringLiteral("#ff0000ff,99999999999"));
    dlg.Width.UpDown->Click(false);
    EXPECT_EQ(dlg.Width.Edit->GetText(), QStringLiteral("15"));
    EXPECT_EQ(dlg.GetStroke(), QStringLiteral("#ff0000ff,15"));

    // OK on an unchanged dialog answers the width it was given, whatever the control shows.
    QString out;
    QString shownWidth;
    TDialogAnswers answers;
    answers.Expect(QString(), [&shownWidth](TDesignWindow* form) {
        for (QLineEdit* edit : form->Window()->findChildren<QLineEdit*>())
            if (edit->isVisible() && edit->text() != QLatin1String("255"))
                shownWidth = edit->text();
        QTest::keyClick(form->Window(), Qt::Key_Return);
    });
    EXPECT_TRUE(TKvStyleStrokeDlg::Execute(QStringLiteral("#ff0000ff,99999999999"), out));
    answers.Check();
    EXPECT_EQ(shownWidth, QStringLiteral("16"));
    EXPECT_EQ(out, TKvStroke::CreateFrom(QStringLiteral("#ff0000ff,99999999999"))->ToString());
    EXPECT_NE(out, QStringLiteral("#ff0000ff,16"));
}
