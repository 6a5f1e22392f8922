// String-list properties: the remote provider's parameter lists are published, shown and
// edited in the object inspector as lines of text, and written and read by form files.
#include "components/KvGrids.Data.Tidemar.h"
#include "DialogAnswers.h"
#include "TestSupport.h"

#include "platform/design/DesignHost.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtTest/QTest>
#include <QtWidgets/QPlainTextEdit>

using namespace kv;
using namespace kvtest;

TEST(StringListProperty, ParameterListsArePublishedEditedAsLinesAndStreamed)
{
    RegisterClasses<TDesignForm, TKvTidemarDataProvider>();
    TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
    form->SetName(QStringLiteral("Form1"));
    auto* remote = Create<TKvTidemarDataProvider>(form.get());
    remote->SetName(QStringLiteral("Remote1"));

    // Published as string lists, in the order of their services.
    QStringList names;
    for (const TPropInfo* p : GetClassInfo(remote)->Properties())
        if (p->Kind == pkStringList)
            names << p->Name;
    EXPECT_EQ(names, (QStringList{"CreateParams", "UpdateParams", "DeleteParams"}));
    SetPropValue(remote, QStringLiteral("DeleteParams"), Variant(QStringLiteral("ID\r\nKEY = Key\n")));
    EXPECT_EQ(remote->GetDeleteParams(), (QStringList{"ID", "KEY = Key"}));

    TDesignHost host(form.get());
    host.SelectComponent(remote);
    IntfPtr<IProperty> create = host.FindProperty(QStringLiteral("CreateParams"));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create->GetEditorClassName(), QStringLiteral("TStringListProperty"));
    EXPECT_TRUE(create->GetAttributes().Contains(paDialog));
    create->SetValue(QStringLiteral("NAME = Name\nID="));
    EXPECT_EQ(remote->GetCreateParams(), (QStringList{"NAME = Name", "ID="}));
    EXPECT_EQ(create->GetValue(), QStringLiteral("NAME = Name\nID="));
    const int modified = host.GetModifiedCount();
    EXPECT_GT(modified, 0);

    // The editor shows the lines; OK writes what the user typed, Cancel nothing.
    IntfPtr<IProperty> update = host.FindProperty(QStringLiteral("UpdateParams"));
    ASSERT_NE(update, nullptr);
    remote->SetUpdateParams({QStringLiteral("ID")});
    {
        TDialogAnswers answers;
        answers.Expect(QStringLiteral("String List Editor"), [](TDesignWindow* window) {
            auto* memo = window->Window()->findChild<QPlainTextEdit*>(QStringLiteral("Lines"));
            ASSERT_NE(memo, nullptr);
            EXPECT_EQ(memo->toPlainText(), QStringLiteral("ID"));
            memo->setFocus();
            memo->moveCursor(QTextCursor::End);
            QTest::keyClick(memo, Qt::Key_Return);
            QTest::keyClicks(memo, QStringLiteral("NAME=Name"));
            window->SetModalResult(mrOk);
        });
        update->Edit();
    }
    EXPECT_EQ(remote->GetUpdateParams(), (QStringList{"ID", "NAME=Name"}));
    EXPECT_GT(host.GetModifiedCount(), modified);
    {
        TDialogAnswers answers;
        answers.Expect(QStringLiteral("String List Editor"), [](TDesignWindow* window) {
            auto* memo = window->Window()->findChild<QPlainTextEdit*>(QStringLiteral("Lines"));
            ASSERT_NE(memo, nullptr);
            memo->setPlainText(QStringLiteral("other"));
            window->SetModalResult(mrCancel);
        });
        update->Edit();
    }
    EXPECT_EQ(remote->GetUpdateParams(), (QStringList{"ID", "NAME=Name"}));

    // Form files hold them as lists of strings, and read them back.
    const QString text = WriteComponentText(form.get());
    EXPECT_TRUE(text.contains(QStringLiteral("CreateParams = ('NAME = Name' 'ID=')"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("UpdateParams = ('ID' 'NAME=Name')"))) << text.toStdString();
    TOwned<TDesignForm> copy{Create<TDesignForm>(nullptr)};
    ReadComponentText(text, copy.get());
    auto* remote2 = dynamic_cast<TKvTidemarDataProvider*>(copy->FindComponent(QStringLiteral("Remote1")));
    ASSERT_NE(remote2, nullptr);
    EXPECT_EQ(remote2->GetCreateParams(), remote->GetCreateParams());
    EXPECT_EQ(remote2->GetUpdateParams(), remote->GetUpdateParams());
    EXPECT_EQ(remote2->GetDeleteParams(), remote->GetDeleteParams());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
}
