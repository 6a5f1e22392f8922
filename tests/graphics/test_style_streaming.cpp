#include "StyleTestSupport.h"
#include "TestSupport.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QTemporaryDir>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// A form that streams the components it owns.
class TStyleTestForm : public TComponent
{
public:
    explicit TStyleTestForm(TComponent* owner) : TComponent(owner) {}
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

// A component with a view styles bag, as grid areas and columns have.
class TStyledThing : public TComponent
{
public:
    explicit TStyledThing(TComponent* owner)
        : TComponent(owner), FCells(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("cells")))
    {
    }
    TKvGridViewStyles* GetCells() const { return FCells.get(); }
    void SetCells(TKvGridViewStyles* value) { FCells->Assign(value); }

private:
    std::unique_ptr<TKvGridViewStyles> FCells;
};

KV_PUBLISH(TStyleTestForm, TComponent);
KV_PUBLISH(TStyledThing, TComponent).Property("Cells", &TStyledThing::GetCells, &TStyledThing::SetCells);

void RegisterStyleClasses()
{
    RegisterClasses<TStyleTestForm, TStyledThing, TKvGridStyleSheet, TKvGridStyleObject>();
}

// Every value and every assigned bit of two bags agree.
void ExpectSameBag(const TKvGridStyleBag* a, const TKvGridStyleBag* b)
{
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->GetValues(), b->GetValues()) << a->GetName().toStdString();
    for (const QString& name : TKvGridStyleBag::GetNames())
        EXPECT_EQ(a->GetValue(name), b->GetValue(name)) << a->GetName().toStdString() << "." << name.toStdString();
}

TOwned<TStyleTestForm> BuildForm()
{
    auto form = MakeOwned<TStyleTestForm>(nullptr);
    form->SetName(QStringLiteral("Form1"));
    auto* sheet = Create<TKvGridStyleSheet>(form.get());
    sheet->SetName(QStringLiteral("Sheet1"));
    sheet->SetFileName(QStringLiteral("styles.vts"));
    sheet->GetBody()->SetValue(QStringLiteral("Background"), QStringLiteral("#ff0a0b0c"));
    sheet->GetBody()->SetValue(QStringLiteral("Font"), QStringLiteral("Serif,10,bold,italic"));
    sheet->GetHeader()->SetValue(QStringLiteral("BorderLeft"), QStringLiteral("#ff111111,2,dash"));
    sheet->GetHeader()->SetTextAlignment(AlignFar);
    sheet->GetFooterGroup()->SetPrefix(QStringLiteral("Σ 'sum'"));
    sheet->GetStyles()->SetContentFit(FitWidth);
    sheet->GetRowGroupFooter()->SetSelectedBackground(nullptr);
    auto* object = Create<TKvGridStyleObject>(form.get());
    object->SetName(QStringLiteral("StyleObject1"));
    object->GetStyles()->SetValue(QStringLiteral("SelectionMaskBorder"), QStringLiteral("#80000080,1"));
    object->GetStyles()->SetIconLocation(IconBottom);
    object->GetStyles()->SetNumberFormat(QStringLiteral("0.00"));
    auto* thing = Create<TStyledThing>(form.get());
    thing->SetName(QStringLiteral("Thing1"));
    thing->GetCells()->SetReference(object);
    thing->GetCells()->SetPaddingTop(3);
    thing->GetCells()->SetValue(QStringLiteral("FigureBackground"), QStringLiteral("linear,#ff000000,#ffffffff,45"));
    return form;
}

TEST(StyleStreaming, SheetStyleObjectAndViewStylesRoundTripThroughAFormFile)
{
    RegisterStyleClasses();
    TKvGridStyleSheet::Default();
    auto form = BuildForm();
    const QString text = WriteComponentText(form.get());

    // Graphics values travel as "...Property" strings; others only when assigned.
    EXPECT_TRUE(text.contains(QStringLiteral("Body.BackgroundProperty = '#ff0a0b0c'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Header.BorderLeftProperty = '#ff111111,2,dash'")));
    EXPECT_TRUE(text.contains(QStringLiteral("Header.TextAlignment = AlignFar")));
    EXPECT_TRUE(text.contains(QStringLiteral("RowGroupFooter.SelectedBackgroundProperty = ''")));
    EXPECT_TRUE(text.contains(QStringLiteral("Styles.ContentFit = FitWidth")));
    EXPECT_TRUE(text.contains(QStringLiteral("Cells.Reference = StyleObject1")));
    EXPECT_FALSE(text.contains(QStringLiteral("Cells.PaddingLeft")));
    EXPECT_FALSE(text.contains(QStringLiteral("FooterGroup"))); // not published
    EXPECT_FALSE(text.contains(QStringLiteral("Cells.Background ="))); // graphics are not written as objects

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("form.txt"));
    WriteComponentFile(fileName, form.get());
    TOwned<TComponent> read(ReadComponentFile(fileName));
    auto* copy = dynamic_cast<TStyleTestForm*>(read.get());
    ASSERT_NE(copy, nullptr);

    auto* sheet = dynamic_cast<TKvGridStyleSheet*>(form->FindComponent(QStringLiteral("Sheet1")));
    auto* sheetCopy = dynamic_cast<TKvGridStyleSheet*>(copy->FindComponent(QStringLiteral("Sheet1")));
    ASSERT_NE(sheetCopy, nullptr);
    EXPECT_EQ(sheetCopy->GetFileName(), QStringLiteral("styles.vts"));
    ExpectSameBag(sheet->GetStyles(), sheetCopy->GetStyles());
    const auto regions = sheet->GetRegions();
    const auto regionCopies = sheetCopy->GetRegions();
    for (size_t i = 0; i < regions.size(); ++i)
        if (regions[i] != sheet->GetFooterGroup())
            ExpectSameBag(regions[i], regionCopies[i]);
    // The read objects belong to the bags that read them.
    EXPECT_TRUE(sheetCopy->GetBody()->OwnsGraphic(sheetCopy->GetBody()->GetFont()));

    auto* objectCopy = dynamic_cast<TKvGridStyleObject*>(copy->FindComponent(QStringLiteral("StyleObject1")));
    ASSERT_NE(objectCopy, nullptr);
    ExpectSameBag(dynamic_cast<TKvGridStyleObject*>(form->FindComponent(QStringLiteral("StyleObject1")))->GetStyles(),
                  objectCopy->GetStyles());
    auto* thingCopy = dynamic_cast<TStyledThing*>(copy->FindComponent(QStringLiteral("Thing1")));
    ASSERT_NE(thingCopy, nullptr);
    EXPECT_EQ(thingCopy->GetCells()->GetReference(), objectCopy);
    EXPECT_EQ(thingCopy->GetCells()->GetIconLocation(), IconBottom);
    ExpectSameBag(dynamic_cast<TStyledThing*>(form->FindComponent(QStringLiteral("Thing1")))->GetCells(),
                  thingCopy->GetCells());

    // Writing the copy gives the same text.
    EXPECT_EQ(WriteComponentText(copy), text);
}

