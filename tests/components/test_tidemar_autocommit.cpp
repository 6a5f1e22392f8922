// The remote provider behind a grid in a shown window, with AutoCommit on and a server
// that fails in every way a server can.
#include "components/KvGrids.Data.Tidemar.h"
#include "LoopbackServer.h"
#include "grid/EditTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/net/HttpRequest.h"
#include "platform/ui/MessageBox.h"
#include "TestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

QByteArray People(int count)
{
    QByteArray xml = "<Tidemar.Response><results><result><columns><c name=\"ID\"/><c name=\"Name\"/></columns><values>";
    for (int i = 0; i < count; ++i)
        xml += "<r><f>" + QByteArray::number(i + 1) + "</f><f>P" + QByteArray::number(i) + "</f></r>";
    return xml + "</values></result></results></Tidemar.Response>";
}

struct TRemoteGrid
{
    TLoopbackServer Server;
    TOwned<TKvTidemarDataProvider> P{MakeOwned<TKvTidemarDataProvider>(nullptr)};
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TKvGridDataColumn* Name = nullptr;
    // What the user was shown of the exceptions that reached the event dispatch.
    QStringList Shown;
    TExceptionHook OldHook;

    explicit TRemoteGrid(int rows)
    {
        OldHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        P->SetHost(QStringLiteral("127.0.0.1"));
        P->SetPort(Server.Port());
        P->SetTimeout(5);
        P->GetEditOptions()->SetUpadtable(true);
        P->GetEditOptions()->SetAppendable(true);
        P->SetUpdateService(QStringLiteral("Upd"));
        P->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("Name")});
        P->SetCreateService(QStringLiteral("Ins"));
        P->SetCreateParams({QStringLiteral("Name")});
        Server.Reply(People(rows));
        P->Request(QStringLiteral("People"), {}, {});
        P->SetAutoCommit(true);
        Default->SetDataSource(P.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        Grid->AddDataColumn()->SetFieldName(QStringLiteral("ID"));
        Name = Grid->AddDataColumn();
        Name->SetFieldName(QStringLiteral("Name"));
        ShowFocused(Grid.get(), 400, 300);
    }
    ~TRemoteGrid()
    {
        SetExceptionHook(OldHook);
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    QWindow* Window() const { return Grid->Widget()->window()->windowHandle(); }
    void TypeText(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Window(), c.toLatin1());
        DeliverPosted();
    }
    void Key(Qt::Key key)
    {
        QTest::keyClick(Window(), key);
        DeliverPosted();
    }
    // Types into the row's Name cell and leaves the row with the key; answers the messages
    // the user was shown meanwhile.
    QStringList EditAndLeave(int row, const QString& text, Qt::Key leave = Qt::Key_Down)
    {
        Grid->SetFocusedIndex(TKvGridCellIndex(Grid.get(), row, Name));
        DeliverPosted();
        QApplication::setActiveWindow(Grid->Widget()->window());
        Shown.clear();
        TypeText(text);
        Key(leave);
        return Shown;
    }
};

} // namespace

