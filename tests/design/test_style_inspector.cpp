// The style inspector: Execute's answer, the caption, the sorted list with descriptions, the
// set/clear button, the delegate's editors and renderers, and a rejected value.
#include "VisualHostTestSupport.h"
#include "design/KvGrids.StyleInspector.h"
#include "design/KvGrids.StyleInspector.Impl.h"

#include "grid/KvGrids.Editor.List.h"
#include "grid/KvGrids.h"

#include "DialogAnswers.h"
#include "TestSupport.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/MessageBox.h"

#include <QtGui/QImage>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QWidget>

#include <deque>

using namespace kv;

namespace {

void Settle()
{
    kvtest::DeliverPosted();
}

// Shows the form modelessly, as ShowModal would, with the list focused.
TOwned<TKvStyleInspectorForm> ShowForm(TKvGridStyleBag* bag)
{
    TOwned<TKvStyleInspectorForm> form{Create<TKvStyleInspectorForm>(nullptr)};
    form->SetStyles(bag);
    form->Window()->Show();
    QWidget* window = form->Window()->Window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    form->GetList()->SetFocus();
    Settle();
    return form;
}

TKvGridCellIndex ValueCell(TKvStyleInspectorForm* form, const QString& name)
{
    TKvListView* list = form->GetList();
    return TKvGridCellIndex(list, form->IndexOfName(name), list->GetDataColumn(QStringLiteral("Value")));
}

int CountPixels(TKvListView* list, QRgb color)
{
    const QImage image = list->Widget()->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == color;
    return count;
}

// Grey pixels of the set/clear button of a value cell, as {dark, light}: the X of a set value
// is dim grey, the check mark of an unset one light grey.
std::pair<int, int> ButtonGreys(TKvStyleInspectorForm* form, const QString& name)
{
    TKvListView* list = form->GetList();
    list->Invalidate();
    list->Update();
    const TRect cell = list->GetCellBounds(ValueCell(form, name));
    const QImage image = list->Widget()->grab().toImage();
    const TPoint origin = list->GetClientOrigin();
    int dark = 0;
    int light = 0;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Right - 19; x < cell.Right; ++x) {
            const QRgb p = image.pixel(origin.X + x, origin.Y + y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))
                continue;
            dark += qRed(p) >= 0x50 && qRed(p) <= 0x90;
            light += qRed(p) >= 0xC8 && qRed(p) <= 0xDC;
        }
    return {dark, light};
}

QWindow* Win(TKvStyleInspectorForm* form)
{
    return form->Window()->Window()->windowHandle();
}

// Clicks the value cell of a property, away from its button.
void ClickValue(TKvStyleInspectorForm* form, const QString& name)
{
    TKvListView* list = form->GetList();
    Settle();
    list->Update();
    const TRect cell = list->GetCellBounds(ValueCell(form, name));
    ASSERT_GT(cell.Right - cell.Left, 0) << name.toStdString();
    const TPoint origin = list->GetClientOrigin();
    QWidget* top = form->Window()->Window();
    const QPoint at = list->Widget()->mapTo(top, QPoint(origin.X + cell.Left + 8, origin.Y + (cell.Top + cell.Bottom) / 2));
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

void TypeText(QWindow* window, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
    Settle();
}

// Clicks the property's value cell, types the text and presses Enter.
void EnterValue(TKvStyleInspectorForm* form, const QString& name, const QString& text)
{
    ClickValue(form, name);
    TypeText(Win(form), text);
    QTest::keyClick(Win(form), Qt::Key_Return);
    Settle();
}


} // namespace

