// The hint manager on a real offscreen grid: a tool-tip window at the client point,
// word-wrapped at the maximum width, kept for the same owner object, gone after Hide.
#include "grid/KvGrids.h"
#include "TestSupport.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QWidget>

using namespace kv;

TEST(GridHints, ShownAtTheClientPointWrappedAtTheWidth)
{
    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    grid->SetBounds(40, 30, 400, 300);
    grid->Widget()->show();
    TKvGridHintManager* hints = grid->GetHintManager();
    ASSERT_NE(hints, nullptr);
    TObject owner1;
    TObject owner2;

    const QString text = QStringLiteral("The value must be a whole number between one and one hundred, "
                                        "and it must not repeat a value of another row in this column.");
    hints->Show(15, 25, text, &owner1);
    THintWindow* window = hints->GetHintWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->IsShowing());
    auto* label = qobject_cast<QLabel*>(window->Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->windowFlags() & Qt::ToolTip);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(hints->GetData(), &owner1);

    const TRect bounds = window->GetBoundsRect();
    const TPoint origin = grid->ClientToScreen(TPoint{15, 25});
    EXPECT_EQ(bounds.Left, origin.X);
    EXPECT_EQ(bounds.Top, origin.Y);
    const QFontMetrics metrics(label->font());
    ASSERT_GT(metrics.horizontalAdvance(text), TKvGridHintManager::HINT_MAX_WIDTH);
    EXPECT_LE(bounds.Width(), TKvGridHintManager::HINT_MAX_WIDTH);
    EXPECT_GE(bounds.Height(), 2 * metrics.height());
    // The label lays the text out in the height it was given.
    EXPECT_LE(label->heightForWidth(bounds.Width()), bounds.Height());

    // The same owner keeps its hint; another owner replaces it.
    hints->Show(0, 0, QStringLiteral("other"), &owner1);
    EXPECT_EQ(window->GetCaption(), text);
    EXPECT_EQ(window->GetBoundsRect(), bounds);
    hints->Show(0, 0, QStringLiteral("short"), &owner2);
    ASSERT_NE(hints->GetHintWindow(), nullptr);
    EXPECT_EQ(hints->GetHintWindow()->GetCaption(), QStringLiteral("short"));
    const TRect small = hints->GetHintWindow()->GetBoundsRect();
    EXPECT_LT(small.Width(), bounds.Width());
    EXPECT_LT(small.Height(), bounds.Height());

    hints->Hide();
    EXPECT_EQ(hints->GetHintWindow(), nullptr);
    EXPECT_EQ(hints->GetData(), nullptr);
    // Freeing the grid with a hint showing takes the window with it.
    hints->Show(1, 1, text, &owner1);
}