TEST(TidemarAutoCommit, AFailingServerKeepsTheTypedValuesAndIsAskedOnce)
{
    TRemoteGrid t(5);
    struct Case
    {
        const char* What;
        THttpReply Reply;
        // What the user is told: all of it when Whole, else parts of it.
        QStringList Message;
        bool Whole = false;
    };
    const QString request = QStringLiteral("HTTP request to http://127.0.0.1:%1/Services.aspx?mode=Request failed: ").arg(t.Server.Port());
    const QString unknown = QStringLiteral("\r\nThe outcome of the commit is unknown: the server may have applied the changes. "
                                           "Refresh the data before committing them again.");
    const Case cases[] = {
        {"500", THttpReply{500, "<Tidemar.Response><results/></Tidemar.Response>"}, {"HTTP status 500"}},
        {"garbage", THttpReply{200, "\x01garbage<<"}, {"Invalid xml document"}},
        {"time-out", THttpReply{200, "<Tidemar.Response><results/></Tidemar.Response>", "text/xml", 2500},
         {request + QStringLiteral("no response within 1000 ms"), QStringLiteral("The outcome of the commit is unknown")}},
        {"dropped", THttpReply{200, {}, "text/xml", 0, true}, {request + QStringLiteral("Empty reply from server") + unknown}, true},
    };
    t.P->SetTimeout(1);
    TKvIntegerArray dirty;
    for (int row = 0; row < 4; ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.What);
        const int sent = t.Server.Count();
        t.Server.Reply(c.Reply);
        const QString typed = QStringLiteral("Typed%1").arg(row);
        const QStringList shown = t.EditAndLeave(row, typed);
        // One request and one report.
        EXPECT_EQ(t.Server.Count(), sent + 1);
        ASSERT_EQ(shown.size(), 1) << shown.join(QLatin1Char('|')).toStdString();
        if (c.Whole)
            EXPECT_EQ(shown.front(), c.Message.front());
        else
            for (const QString& part : c.Message)
                EXPECT_TRUE(shown.front().contains(part)) << shown.front().toStdString();
        // What the user typed stays as a pending change, and the grid shows it.
        dirty.push_back(row);
        EXPECT_EQ(t.P->GetDirtyRows(), dirty);
        EXPECT_EQ(t.P->GetData(row, 1), Variant(typed));
        EXPECT_EQ(t.Grid->GetItem(row)->GetData(1), Variant(typed));
        EXPECT_FALSE(t.Editable->IsEditing(-1));
        EXPECT_EQ(t.Grid->GetItemCount(), 5);
        if (c.Reply.DelayMs > 0)
            WaitUntil([&] { return t.Server.Finished() == t.Server.Count(); }, "the server sent its late answer");
    }
    // Moving on sends nothing: the changes are the provider's now.
    const int sent = t.Server.Count();
    t.Key(Qt::Key_Up);
    EXPECT_EQ(t.Server.Count(), sent);

    // A server that answers again takes every pending change in one request.
    t.P->SetTimeout(5);
    t.Server.Reply(THttpReply{200, "<Tidemar.Response><results/></Tidemar.Response>"});
    const QStringList shown = t.EditAndLeave(4, QStringLiteral("Typed4"), Qt::Key_Up);
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(t.Server.Count(), sent + 1);
    EXPECT_EQ(t.Server.Last().Body.count("<method "), 5);
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(t.P->GetData(row, 1), Variant(QStringLiteral("Typed%1").arg(row)));
}

TEST(TidemarAutoCommit, AnAppendedRowThatCannotBeSentIsKeptOnce)
{
    // An appended row whose insert cannot be sent is kept as one created row, not twice.
    TRemoteGrid t(2);
    t.Grid->SetFocusedIndex(TKvGridCellIndex(t.Grid.get(), 1, t.Name));
    DeliverPosted();
    t.Key(Qt::Key_Down); // past the last row: a new row
    ASSERT_EQ(t.Grid->GetItemCount(), 3);
    t.Server.Reply(THttpReply{500, "x"});
    t.Shown.clear();
    t.TypeText(QStringLiteral("New"));
    t.Key(Qt::Key_Up);
    EXPECT_EQ(t.Shown.size(), 1) << t.Shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(t.Server.Count(), 2);
    EXPECT_EQ(t.P->GetRowCount(), 3);
    EXPECT_EQ(t.Grid->GetItemCount(), 3);
    EXPECT_EQ(t.P->GetRowState(2), RowStateCreated);
    EXPECT_EQ(t.P->GetData(2, 1), Variant(QStringLiteral("New")));
    // The next answer gives the new row its key.
    t.Server.Reply(THttpReply{200, "<Tidemar.Response><results><m name=\"Ins:2\"><value>77</value></m></results></Tidemar.Response>"});
    t.P->Commit();
    EXPECT_EQ(t.P->GetData(2, 0), Variant(QStringLiteral("77")));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.Server.Count(), 3);
}