TEST(StyleInspector, ExecuteAnswersTrueOnlyWhenAValueChanged)
{
    EXPECT_FALSE(TKvStyleInspectorForm::Execute(nullptr));
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ffff0000"));
    const int graphics = bag.GraphicItemCount();

    kvtest::TDialogAnswers answers;
    answers.Expect(QString(), [](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Window()->GetCaption(), QStringLiteral("Styles - cells"));
        EXPECT_FALSE(form->GetModified());
        QTest::keyClick(form->Window()->Window(), Qt::Key_Escape);
    });
    EXPECT_FALSE(TKvStyleInspectorForm::Execute(&bag));
    EXPECT_EQ(bag.ListenerCount(), 0);

    answers.Expect(QStringLiteral("Styles - cells"), [](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        const int row = form->DataRowOf(form->IndexOfName(QStringLiteral("Background")));
        form->GetProvider()->SetData(row, 1, Variant(QStringLiteral("#ff00ff00")));
        EXPECT_TRUE(form->GetModified());
        form->Window()->SetModalResult(mrOk);
    });
    EXPECT_TRUE(TKvStyleInspectorForm::Execute(&bag));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));
    // The red fill that nothing uses any more was let go.
    EXPECT_EQ(bag.GraphicItemCount(), graphics);
}

TEST(StyleInspector, CaptionNamesTheOwnerOfAnUnnamedBag)
{
    TOwned<TKvGridView> grid{Create<TKvGridView>(nullptr)};
    TKvGridStyleBag bag(grid.get(), QString());
    TOwned<TKvStyleInspectorForm> form{Create<TKvStyleInspectorForm>(nullptr)};
    form->SetStyles(&bag);
    EXPECT_EQ(form->Window()->GetCaption(), QStringLiteral("Styles - TKvGridView"));
    EXPECT_EQ(bag.ListenerCount(), 1);
    form.reset();
    EXPECT_EQ(bag.ListenerCount(), 0);
}

TEST(StyleInspector, ListsSortedPropertiesAndTheButtonClearsAndSets)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ffff0000"));
    TOwned<TKvStyleInspectorForm> form = ShowForm(&bag);
    TKvListView* list = form->GetList();
    TKvGridStylesDataProvider* provider = form->GetProvider();

    ASSERT_EQ(list->GetItemCount(), TKvGridStylesAgent::GetNames().size());
    QStringList names;
    for (int i = 0; i < list->GetItemCount(); ++i)
        names << provider->GetRecord(form->DataRowOf(i)).Name;
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(names, sorted);

    // The first row's value cell has the focus and its description shows below.
    EXPECT_EQ(list->GetFocusedIndex().ItemIndex, 0);
    EXPECT_EQ(list->GetFocusedIndex().Column, list->GetDataColumn(QStringLiteral("Value")));
    EXPECT_EQ(form->txtDescription->GetCaption(), provider->GetRecord(form->DataRowOf(0)).Description);
    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("Font")));
    EXPECT_EQ(form->txtDescription->GetCaption(), QStringLiteral("Font"));

    // The fill's swatch is painted in the value cell.
    EXPECT_GT(CountPixels(list, qRgb(255, 0, 0)), 100);

    // The button clears a set value (the inherited one shows) and sets it again.
    const int row = form->DataRowOf(form->IndexOfName(QStringLiteral("Background")));
    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("Prefix")));
    const auto setGlyph = ButtonGreys(form.get(), QStringLiteral("Background"));
    EXPECT_GT(setGlyph.first, 4);
    EXPECT_FALSE(form->GetModified());
    form->CellButtonClicked(row);
    EXPECT_FALSE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(provider->GetData(row, 1).ToString(), bag.GetValue(QStringLiteral("Background")));
    EXPECT_FALSE(provider->GetData(row, 2).AsBool());
    EXPECT_TRUE(form->GetModified());
    Settle();
    EXPECT_EQ(CountPixels(list, qRgb(255, 0, 0)), 0);
    const auto checkGlyph = ButtonGreys(form.get(), QStringLiteral("Background"));
    EXPECT_LT(checkGlyph.first, setGlyph.first / 2);
    EXPECT_GT(checkGlyph.second, setGlyph.second + 4);
    // Typing the old text back is a change again, not dropped as the cached text.
    provider->SetData(row, 1, Variant(QStringLiteral("#ffff0000")));
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    form->CellButtonClicked(row);
    form->CellButtonClicked(row);
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ffff0000"));

    // The focused cell's editor starts from the value shown after the button.
    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("Background")));
    Settle();
    form->CellButtonClicked(row);
    TKvGridCellEditor* editor = form->GetDelegate()->GetCellEditor(ValueCell(form.get(), QStringLiteral("Background")));
    EXPECT_EQ(editor->GetEditValue().ToString(), bag.GetValue(QStringLiteral("Background")));
    form->CellButtonClicked(row);
    EXPECT_EQ(editor->GetEditValue().ToString(), QStringLiteral("#ffff0000"));

    // The grid's cell action on a value cell runs the button.
    ASSERT_TRUE(list->OnCellAction);
    list->OnCellAction(list, ValueCell(form.get(), QStringLiteral("Background")));
    EXPECT_FALSE(bag.HasValue(BACKGROUND_STYLE));
}

