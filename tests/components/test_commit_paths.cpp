// The dataset link behind a shown grid: a commit that a program (or a toolbar button, which
// takes no focus) asks for while the user's text is still in the open editor posts that text.
#include "components/BDETestSupport.h"
#include "grid/EditTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/ui/MessageBox.h"
#include "TestSupport.h"

#include <QtGui/QWindow>

using namespace kv;
using namespace kvtest;

TEST(BDECommitPaths, ACommitFromCodePostsTheOpenEditorsText)
{
    TPeople p;
    p.Set->Open();
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(p.Provider.get());
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(items.get());
    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* name = grid->AddDataColumn();
    name->SetFieldName(QStringLiteral("name"));
    TKvGridDataColumn* age = grid->AddDataColumn();
    age->SetFieldName(QStringLiteral("age"));
    grid->SetItemSource(editable.get());
    ShowFocused(grid.get(), 400, 240);
    QWindow* win = grid->Widget()->window()->windowHandle();
    auto typeKeys = [&](const QString& text) {
        for (const QChar c : text)
            QTest::keyClick(win, c.toLatin1());
        QCoreApplication::processEvents();
    };
    auto clickCell = [&](int item, TKvGridColumn* column) {
        const TRect r = grid->GetCellBounds(TKvGridCellIndex(grid.get(), item, column));
        QTest::mouseClick(win, Qt::LeftButton, {}, WindowPoint(grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        QCoreApplication::processEvents();
    };

    // An existing record: its new name is still in the editor when the program commits.
    clickCell(1, name);
    typeKeys(QStringLiteral("Bea"));
    ASSERT_TRUE(grid->GetEditing());
    editable->Commit();
    EXPECT_EQ(p.Stored(QStringLiteral("name")), (QStringList{"Ann", "Bea", "Cid", "Dan"}));
    EXPECT_EQ(p.Set->GetState(), dsBrowse);

    // A new record: the name typed and moved on from, the age still open in its editor.
    clickCell(3, name);
    QTest::keyClick(win, Qt::Key_Down);
    ASSERT_EQ(grid->GetItemCount(), 5);
    typeKeys(QStringLiteral("Eve"));
    QTest::keyClick(win, Qt::Key_Tab);
    typeKeys(QStringLiteral("27"));
    ASSERT_TRUE(grid->GetEditing());
    editable->Commit();
    EXPECT_EQ(p.Stored(QStringLiteral("name")), (QStringList{"Ann", "Bea", "Cid", "Dan", "Eve"}));
    EXPECT_EQ(p.Stored(QStringLiteral("age")).value(4), QStringLiteral("27"));
    EXPECT_FALSE(editable->IsEditing(-1));

    // A value the column refuses posts nothing.
    age->GetValidations()->Add(QStringLiteral("adult"), QStringLiteral("value >= 18"), QStringLiteral("age must be 18 or more"));
    clickCell(0, age);
    typeKeys(QStringLiteral("9"));
    KV_EXPECT_THROW_MSG(editable->Commit(), Exception, "age must be 18 or more");
    EXPECT_EQ(p.Stored(QStringLiteral("age")).value(0), QStringLiteral("30"));
    EXPECT_EQ(p.Set->GetState(), dsBrowse);
    grid->CancelEditor(false);
    editable->Cancel();
    grid.reset();
    editable.reset();
    items.reset();
}