TEST(TidemarAutoCommit, TheOnlyRowLeftDownwardsKeepsWhatWasTyped)
{
    // Down on the last row commits the row: the open cell's text goes with it, once.
    TRemoteGrid t(1);
    t.Server.Reply(THttpReply{500, "<Tidemar.Response><results/></Tidemar.Response>"});
    const int sent = t.Server.Count();
    const QStringList shown = t.EditAndLeave(0, QStringLiteral("Kept"), Qt::Key_Down);
    EXPECT_EQ(t.Server.Count(), sent + 1);
    ASSERT_EQ(shown.size(), 1) << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(shown.front().contains(QLatin1String("HTTP status 500"))) << shown.front().toStdString();
    EXPECT_EQ(t.P->GetData(0, 1), Variant(QStringLiteral("Kept")));
    EXPECT_EQ(t.P->GetDirtyRows(), TKvIntegerArray{0});
    EXPECT_EQ(t.Server.Last().Body.count("Kept"), 1);

    // The server answers again: the pending change goes out, nothing else is lost.
    t.Server.Reply(THttpReply{200, "<Tidemar.Response><results/></Tidemar.Response>"});
    t.P->Commit();
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.P->GetData(0, 1), Variant(QStringLiteral("Kept")));
}

// A commit asked for by code or by a button that keeps no focus, while the user's text is still
// in the open editor, sends that text; text the column refuses stops the commit, with its
// message, before anything is sent.
TEST(TidemarAutoCommit, ACommitFromCodeTakesTheOpenEditorsText)
{
    TRemoteGrid t(2);
    // A new row whose Name is still being typed, written by the program (AutoCommit sends it).
    t.Grid->SetFocusedIndex(TKvGridCellIndex(t.Grid.get(), 1, t.Name));
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(t.Grid->Widget()->window());
    t.Key(Qt::Key_Down);
    ASSERT_EQ(t.Grid->GetItemCount(), 3);
    t.TypeText(QStringLiteral("Zed"));
    ASSERT_TRUE(t.Grid->GetEditing());
    const int sent = t.Server.Count();
    t.Server.Reply(THttpReply{200, "<Tidemar.Response><results><m name=\"Ins:2\"><value>77</value></m></results></Tidemar.Response>"});
    EXPECT_NO_THROW(t.Editable->Commit());
    EXPECT_EQ(t.Server.Count(), sent + 1);
    EXPECT_EQ(t.Server.Last().Body.count("Zed"), 1) << t.Server.Last().Body.toStdString();
    EXPECT_EQ(t.P->GetRowCount(), 3);
    EXPECT_EQ(t.P->GetData(2, 1), Variant(QStringLiteral("Zed")));
    EXPECT_FALSE(t.Editable->IsEditing(-1));

    // Without AutoCommit: the provider's own commit first writes the row being edited.
    t.P->SetAutoCommit(false);
    t.Grid->SetFocusedIndex(TKvGridCellIndex(t.Grid.get(), 0, t.Name));
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(t.Grid->Widget()->window());
    t.TypeText(QStringLiteral("Amy"));
    ASSERT_TRUE(t.Grid->GetEditing());
    t.Server.Reply(THttpReply{200, "<Tidemar.Response><results/></Tidemar.Response>"});
    t.P->Commit();
    EXPECT_EQ(t.Server.Count(), sent + 2);
    EXPECT_EQ(t.Server.Last().Body.count("Amy"), 1) << t.Server.Last().Body.toStdString();
    EXPECT_EQ(t.P->GetData(0, 1), Variant(QStringLiteral("Amy")));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);

    // Text the column refuses: nothing is sent, the user's text and row stay as they were.
    t.Name->GetValidations()->Add(QStringLiteral("named"), QStringLiteral("value <> 'bad'"), QStringLiteral("Name must not be bad"));
    t.Grid->SetFocusedIndex(TKvGridCellIndex(t.Grid.get(), 1, t.Name));
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(t.Grid->Widget()->window());
    t.TypeText(QStringLiteral("bad"));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "Name must not be bad");
    EXPECT_EQ(t.Server.Count(), sent + 2);
    EXPECT_EQ(t.P->GetData(1, 1), Variant(QStringLiteral("P1")));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_TRUE(t.Grid->GetEditing());
    EXPECT_EQ(t.Grid->GetCellData(TKvGridCellIndex(t.Grid.get(), 1, t.Name)), Variant(QStringLiteral("bad")));
}