TEST(StyleInspector, DelegateGivesEachPropertyItsEditorAndRenderer)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    TOwned<TKvStyleInspectorForm> form = ShowForm(&bag);
    TKvGridStyleInspectorDelegate* delegate = form->GetDelegate();

    auto* align = dynamic_cast<TKvListCellEditor*>(delegate->GetCellEditor(ValueCell(form.get(), "TextAlignment")));
    auto* visibility = dynamic_cast<TKvListCellEditor*>(delegate->GetCellEditor(ValueCell(form.get(), "Visibility")));
    ASSERT_NE(align, nullptr);
    ASSERT_NE(visibility, nullptr);
    EXPECT_NE(align, visibility);
    EXPECT_FALSE(align->GetUseColumnItems());
    EXPECT_EQ(align->GetList()->GetItems(), TKvStyleProperties::Find("TextAlignment")->EnumNames);
    EXPECT_EQ(visibility->GetList()->GetItems(), TKvStyleProperties::Find("Visibility")->EnumNames);
    EXPECT_EQ(delegate->GetCellEditor(ValueCell(form.get(), "LineAlignment")),
              delegate->GetCellEditor(ValueCell(form.get(), "LineAlignment")));

    const auto kindOf = [&](const char* name) {
        auto* e = dynamic_cast<TKvGridStyleButtonEditor*>(delegate->GetCellEditor(ValueCell(form.get(), name)));
        return e ? int(e->GetKind()) : -1;
    };
    EXPECT_EQ(kindOf("Background"), int(TKvGridStyleButtonEditor::ekFill));
    EXPECT_EQ(kindOf("BorderLeft"), int(TKvGridStyleButtonEditor::ekStroke));
    EXPECT_EQ(kindOf("Font"), int(TKvGridStyleButtonEditor::ekFont));
    EXPECT_EQ(kindOf("NumberFormat"), -1);
    EXPECT_NE(delegate->GetCellEditor(ValueCell(form.get(), "NumberFormat")), nullptr);

    EXPECT_NE(dynamic_cast<TKvGridStyleFillRenderer*>(delegate->GetCellRenderer(ValueCell(form.get(), "Foreground"))), nullptr);
    EXPECT_NE(dynamic_cast<TKvGridStyleStrokeRenderer*>(delegate->GetCellRenderer(ValueCell(form.get(), "BorderTop"))), nullptr);
    EXPECT_EQ(dynamic_cast<TKvGridStyleFillRenderer*>(delegate->GetCellRenderer(ValueCell(form.get(), "Prefix"))), nullptr);
    EXPECT_EQ(delegate->GetCellButtonRenderer(ValueCell(form.get(), "Prefix")), delegate->GetButtonRenderer());
    EXPECT_EQ(delegate->GetButtonRenderer()->GetName(), QStringLiteral("styleCellButtonRenderrer"));
    TKvListView* list = form->GetList();
    const TKvGridCellIndex nameCell(list, 0, list->GetDataColumn(QStringLiteral("Name")));
    EXPECT_NE(delegate->GetCellButtonRenderer(nameCell), delegate->GetButtonRenderer());

    // A stroke's line is painted in its value cell.
    bag.SetValue(QStringLiteral("BorderLeft"), QStringLiteral("#ff0000ff,3"));
    Settle();
    EXPECT_GT(CountPixels(list, qRgb(0, 0, 255)), 30);

    // The font editor's dialog starts from the text and answers the chosen font.
    TFontDesc asked;
    const TFontDialogHook old = SetFontDialogHook([&asked](TFontDialog& d) {
        asked = d.GetFont();
        TFontDesc chosen = asked;
        chosen.Size = 14;
        chosen.Italic = true;
        d.SetFont(chosen);
        return true;
    });
    QString out;
    EXPECT_TRUE(TKvGridStyleButtonEditor::RunDialog(TKvGridStyleButtonEditor::ekFont, "Arial,12,bold", out));
    SetFontDialogHook(old);
    EXPECT_EQ(asked.Name, QStringLiteral("Arial"));
    EXPECT_EQ(asked.Size, 12);
    EXPECT_TRUE(asked.Bold);
    EXPECT_EQ(out, TKvFont(QStringLiteral("Arial"), 14, TKvFontStyle{FontBold, FontItalic}).ToString());
}

