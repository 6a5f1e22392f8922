// Cells cleared and mistyped in a shown grid over a SQLite table through the dataset link:
// a cleared cell is stored as NULL, a field that must have a value refuses it, and every
// refusal names the column.
#include "BDETestSupport.h"
#include "grid/EditTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/ui/MessageBox.h"
#include "TestSupport.h"

#include <QtCore/QTemporaryDir>

using namespace kv;
using namespace kvtest;

namespace {

struct TNotesGrid
{
    QTemporaryDir Dir;
    TOwned<TSQLiteDatabase> Db{MakeOwned<TSQLiteDatabase>(nullptr)};
    TOwned<TSQLiteDataSet> Set{MakeOwned<TSQLiteDataSet>(nullptr)};
    TOwned<TDataSource> Source{MakeOwned<TDataSource>(nullptr)};
    TOwned<TKvBDEDataProvider> Provider{MakeOwned<TKvBDEDataProvider>(nullptr)};
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    std::map<QString, TKvGridDataColumn*> Columns;
    QStringList Shown;
    TExceptionHook OldHook;

    TNotesGrid()
    {
        OldHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        Db->Open(Dir.filePath(QStringLiteral("notes.db")));
        Db->ExecSQL(QStringLiteral("CREATE TABLE notes(id INTEGER PRIMARY KEY, note TEXT UNIQUE, qty INTEGER,"
                                   " code TEXT NOT NULL);"
                                   "INSERT INTO notes(note, qty, code) VALUES ('first', 5, 'x'), ('second', 6, ''),"
                                   " ('third', 7, 'z');"));
        Set->SetDatabase(Db.get());
        Set->SetTableName(QStringLiteral("notes"));
        Source->SetDataSet(Set.get());
        Provider->SetDataSource(Source.get());
        Set->Open();
        Default->SetDataSource(Provider.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        for (const char* name : {"note", "qty", "code"}) {
            TKvGridDataColumn* column = Grid->AddDataColumn();
            column->SetFieldName(QString::fromLatin1(name));
            Columns[QString::fromLatin1(name)] = column;
        }
        ShowFocused(Grid.get(), 400, 300);
        QWidget* window = Grid->Widget()->window();
        EXPECT_TRUE(QTest::qWaitFor([window] { return window->isActiveWindow(); }, 5000));
    }
    ~TNotesGrid()
    {
        SetExceptionHook(OldHook);
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    QWindow* Window() const { return Grid->Widget()->window()->windowHandle(); }
    void Key(Qt::Key key)
    {
        QTest::keyClick(Window(), key);
        QCoreApplication::processEvents();
    }
    // Focuses the cell, clears it with Backspace (or types Text) and leaves the row downwards;
    // answers what the user was shown.
    QStringList Enter(int row, const char* column, const QString& text = QString())
    {
        Grid->SetFocusedIndex(TKvGridCellIndex(Grid.get(), row, Columns.at(QString::fromLatin1(column))));
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(Grid->Widget()->window());
        Shown.clear();
        if (text.isEmpty())
            Key(Qt::Key_Backspace);
        for (const QChar c : text)
            QTest::keyClick(Window(), c.toLatin1());
        Key(Qt::Key_Down);
        return Shown;
    }
    // A column as stored, read by a plain query: NULL reads "<null>".
    QStringList Stored(const QString& column)
    {
        TOwned<TSQLiteDataSet> check(MakeOwned<TSQLiteDataSet>(nullptr));
        check->SetDatabase(Db.get());
        check->SetTableName(QStringLiteral("notes"));
        check->Open();
        QStringList out;
        for (check->First(); !check->Eof(); check->Next()) {
            const Variant v = check->FieldByName(column)->GetValue();
            out << (v.IsClear() ? QStringLiteral("<null>") : v.ToString());
        }
        return out;
    }
};

} // namespace

TEST(BDEProviderInGrid, ClearedCellsAreNullAndRefusalsNameTheColumn)
{
    TNotesGrid t;
    // Two notes cleared: both NULL, so the UNIQUE column takes the second.
    EXPECT_EQ(t.Enter(0, "note"), QStringList());
    EXPECT_EQ(t.Enter(1, "note"), QStringList());
    EXPECT_EQ(t.Stored("note"), (QStringList{"<null>", "<null>", "third"}));
    // The empty code of row 1 was written back as it was, not as NULL.
    EXPECT_EQ(t.Stored("code"), (QStringList{"x", "", "z"}));

    // A nullable integer cleared.
    EXPECT_EQ(t.Enter(0, "qty"), QStringList());
    EXPECT_EQ(t.Stored("qty"), (QStringList{"<null>", "6", "7"}));

    // A NOT NULL field refuses the cleared cell, naming the column; nothing is stored.
    const QStringList refused = t.Enter(2, "code");
    ASSERT_EQ(refused.size(), 1) << refused.join('|').toStdString();
    EXPECT_EQ(refused.front(), QStringLiteral("Field 'code' must have a value"));
    t.Key(Qt::Key_Escape);
    t.Key(Qt::Key_Escape);
    EXPECT_EQ(t.Stored("code"), (QStringList{"x", "", "z"}));

    // A text that is no integer is refused naming the column.
    const QStringList mistyped = t.Enter(1, "qty", QStringLiteral("abc"));
    ASSERT_EQ(mistyped.size(), 1) << mistyped.join('|').toStdString();
    EXPECT_EQ(mistyped.front(), QStringLiteral("'abc' is not a valid integer value: qty"));
    t.Key(Qt::Key_Escape);
    t.Key(Qt::Key_Escape);
    EXPECT_EQ(t.Stored("qty"), (QStringList{"<null>", "6", "7"}));
}