TEST(StyleStreaming, BadGraphicsTextFailsTheReadCleanly)
{
    RegisterStyleClasses();
    const QString text = QStringLiteral("object Form1: TStyleTestForm\n"
                                        "  object StyleObject1: TKvGridStyleObject\n"
                                        "    Styles.PaddingLeft = 4\n"
                                        "    Styles.BackgroundProperty = 'no colour'\n"
                                        "  end\n"
                                        "end\n");
    EXPECT_THROW(ReadComponentText(text), EReadError);

    const QString unknown = QStringLiteral("object Form1: TStyleTestForm\n"
                                           "  object StyleObject1: TKvGridStyleObject\n"
                                           "    Styles.ShadowProperty = '#ff000000'\n"
                                           "  end\n"
                                           "end\n");
    EXPECT_THROW(ReadComponentText(unknown), EReadError);

    // Reading into an existing object keeps what it had where the file says nothing.
    auto object = MakeOwned<TKvGridStyleObject>(nullptr);
    object->GetStyles()->SetPaddingRight(7);
    ReadComponentText(QStringLiteral("object StyleObject1: TKvGridStyleObject\n"
                                     "  Styles.FontProperty = 'Serif,12'\n"
                                     "end\n"),
                      object.get());
    EXPECT_EQ(object->GetStyles()->GetPaddingRight(), 7);
    EXPECT_EQ(object->GetStyles()->GetValue(QStringLiteral("Font")), QStringLiteral("Serif,12"));
}

TEST(StyleStreaming, AssignedEmptyTextsOverrideTheReferenceAfterReading)
{
    RegisterStyleClasses();
    auto form = MakeOwned<TStyleTestForm>(nullptr);
    form->SetName(QStringLiteral("Form1"));
    auto* object = Create<TKvGridStyleObject>(form.get());
    object->SetName(QStringLiteral("Totals"));
    object->GetStyles()->SetPrefix(QStringLiteral("Sum: "));
    object->GetStyles()->SetNumberFormat(QStringLiteral("0.00"));
    object->GetStyles()->SetPostfix(QStringLiteral(" EUR"));
    auto* thing = Create<TStyledThing>(form.get());
    thing->SetName(QStringLiteral("Thing1"));
    thing->GetCells()->SetReference(object);
    thing->GetCells()->SetPrefix(QString());
    thing->GetCells()->SetNumberFormat(QString());
    thing->GetCells()->SetPostfix(QString());

    const QString text = WriteComponentText(form.get());
    EXPECT_TRUE(text.contains(QStringLiteral("Cells.Prefix = ''"))) << text.toStdString();
    TOwned<TComponent> read(ReadComponentText(text));
    auto* copy = dynamic_cast<TStyledThing*>(read->FindComponent(QStringLiteral("Thing1")));
    ASSERT_NE(copy, nullptr);
    for (TKvGridViewStyleEntry entry : {PREFIX_STYLE, NUMBER_FORMAT, POSTFIX_STYLE}) {
        EXPECT_TRUE(copy->GetCells()->HasValue(entry)) << int(entry);
        EXPECT_EQ(copy->GetCells()->GetString(entry), QString()) << int(entry);
    }
    EXPECT_EQ(WriteComponentText(read.get()), text);
}

TEST(StyleStreaming, PublishedPropertiesInTableOrder)
{
    const TClassInfo& info = ClassInfo<TKvGridStyleBag>();
    QStringList published;
    for (const TPropInfo* prop : info.Properties())
        published << prop->Name;
    EXPECT_EQ(published, TKvGridStyleBag::GetNames());
}

} // namespace