TEST(StyleInspector, ARejectedValueKeepsTheEditorOpen)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("PaddingLeft"), QStringLiteral("3"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff00ff00"));
    TOwned<TKvStyleInspectorForm> form = ShowForm(&bag);
    TKvListView* list = form->GetList();
    const int row = form->DataRowOf(form->IndexOfName(QStringLiteral("Background")));

    // A good value typed into a cell reaches the bag.
    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("PaddingLeft")));
    Settle();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(bag.GetPaddingLeft(), 7);
    EXPECT_FALSE(list->GetEditing());

    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("Background")));
    Settle();
    kvtest::TMessageBoxes boxes;
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("linear,#zz"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(list->GetEditing());
    EXPECT_EQ(form->GetProvider()->GetRecord(row).Value, QStringLiteral("#ff00ff00"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));
    TKvGridCellEditor* editor = form->GetDelegate()->GetCellEditor(ValueCell(form.get(), QStringLiteral("Background")));
    EXPECT_EQ(editor->GetEditValue().ToString(), QStringLiteral("linear,#zz"));
    list->CancelEditor(false);
}

TEST(StyleInspector, TheFillEditorsButtonOpensTheFillDialogAndCommits)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ffff0000"));
    TOwned<TKvStyleInspectorForm> form = ShowForm(&bag);
    TKvListView* list = form->GetList();
    list->SetFocusedIndex(ValueCell(form.get(), QStringLiteral("Background")));
    Settle();

    QString caption;
    kvtest::TDialogAnswers answers;
    answers.Expect(QString(), [&caption](TDesignWindow* dialog) {
        caption = dialog->GetCaption();
        const auto radios = dialog->Window()->findChildren<QRadioButton*>();
        ASSERT_EQ(radios.size(), 3);
        EXPECT_TRUE(radios[1]->isChecked());
        radios[2]->click();
        dialog->SetModalResult(mrOk);
    });
    list->ShowEditor(true);
    Settle();
    EXPECT_EQ(caption, QStringLiteral("Fill"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("linear,#ffff0000,#ffff0000,0"));
    EXPECT_FALSE(list->GetEditing());
    EXPECT_TRUE(form->GetModified());
}

