// The masked edit: its custom area beside the text, Enter toggling the selection, the start
// hook on the first character or composition, and masked input put back by Escape.
#include "EditTestSupport.h"

#include "grid/KvGrids.Common.Edits.h"

#include <QtGui/QImage>
#include <QtGui/QInputMethodEvent>
#include <QtWidgets/QLineEdit>

using namespace kv;
using namespace kvtest;

namespace {

// A descendant with a custom area painted red at the right and a start hook that selects
// the whole text, as in-cell editors do.
class TProbeMaskEdit : public TKvCustomMaskEdit
{
public:
    using TKvCustomMaskEdit::TKvCustomMaskEdit;
    int Starts = 0;
    int CustomWidth = 0;
    std::vector<TRect> Drawn;

protected:
    TRect GetCustomRect() const override
    {
        const TRect r = GetClientRect();
        return TRect{r.Right - CustomWidth, r.Top, r.Right, r.Bottom};
    }
    void DrawCustom(HDC DC, const TRect& Rect) override
    {
        Drawn.push_back(Rect);
        TCanvas canvas(DC);
        canvas.FillRect(Rect, clRed);
    }
    void InputStarting() override
    {
        ++Starts;
        SelectAll();
    }
};

} // namespace

TEST(KvMaskEdit, CustomAreaEnterAndStartHook)
{
    TOwned<TProbeMaskEdit> edit(Create<TProbeMaskEdit>(nullptr));
    edit->CustomWidth = 18;
    edit->SetText(QStringLiteral("hello"));
    ShowFocused(edit.get(), 160, 26);
    auto* line = qobject_cast<QLineEdit*>(KeyTarget());
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(edit->GetTabStop());

    // The text stops where the custom area starts; the area is painted by DrawCustom.
    EXPECT_EQ(line->width(), edit->GetClientWidth() - 18);
    edit->Repaint();
    ASSERT_FALSE(edit->Drawn.empty());
    EXPECT_EQ(edit->Drawn.back().Left, edit->GetClientWidth() - 18);
    const QImage image = edit->Widget()->grab().toImage();
    const TPoint origin = edit->GetClientOrigin();
    EXPECT_EQ(image.pixel(origin.X + edit->GetClientWidth() - 9, origin.Y + 12) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_NE(image.pixel(origin.X + 4, origin.Y + 12) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(edit->Widget()->focusProxy()->cursor().shape(), Qt::ArrowCursor);

    // Entering selected everything; Enter removes the selection, Enter again selects all.
    EXPECT_EQ(edit->GetSelLength(), 5);
    Press(Qt::Key_Return);
    EXPECT_EQ(edit->GetSelLength(), 0);
    EXPECT_EQ(edit->GetText(), QStringLiteral("hello"));
    Press(Qt::Key_Return);
    EXPECT_EQ(edit->GetSelLength(), 5);

    // An arrow starts nothing; a character does, and replaces the text it selected.
    Press(Qt::Key_End);
    Press(Qt::Key_Left);
    EXPECT_EQ(edit->Starts, 0);
    Type(QStringLiteral("A"));
    EXPECT_EQ(edit->Starts, 1);
    EXPECT_EQ(edit->GetText(), QStringLiteral("A"));

    // So does the start of an input-method composition; the committed text replaces.
    QInputMethodEvent preedit(QStringLiteral("\u314E"), {});
    QCoreApplication::sendEvent(line, &preedit);
    EXPECT_EQ(edit->Starts, 2);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\uD55C"));
    QCoreApplication::sendEvent(line, &commit);
    EXPECT_EQ(edit->GetText(), QStringLiteral("\uD55C"));
    EXPECT_EQ(edit->Starts, 2);

    // A read-only edit never starts.
    edit->SetReadOnly(true);
    Type(QStringLiteral("B"));
    EXPECT_EQ(edit->Starts, 2);
    EXPECT_EQ(edit->GetText(), QStringLiteral("\uD55C"));
}

TEST(KvMaskEdit, EscapePutsBackMaskedInput)
{
    TOwned<TKvCustomMaskEdit> edit(Create<TKvCustomMaskEdit>(nullptr));
    edit->SetEditMask(QStringLiteral("999-999"));
    edit->SetText(QStringLiteral("555-123"));
    ShowFocused(edit.get(), 160, 26);
    Press(Qt::Key_Home);
    Type(QStringLiteral("123456"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("123-456"));
    EXPECT_TRUE(edit->GetModified());
    Press(Qt::Key_Escape);
    EXPECT_EQ(edit->GetText(), QStringLiteral("555-123"));
    EXPECT_FALSE(edit->GetModified());
}