TEST(StyleInspector, AnIntegerStyleRefusesTextThatIsNoInteger)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    kvtest::TMessageBoxes boxes;
    kvtest::TDialogAnswers answers;
    answers.Expect(QStringLiteral("Styles - cells"), [&](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        TKvListView* list = form->GetList();
        EnterValue(form, QStringLiteral("IconPadding"), QStringLiteral("abc"));
        // Refused at once with a message; the value stays unset and the text stays open.
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains("'abc'")) << boxes.Texts[0].toStdString();
        EXPECT_TRUE(boxes.Texts[0].contains("integer")) << boxes.Texts[0].toStdString();
        EXPECT_TRUE(boxes.Texts[0].contains("IconPadding")) << boxes.Texts[0].toStdString();
        EXPECT_FALSE(bag.HasValue(ICON_PADDING));
        EXPECT_FALSE(form->GetModified());
        EXPECT_TRUE(list->GetEditing());
        // Escape drops the text; a number is taken.
        QTest::keyClick(Win(form), Qt::Key_Escape);
        Settle();
        EXPECT_FALSE(list->GetEditing());
        EXPECT_FALSE(bag.HasValue(ICON_PADDING));
        EnterValue(form, QStringLiteral("IconPadding"), QStringLiteral("12"));
        EXPECT_TRUE(bag.HasValue(ICON_PADDING));
        EXPECT_EQ(bag.GetValue(QStringLiteral("IconPadding")), QStringLiteral("12"));
        EXPECT_EQ(boxes.Texts.size(), 1);
        Win(form)->close();
        Settle();
    });
    EXPECT_TRUE(TKvStyleInspectorForm::Execute(&bag));
}

TEST(StyleInspector, AColourThatDoesNotParseIsRefusedAtOnceAndClosingDoesNotDropIt)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff00ff00"));
    kvtest::TMessageBoxes boxes;
    kvtest::TDialogAnswers answers;
    answers.Expect(QStringLiteral("Styles - cells"), [&](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        TKvListView* list = form->GetList();
        EnterValue(form, QStringLiteral("Background"), QStringLiteral("zzz"));
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains("'zzz'")) << boxes.Texts[0].toStdString();
        EXPECT_TRUE(boxes.Texts[0].contains("colour")) << boxes.Texts[0].toStdString();
        EXPECT_FALSE(boxes.Texts[0].contains("integer")) << boxes.Texts[0].toStdString();
        EXPECT_TRUE(list->GetEditing());
        EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));

        // Closing with the text pending asks; No keeps the window and the text.
        boxes.Answers = {IDNO};
        Win(form)->close();
        Settle();
        ASSERT_EQ(boxes.Texts.size(), 2);
        EXPECT_TRUE(boxes.Texts[1].contains("'zzz'")) << boxes.Texts[1].toStdString();
        EXPECT_EQ(boxes.Flags[1] & 0xF, unsigned(MB_YESNO));
        EXPECT_TRUE(window->IsModal());
        EXPECT_TRUE(list->GetEditing());
        TKvGridCellEditor* editor = form->GetDelegate()->GetCellEditor(ValueCell(form, QStringLiteral("Background")));
        EXPECT_EQ(editor->GetEditValue().ToString(), QStringLiteral("zzz"));
        // Yes drops it and closes.
        boxes.Answers = {IDYES};
        Win(form)->close();
        Settle();
        EXPECT_EQ(boxes.Texts.size(), 3);
    });
    EXPECT_FALSE(TKvStyleInspectorForm::Execute(&bag));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00ff00"));

    // Colour names and #RRGGBB / #AARRGGBB are taken wherever a fill or a stroke holds a colour.
    answers.Expect(QStringLiteral("Styles - cells"), [&](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        EnterValue(form, QStringLiteral("Background"), QStringLiteral("Red"));
        EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ffff0000"));
        EnterValue(form, QStringLiteral("Foreground"), QStringLiteral("#123456"));
        EXPECT_EQ(bag.GetValue(QStringLiteral("Foreground")), QStringLiteral("#ff123456"));
        EnterValue(form, QStringLiteral("BorderLeft"), QStringLiteral("blue,2,dot"));
        EXPECT_EQ(bag.GetValue(QStringLiteral("BorderLeft")), QStringLiteral("#ff0000ff,2,dot"));
        EnterValue(form, QStringLiteral("FigureBackground"), QStringLiteral("linear,white,#80102030,90"));
        EXPECT_EQ(bag.GetValue(QStringLiteral("FigureBackground")), QStringLiteral("linear,#ffffffff,#80102030,90"));
        // A bad colour inside a gradient is named too.
        EnterValue(form, QStringLiteral("FigureBorder"), QStringLiteral("nocolour,2"));
        EXPECT_TRUE(form->GetList()->GetEditing());
        QTest::keyClick(Win(form), Qt::Key_Escape);
        Settle();
        EXPECT_FALSE(form->GetList()->GetEditing());
        Win(form)->close();
        Settle();
    });
    EXPECT_TRUE(TKvStyleInspectorForm::Execute(&bag));
    ASSERT_EQ(boxes.Texts.size(), 4);
    EXPECT_TRUE(boxes.Texts[3].contains("'nocolour'")) << boxes.Texts[3].toStdString();
    EXPECT_TRUE(boxes.Texts[3].contains("colour")) << boxes.Texts[3].toStdString();
    EXPECT_FALSE(bag.HasValue(FIGURE_BORDER));
}

// A value of a list-type style that is none of its values is refused, naming the style and
// the values it takes; the one message is the inspector's own (the grid shows no second one);
// Escape drops the text, and Escape again closes the window as it closes other dialogs.
TEST(StyleInspector, AnUnknownListValueIsRefusedOnceAndEscapeCloses)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("cells"));
    bag.SetValue(QStringLiteral("TextAlignment"), QStringLiteral("AlignCenter"));
    kvtest::TMessageBoxes boxes;
    QStringList exceptions;
    TExceptionHook oldHook = SetExceptionHook([&](const QString& message) { exceptions << message; });
    TScopeExit restore([&] { SetExceptionHook(oldHook); });
    kvtest::TDialogAnswers answers;
    answers.Expect(QStringLiteral("Styles - cells"), [&](TDesignWindow* window) {
        auto* form = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(form, nullptr);
        TKvListView* list = form->GetList();
        list->SetFocusedIndex(ValueCell(form, QStringLiteral("TextAlignment")));
        Settle();
        TypeText(Win(form), QStringLiteral("Bogus"));
        // The first Enter closes the drop-down that typing opened; the second commits.
        QTest::keyClick(Win(form), Qt::Key_Return);
        Settle();
        EXPECT_TRUE(boxes.Texts.isEmpty());
        QTest::keyClick(Win(form), Qt::Key_Return);
        Settle();
        ASSERT_EQ(boxes.Texts.size() + exceptions.size(), 1) << (boxes.Texts + exceptions).join("; ").toStdString();
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains("\"Bogus\" is not a value of the style TextAlignment: use one of AlignNear, "
                                            "AlignCenter, AlignFar"))
            << boxes.Texts[0].toStdString();
        EXPECT_EQ(bag.GetTextAlignment(), AlignCenter);
        EXPECT_TRUE(list->GetEditing());
        QTest::keyClick(Win(form), Qt::Key_Escape);
        Settle();
        EXPECT_FALSE(list->GetEditing());
        EXPECT_TRUE(window->IsModal());
        QTest::keyClick(Win(form), Qt::Key_Escape);
        Settle();
        EXPECT_FALSE(window->IsModal());
        if (window->IsModal())
            window->SetModalResult(mrCancel);
    });
    EXPECT_FALSE(TKvStyleInspectorForm::Execute(&bag));
    EXPECT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(exceptions.isEmpty()) << exceptions.join("; ").toStdString();
    EXPECT_EQ(bag.GetTextAlignment(), AlignCenter);
}
