#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Data.Files.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TextEncoding.h"

#include <csignal>
#include <random>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes allocated.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace kv;
using namespace kvtest;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A provider over a file; AutoSave off unless asked.
TOwned<TKvCsvDataProvider> Open(const QString& path, bool autoSave = false,
                                const std::function<void(TKvCsvDataProvider*)>& setUp = {})
{
    TOwned<TKvCsvDataProvider> p = MakeOwned<TKvCsvDataProvider>(nullptr);
    p->SetAutoSave(autoSave);
    if (setUp)
        setUp(p.get());
    p->SetFileName(path);
    return p;
}

QStringList Column(const TKvGridDataProvider& p, int field)
{
    QStringList out;
    for (int r = 0; r < p.GetRowCount(); ++r)
        out << p.GetData(r, field).ToString();
    return out;
}

// Drops the capabilities that let root write where permissions forbid it, for the calling
// thread, while it lives.
class TWithoutFileOverride
{
public:
    TWithoutFileOverride()
    {
        FHeader.version = _LINUX_CAPABILITY_VERSION_3;
        syscall(SYS_capget, &FHeader, FOld);
        std::memcpy(FNew, FOld, sizeof FOld);
        FNew[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        syscall(SYS_capset, &FHeader, FNew);
    }
    ~TWithoutFileOverride() { syscall(SYS_capset, &FHeader, FOld); }

private:
    __user_cap_header_struct FHeader{};
    __user_cap_data_struct FOld[2]{};
    __user_cap_data_struct FNew[2]{};
};

// The bytes the program holds allocated now.
size_t AllocatedBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

const QByteArray kSample = "id,name,price\r\nN,T,N\r\n1,a,1.5\r\n2,b,0.3\r\n3,c,10\r\n4,d,-2\r\n5,e,7\r\n";

} // namespace

TEST(CsvProvider, LoadOptions)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "s.csv", kSample);
    auto p = Open(path, false, [](TKvCsvDataProvider* c) { c->SetTypeLine(1); });
    EXPECT_EQ(p->GetFieldNames(), QStringList({"id", "name", "price"}));
    EXPECT_EQ(p->GetValueType(0), ValueTypeNumeric);
    EXPECT_EQ(p->GetValueType(1), ValueTypeText);
    EXPECT_EQ(Column(*p, 1), QStringList({"a", "b", "c", "d", "e"}));
    EXPECT_EQ(p->GetFieldIndex(QStringLiteral("NAME")), 1);

    p->SetMaxLoadRows(2); // reloads
    EXPECT_EQ(Column(*p, 0), QStringList({"1", "2"}));
    EXPECT_EQ(p->GetLoadedRows(), 2);
    p->SetTypeLine(0); // no types, data still after line 0
    EXPECT_EQ(p->GetValueType(2), ValueTypeText);
    EXPECT_EQ(Column(*p, 0), QStringList({"N", "1"}));
    p->SetHeadLine(-1);
    p->SetTypeLine(-1);
    p->SetMaxLoadRows(0);
    EXPECT_EQ(p->GetFieldNames(), QStringList({"Field1", "Field2", "Field3"}));
    EXPECT_EQ(p->GetRowCount(), 7);

    // Short and long rows, a header-only file, an empty file.
    p->SetHeadLine(0);
    const QString ragged = WriteTestFile(dir, "r.csv", "a,b,c\n1\n1,2,3,4\n");
    p->Load(ragged);
    EXPECT_EQ(p->GetData(0, 2), Variant(QString()));
    EXPECT_EQ(p->GetData(1, 2), Variant(QStringLiteral("3")));
    EXPECT_THROW(p->GetData(0, 3), EArgumentOutOfRangeException);
    p->Load(WriteTestFile(dir, "h.csv", "x,y\r\n"));
    EXPECT_EQ(p->GetFieldCount(), 2);
    EXPECT_EQ(p->GetRowCount(), 0);
    p->Load(WriteTestFile(dir, "e.csv", ""));
    EXPECT_EQ(p->GetFieldCount(), 0);
    EXPECT_EQ(p->GetRowCount(), 0);

    KV_EXPECT_THROW_MSG(p->Load(dir.filePath("none.csv")), Exception, "File is not exists: " + dir.filePath("none.csv"));

    // At design time at most 10 rows; a missing file is no error.
    QByteArray many = "n\r\n";
    for (int i = 0; i < 15; ++i)
        many += QByteArray::number(i) + "\r\n";
    auto d = MakeOwned<TKvCsvDataProvider>(nullptr);
    d->SetDesigning(true);
    d->SetFileName(WriteTestFile(dir, "m.csv", many));
    EXPECT_EQ(d->GetRowCount(), 10);
    d->SetFileName(dir.filePath("none.csv"));
    EXPECT_EQ(d->GetRowCount(), 10);

    auto ini = MakeOwned<TKvIniDataProvider>(nullptr);
    EXPECT_EQ(ini->GetFieldCount(), 0);
    EXPECT_EQ(ini->GetFieldIndex(QStringLiteral("x")), -1);
}

TEST(CsvProvider, KoreanTextInEveryEncoding)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("이름,도시\r\n김철수,서울\r\nLee,부산 해운대\r\n");
    struct Case
    {
        TKvFileEncoding Encoding;
        const char* CodePage;
    };
    for (const Case& c : {Case{EncodingUTF8, ""}, Case{EncodingUnicode, ""}, Case{EncodingBigEndianUnicode, ""},
                          Case{EncodingUTF7, ""}, Case{EncodingANSI, "CP949"}, Case{EncodingDefault, "EUC-KR"}}) {
        TEncoding::SetSystemCodePage(QString::fromLatin1(c.CodePage));
        const QString name = FileEncodingName(c.Encoding);
        SCOPED_TRACE(name.toStdString());
        // A byte-order mark of the encoding is skipped on reading.
        const QByteArray bytes = TEncoding::Preamble(name) + TEncoding::FromUtf8(text.toUtf8(), name);
        const QString path = WriteTestFile(dir, name + ".csv", bytes);
        auto p = Open(path, false, [&](TKvCsvDataProvider* x) { x->SetEncoding(c.Encoding); });
        EXPECT_EQ(p->GetFieldNames(), QStringList({"이름", "도시"}));
        EXPECT_EQ(Column(*p, 1), QStringList({"서울", "부산 해운대"}));
        p->SetData(0, 0, QStringLiteral("박영희"));
        p->Save();
        EXPECT_EQ(TEncoding::ToUtf8(ReadAll(path), name),
                  QStringLiteral("이름,도시\r\n박영희,서울\r\nLee,부산 해운대\r\n").toUtf8());
    }
    TEncoding::SetSystemCodePage(QString());

    // ASCII cannot hold Korean: reading raises, and a save raises and keeps the file.
    const QString ascii = WriteTestFile(dir, "a.csv", "n,m\r\n1,2\r\n");
    auto p = Open(ascii, false, [](TKvCsvDataProvider* x) { x->SetEncoding(EncodingASCII); });
    p->SetData(0, 1, QStringLiteral("서울"));
    KV_EXPECT_THROW_MSG(p->Save(), EEncodingError, "Character U+C11C cannot be written in encoding ASCII");
    EXPECT_EQ(ReadAll(ascii), QByteArray("n,m\r\n1,2\r\n"));
    const QString utf8 = WriteTestFile(dir, "k.csv", text.toUtf8());
    EXPECT_THROW(p->Load(utf8), EEncodingError);
    EXPECT_EQ(p->GetData(0, 1), Variant(QStringLiteral("서울"))); // data loaded before stays
    p->SetEncoding(EncodingUTF8);
    // The error names the byte and the file.
    const QString bad = WriteTestFile(dir, "bad.csv", "a\r\n\xC0\x80\r\n");
    KV_EXPECT_THROW_MSG(p->Load(bad), EEncodingError, "Invalid byte sequence for encoding UTF-8 at byte 3 in " + bad);
    const QString badAscii = WriteTestFile(dir, "bad-ascii.csv", "a\r\nb\xE9\r\n");
    p->SetEncoding(EncodingASCII);
    KV_EXPECT_THROW_MSG(p->Load(badAscii), EEncodingError, "Invalid byte sequence for encoding ASCII at byte 4 in " + badAscii);
}

TEST(CsvProvider, MergedSaveKeepsHeaderAndTail)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "s.csv", kSample);
    auto p = Open(path, false, [](TKvCsvDataProvider* c) {
        c->SetTypeLine(1);
        c->SetMaxLoadRows(3);
    });
    p->Save(); // unchanged: byte-identical
    EXPECT_EQ(ReadAll(path), kSample);

    p->RemoveRow(1);
    p->InsertRow(0, {0, QStringLiteral("z")});
    p->SetData(2, 1, QStringLiteral("C"));
    p->Save();
    const QByteArray merged = "id,name,price\r\nN,T,N\r\n0,z,\r\n1,a,1.5\r\n3,C,10\r\n4,d,-2\r\n5,e,7\r\n";
    EXPECT_EQ(ReadAll(path), merged);
    p->Save(); // a second save neither repeats inserted rows nor restores removed ones
    EXPECT_EQ(ReadAll(path), merged);
    p->RemoveRows({0, 0, 9});
    p->Save();
    EXPECT_EQ(ReadAll(path), "id,name,price\r\nN,T,N\r\n1,a,1.5\r\n3,C,10\r\n4,d,-2\r\n5,e,7\r\n");

    // Rows inserted into a file shorter than its header lines stay below them.
    const QString shortFile = WriteTestFile(dir, "h.csv", "a,b\r\n");
    auto q = Open(shortFile, false, [](TKvCsvDataProvider* c) { c->SetTypeLine(1); });
    q->InsertRow(0, {1, 2});
    q->Save();
    EXPECT_EQ(ReadAll(shortFile), "a,b\r\n\r\n1,2\r\n");
    q->Load();
    EXPECT_EQ(Column(*q, 1), QStringList({"2"}));
}

TEST(CsvProvider, QuotingRoundTripsAndCountsRecords)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "q.csv", "h1,h2\r\nplain,x\"y\r\n");
    auto p = Open(path);
    EXPECT_EQ(p->GetData(0, 1), Variant(QStringLiteral("x\"y"))); // a quote inside an unquoted value
    const QStringList values = {QStringLiteral("a,b"), QStringLiteral("say \"hi\""), QStringLiteral("line1\r\nline2"),
                                QStringLiteral("\"lead"), QStringLiteral(" spaced ")};
    for (const QString& v : values)
        p->InsertRow(p->GetRowCount(), {v, QStringLiteral("end")});
    p->Save();
    auto q = Open(path, false, [](TKvCsvDataProvider* c) { c->SetMaxLoadRows(4); });
    EXPECT_EQ(Column(*q, 0), QStringList({"plain"}) + values.mid(0, 3));
    EXPECT_EQ(Column(*q, 1), QStringList({"x\"y", "end", "end", "end"}));
    q->SetMaxLoadRows(0);
    EXPECT_EQ(Column(*q, 0), QStringList({"plain"}) + values);
    q->Save();
    EXPECT_EQ(ReadAll(path), "h1,h2\r\nplain,x\"y\r\n\"a,b\",end\r\n\"say \"\"hi\"\"\",end\r\n\"line1\r\nline2\",end\r\n"
                             "\"\"\"lead\",end\r\n spaced ,end\r\n");

    // A value holding a lone carriage return is written quoted, and reads back as it was.
    const QString cr = WriteTestFile(dir, "cr.csv", "h1,h2\r\n");
    auto c = Open(cr);
    c->InsertRow(0, {QStringLiteral("a\rb"), QStringLiteral("end")});
    c->InsertRow(1, {QStringLiteral("x"), QStringLiteral("y\r")});
    c->Save();
    EXPECT_EQ(ReadAll(cr), "h1,h2\r\n\"a\rb\",end\r\nx,\"y\r\"\r\n");
    c->Load();
    EXPECT_EQ(c->GetRowCount(), 2);
    EXPECT_EQ(Column(*c, 0), QStringList({"a\rb", "x"}));
    EXPECT_EQ(Column(*c, 1), QStringList({"end", "y\r"}));

    // A record spanning lines counts once for the header line.
    q->SetHeadLine(1);
    EXPECT_EQ(q->GetFieldNames(), QStringList({"plain", "x\"y"}));
    EXPECT_EQ(q->GetRowCount(), 5);

    // A quote left open at the end raises and keeps the data loaded before.
    const QString open = WriteTestFile(dir, "o.csv", "a,b\r\n1,2\r\n3,\"never\r\nclosed\r\n");
    KV_EXPECT_THROW_MSG(q->Load(open), EConvertError, "Quoted value is not closed at the end of the file in record 3");
    EXPECT_EQ(q->GetRowCount(), 5);
}

TEST(CsvProvider, AutoSaveNotificationsAndComparison)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "s.csv", kSample);
    auto p = Open(path, true, [](TKvCsvDataProvider* c) { c->SetTypeLine(1); });
    TDataRecorder rec;
    p->AddListener(&rec);
    p->SetData(0, 1, QStringLiteral("A"));
    EXPECT_EQ(rec.Events, QStringList({"value 0,1"}));
    EXPECT_TRUE(ReadAll(path).contains("1,A,1.5\r\n"));
    p->UpdateRow(1, {9, QStringLiteral("B")});
    p->RemoveRows({4});
    EXPECT_EQ(ReadAll(path), "id,name,price\r\nN,T,N\r\n1,A,1.5\r\n9,B,0.3\r\n3,c,10\r\n4,d,-2\r\n");
    EXPECT_EQ(rec.Events, QStringList({"value 0,1", "updated 1", "rows removed 4"}));
    p->RemoveListener(&rec);

    // Numeric fields compare by sign, so 0.3 and 0.1 differ; text fields compare as text.
    p->SetData(0, 2, QStringLiteral("0.1"));
    EXPECT_EQ(p->CompareValue(2, 1, 0), 1);
    EXPECT_EQ(p->CompareValue(2, 0, 1), -1);
    EXPECT_EQ(p->CompareValue(2, 2, 3), 1); // 10 > -2 as numbers
    EXPECT_EQ(p->CompareValue(1, 0, 1), -1);

    // A stored AutoSave of False reads back as False.
    p->SetName(QStringLiteral("Csv1"));
    p->SetAutoLoad(false);
    p->SetAutoSave(false);
    const QString form = WriteComponentText(p.get());
    EXPECT_TRUE(form.contains(QStringLiteral("AutoSave = False")));
    auto back = MakeOwned<TKvCsvDataProvider>(nullptr);
    ReadComponentText(form, back.get());
    EXPECT_FALSE(back->GetAutoSave());
    EXPECT_EQ(back->GetTypeLine(), 1);
}

TEST(CsvProvider, FailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    QByteArray big = "n\r\n";
    for (int i = 0; i < 2000; ++i)
        big += QByteArray::number(i) + "\r\n";
    const QString path = WriteTestFile(dir, "s.csv", big);
    auto p = Open(path);
    for (int i = 0; i < 2000; ++i)
        p->SetData(i, 0, QString(40, QLatin1Char('x')));
    // Writes past the size limit fail: the temporary file is dropped, the old file stays.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 16 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(p->Save(), EInOutError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(ReadAll(path), big);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"s.csv"}));
    p->Save();
    EXPECT_EQ(ReadAll(path).size(), 3 + 2000 * 42);
}

TEST(CsvProvider, AutoLoadDesignFileReadOnlyAndStreaming)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, "s.csv", kSample);
    const QString design = WriteTestFile(dir, "d.csv", "x,y\r\n1,2\r\n");
    auto p = MakeOwned<TKvCsvDataProvider>(nullptr);
    p->SetAutoLoad(false);
    p->SetFileName(path);
    EXPECT_FALSE(p->GetLoaded());
    p->SetAutoLoad(true); // switching it on loads
    EXPECT_EQ(p->GetRowCount(), 6);
    p->SetReadOnly(true);
    EXPECT_FALSE(p->CanUpdateRow(0));
    EXPECT_FALSE(p->CanInsertRow(0));
    EXPECT_FALSE(p->CanDeleteRow(0));

    // At design time the design data file wins while it exists.
    p->SetDesigning(true);
    p->SetDesignDataFile(design);
    EXPECT_EQ(p->GetFieldNames(), QStringList({"x", "y"}));
    p->SetDesignDataFile(dir.filePath("gone.csv"));
    EXPECT_EQ(p->GetFieldNames(), QStringList({"id", "name", "price"}));
    p->SetDesigning(false);

    // A provider read from a form file loads once it is loaded.
    p->SetName(QStringLiteral("Csv1"));
    p->SetTypeLine(1);
    const QString form = WriteComponentText(p.get());
    auto back = MakeOwned<TKvCsvDataProvider>(nullptr);
    ReadComponentText(form, back.get());
    EXPECT_TRUE(back->GetLoaded());
    EXPECT_EQ(back->GetRowCount(), 5);
    EXPECT_EQ(back->GetValueType(2), ValueTypeNumeric);
    EXPECT_TRUE(back->GetReadOnly());
}

TEST(CsvProvider, FailedLoadNeverSavesOverTheFile)
{
    QTemporaryDir dir;
    const QString good = WriteTestFile(dir, "good.csv", "n,m\r\n1,2\r\n");
    const QByteArray brokenBytes = "x,y\r\n\"never closed\r\n";
    const QString broken = WriteTestFile(dir, "broken.csv", brokenBytes);
    auto p = Open(good, true);
    // The failed switch keeps the old table and the old name; the edit goes to the old file.
    EXPECT_THROW(p->SetFileName(broken), EConvertError);
    EXPECT_EQ(p->GetFileName(), good);
    EXPECT_EQ(Column(*p, 1), QStringList({"2"}));
    p->SetData(0, 1, QStringLiteral("edited"));
    p->Save();
    EXPECT_EQ(ReadAll(broken), brokenBytes);
    EXPECT_EQ(ReadAll(good), "n,m\r\n1,edited\r\n");

    // After a load of another path nothing is written over the file name.
    const QString other = WriteTestFile(dir, "other.csv", "a\r\n1\r\n");
    p->Load(other);
    p->InsertRow(0, {QStringLiteral("9")});
    EXPECT_EQ(ReadAll(good), "n,m\r\n1,edited\r\n");
    EXPECT_EQ(ReadAll(other), "a\r\n1\r\n");

    // A failed reload in another encoding keeps the encoding the data was read with.
    auto q = Open(WriteTestFile(dir, "k.csv", "n\r\n\xEC\x84\x9C\r\n"));
    EXPECT_THROW(q->SetEncoding(EncodingASCII), EEncodingError);
    EXPECT_EQ(q->GetEncoding(), EncodingUTF8);
    q->SetData(0, 0, QStringLiteral("서울"));
    q->Save();
    EXPECT_EQ(ReadAll(q->GetFileName()), QStringLiteral("n\r\n서울\r\n").toUtf8());
}

TEST(CsvProvider, ShortFileHeaderMarksAndLineBreaksRoundTrip)
{
    QTemporaryDir dir;
    // A header line past the end of the file is written as the fields it gave.
    const QString shortFile = WriteTestFile(dir, "s.csv", "a,b");
    auto p = Open(shortFile, false, [](TKvCsvDataProvider* c) { c->SetHeadLine(2); });
    EXPECT_EQ(p->GetFieldNames(), QStringList({"Field1", "Field2"}));
    p->InsertRow(0, {1, 2});
    p->Save();
    p->Load();
    EXPECT_EQ(p->GetFieldNames(), QStringList({"Field1", "Field2"}));
    EXPECT_EQ(Column(*p, 1), QStringList({"2"}));

    // U+FEFF inside the data is a character; only the file's leading mark is a mark.
    const QString bom = QString(QChar(0xFEFF)) + QStringLiteral("bom");
    const QString marks = WriteTestFile(dir, "m.csv", "\xEF\xBB\xBF\xEF\xBB\xBFh,k\r\nx,\xEF\xBB\xBFy\r\n");
    auto m = Open(marks, false, [](TKvCsvDataProvider* c) { c->SetHeadLine(-1); });
    EXPECT_EQ(Column(*m, 0), QStringList({QString(QChar(0xFEFF)) + "h", "x"}));
    EXPECT_EQ(Column(*m, 1), QStringList({"k", QString(QChar(0xFEFF)) + "y"}));
    m->InsertRow(2, {bom, bom});
    m->Save();
    const QByteArray once = ReadAll(marks);
    m->Load();
    EXPECT_EQ(Column(*m, 0), QStringList({QString(QChar(0xFEFF)) + "h", "x", bom}));
    EXPECT_EQ(Column(*m, 1), QStringList({"k", QString(QChar(0xFEFF)) + "y", bom}));
    m->Save();
    EXPECT_EQ(ReadAll(marks), once);
    EXPECT_TRUE(once.startsWith("\xEF\xBB\xBF\xEF\xBB\xBFh,k\r\n"));
    // In UTF-16 as well.
    const QString wide = WriteTestFile(dir, "w.csv", "\xFF\xFE" + TEncoding::FromUtf8((bom + ",2\r\n").toUtf8(), "UTF-16LE"));
    auto w = Open(wide, false, [](TKvCsvDataProvider* c) {
        c->SetHeadLine(-1);
        c->SetEncoding(EncodingUnicode);
    });
    EXPECT_EQ(Column(*w, 0), QStringList({bom}));
    w->Save();
    EXPECT_TRUE(ReadAll(wide).startsWith("\xFF\xFE\xFF\xFE"));
    w->Load();
    EXPECT_EQ(Column(*w, 0), QStringList({bom}));

    // A file keeps its line breaks; a last line without one stays without.
    const QByteArray lf = "h,k\n1,2\n3,4";
    const QString unix = WriteTestFile(dir, "u.csv", lf);
    auto u = Open(unix);
    u->Save();
    EXPECT_EQ(ReadAll(unix), lf);
    u->SetData(0, 1, QStringLiteral("two"));
    u->InsertRow(2, {5, 6});
    u->Save();
    EXPECT_EQ(ReadAll(unix), "h,k\n1,two\n3,4\n5,6");
    // Empty lines of one field are not lost: at the end, nor after a line ended by a lone CR.
    const QString single = WriteTestFile(dir, "one.csv", "h\r1\ra\nz");
    auto one = Open(single);
    one->SetData(1, 0, QString());
    one->InsertRow(3, {QString()});
    one->Save();
    one->Load();
    EXPECT_EQ(Column(*one, 0), QStringList({"1", "", "z", ""}));
    const QByteArray mixed = "h,k\r\n1,2\n3,4\r\n";
    const QString mixedFile = WriteTestFile(dir, "x.csv", mixed);
    auto x = Open(mixedFile);
    x->Save();
    EXPECT_EQ(ReadAll(mixedFile), mixed);
}

namespace {

// A plain reading of CSV text, character by character: records end at CR LF, LF or CR
// outside quotes; a value that begins with a quote runs to its closing quote ("" is a quote
// inside) and then, as written, to the next comma. Empty when a quote is left open; Open then
// holds the 1-based record it was left open in.
struct TPlainCsv
{
    std::vector<QStringList> Records;
    int Open = 0;
};

TPlainCsv ReadPlainCsv(const QString& t)
{
    TPlainCsv out;
    qsizetype i = 0;
    const qsizetype n = t.size();
    while (i < n) {
        QStringList record;
        QString value;
        bool valueStart = true;
        for (;;) {
            if (i >= n) {
                record << value;
                break;
            }
            const QChar c = t[i];
            if (valueStart && c == QLatin1Char('"')) {
                ++i;
                for (;;) {
                    const qsizetype q = t.indexOf(QLatin1Char('"'), i);
                    if (q < 0) {
                        out.Open = static_cast<int>(out.Records.size()) + 1;
                        out.Records.clear();
                        return out;
                    }
                    value += t.mid(i, q - i);
                    i = q + 1;
                    if (i < n && t[i] == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        ++i;
                        continue;
                    }
                    break;
                }
                valueStart = false;
                continue;
            }
            if (c == QLatin1Char(',')) {
                record << value;
                value.clear();
                valueStart = true;
                ++i;
                continue;
            }
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                record << value;
                i += c == QLatin1Char('\r') && i + 1 < n && t[i + 1] == QLatin1Char('\n') ? 2 : 1;
                break;
            }
            value += c;
            valueStart = false;
            ++i;
        }
        out.Records.push_back(record);
    }
    return out;
}

// Field names, the type of each field, then every row's values as the plain reading and the
// load options give them.
QList<QStringList> PlainTable(const TPlainCsv& csv, int head, int type, int maxRows)
{
    const int count = static_cast<int>(csv.Records.size());
    QStringList fields;
    if (head >= 0 && count > head) {
        fields = csv.Records[static_cast<size_t>(head)];
    } else if (count > 0) {
        for (qsizetype i = 1; i <= csv.Records[0].size(); ++i)
            fields << QStringLiteral("Field%1").arg(i);
    }
    QStringList types;
    for (qsizetype f = 0; f < fields.size(); ++f) {
        QString letter;
        if (type > 0 && count > type && f < csv.Records[static_cast<size_t>(type)].size())
            letter = csv.Records[static_cast<size_t>(type)][f].trimmed().toUpper();
        types << QString::number(letter == "N" ? ValueTypeNumeric : letter == "B" ? ValueTypeBool
                                                                : letter == "D" ? ValueTypeDateTime
                                                                                : ValueTypeText);
    }
    QList<QStringList> table = {fields, types};
    const int first = std::max(0, std::max(head, type) + 1);
    int rows = std::max(0, count - first);
    if (maxRows > 0)
        rows = std::min(rows, maxRows);
    for (int r = 0; r < rows; ++r) {
        const QStringList& record = csv.Records[static_cast<size_t>(first + r)];
        QStringList row;
        for (qsizetype f = 0; f < fields.size(); ++f)
            row << (f < record.size() ? record[f] : QString());
        table << row;
    }
    return table;
}

// The same as the provider shows it, every value read through GetData.
QList<QStringList> ProviderTable(const TKvCsvDataProvider& p)
{
    QList<QStringList> table = {p.GetFieldNames()};
    QStringList types;
    for (int f = 0; f < p.GetFieldCount(); ++f)
        types << QString::number(p.GetValueType(f));
    table << types;
    for (int r = 0; r < p.GetRowCount(); ++r) {
        QStringList row;
        for (int f = 0; f < p.GetFieldCount(); ++f)
            row << p.GetData(r, f).AsString();
        table << row;
    }
    return table;
}

// Random CSV text: well-formed quoted values mixed with raw pieces (stray quotes, commas,
// lone CRs), empty values, Korean, accents, a character outside the BMP and U+FEFF; records
// ended by CR LF, LF or CR, the last one with or without a line break.
QString RandomCsv(std::mt19937& rng)
{
    const QStringList pieces = {"a", "b c", " ", "N", "T", "1.5", "-3", "한글", "é", QString::fromUtf8("\xF0\x9F\x98\x80"),
                                QString(QChar(0xFEFF)), "\"", "\"\"", ",", "\r", "\n", "x\"y"};
    const QStringList breaks = {"\r\n", "\n", "\r"};
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    QString text;
    const int records = pick(8);
    for (int r = 0; r < records; ++r) {
        const int values = 1 + pick(5);
        for (int v = 0; v < values; ++v) {
            if (v > 0)
                text += QLatin1Char(',');
            QString value;
            for (int k = pick(4); k > 0; --k)
                value += pieces[pick(static_cast<int>(pieces.size()))];
            if (pick(3) == 0) {
                text += QLatin1Char('"') + QString(value).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
                if (pick(6) == 0)
                    text += QStringLiteral("tail");
            } else if (pick(4) == 0) {
                text += value; // raw: its quotes, commas and line breaks as they fall
            } else {
                value.remove(QLatin1Char('"')).remove(QLatin1Char(',')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
                text += value;
            }
        }
        if (r + 1 < records || pick(2) == 0)
            text += breaks[pick(3)];
    }
    return text;
}

} // namespace

TEST(CsvProvider, RandomFilesReadAsAPlainParserReadsThem)
{
    QTemporaryDir dir;
    std::mt19937 rng(2024);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    int loaded = 0, refused = 0, edited = 0;
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        const QString text = RandomCsv(rng);
        const bool bom = pick(3) == 0;
        const QByteArray bytes = (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
        const int head = pick(4) - 1, type = pick(4) - 1, maxRows = pick(4);
        const QString path = WriteTestFile(dir, QStringLiteral("r%1.csv").arg(round), bytes);
        SCOPED_TRACE(bytes.toStdString());
        const auto options = [&](int rows) {
            return [=](TKvCsvDataProvider* c) {
                c->SetHeadLine(head);
                c->SetTypeLine(type);
                c->SetMaxLoadRows(rows);
            };
        };
        // A leading mark is the file's, not the text's.
        const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
        const TPlainCsv plain = ReadPlainCsv(TEncoding::DecodeUtf8(body));
        if (plain.Open > 0) {
            auto p = MakeOwned<TKvCsvDataProvider>(nullptr);
            p->SetAutoSave(false);
            options(maxRows)(p.get());
            KV_EXPECT_THROW_MSG(p->SetFileName(path), EConvertError,
                                QStringLiteral("Quoted value is not closed at the end of the file in record %1").arg(plain.Open));
            ++refused;
            continue;
        }
        auto p = Open(path, false, options(maxRows));
        const QList<QStringList> expected = PlainTable(plain, head, type, maxRows);
        ASSERT_EQ(ProviderTable(*p), expected);
        ++loaded;

        // An unchanged save writes the text back as it was, after a mark only when the text
        // itself begins with U+FEFF.
        p->Save();
        EXPECT_EQ(ReadAll(path), body.startsWith("\xEF\xBB\xBF") ? bytes : body);

        // Edits, a save and a reload of every row give the edited table (with a header line,
        // which keeps the fields whatever the first row becomes).
        if (p->GetFieldCount() == 0 || head < 0)
            continue;
        const QStringList awkward = {"a,b", "\"q\"", "x\r\ny", " s ", "", "\rz\n", "한", QString(QChar(0xFEFF)) + "m"};
        for (int k = pick(4); k > 0; --k) {
            const int what = pick(3);
            if (what == 0 && p->GetRowCount() > 0) {
                p->SetData(pick(p->GetRowCount()), pick(p->GetFieldCount()), awkward[pick(static_cast<int>(awkward.size()))]);
            } else if (what == 1) {
                TKvGridDataRow row;
                for (int f = pick(p->GetFieldCount() + 1); f > 0; --f)
                    row.push_back(Variant(awkward[pick(static_cast<int>(awkward.size()))]));
                p->InsertRow(pick(p->GetRowCount() + 1), row);
            } else if (p->GetRowCount() > 0) {
                p->RemoveRow(pick(p->GetRowCount()));
            }
        }
        const QList<QStringList> edits = ProviderTable(*p);
        p->Save();
        auto q = Open(path, false, options(0));
        EXPECT_EQ(ProviderTable(*q).mid(0, edits.size()), edits);
        ++edited;
    }
    // The rounds reached every path.
    EXPECT_GT(loaded, 300);
    EXPECT_GT(refused, 10);
    EXPECT_GT(edited, 150);
}

// Records longer than the short value offsets, and UTF-8 checked in blocks: a file reads
// exactly when it is valid UTF-8, and an invalid one names its first bad byte.
TEST(CsvProvider, LongRecordsAndUtf8CheckedAsTheFileIsSplit)
{
    QTemporaryDir dir;
    const QString big(70000, QLatin1Char('x'));
    const QByteArray longFile = "a,b,c\r\n" + big.toUtf8() + ",\"q,\"\"" + big.toUtf8() + "\",z\r\n1,2\r\n";
    auto p = Open(WriteTestFile(dir, "long.csv", longFile));
    EXPECT_EQ(Column(*p, 0), QStringList({big, "1"}));
    EXPECT_EQ(Column(*p, 1), QStringList({"q,\"" + big, "2"}));
    EXPECT_EQ(Column(*p, 2), QStringList({"z", ""}));
    p->Save();
    EXPECT_EQ(ReadAll(p->GetFileName()), longFile);

    std::mt19937 rng(99);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const QStringList pieces = {"a,", "b\r\n", "한", "é", QString::fromUtf8("\xF0\x9F\x98\x80"), "0123456789abcdef",
                                "," + QString(QChar(0xFEFF))};
    int valid = 0, invalid = 0;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        QString text = QStringLiteral("h\r\n");
        const int length = round % 4 == 0 ? 9000 : round % 4 == 1 ? 60 : pick(30);
        while (text.size() < length)
            text += pieces[pick(static_cast<int>(pieces.size()))];
        QByteArray bytes = text.toUtf8();
        // Stray, cut and overlong bytes, surrogates and code points past U+10FFFF.
        const QList<QByteArray> bad = {"\x80", "\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                       "\xFF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF"};
        for (int k = pick(3) == 0 ? pick(3) + 1 : 0; k > 0; --k)
            bytes.insert(pick(static_cast<int>(bytes.size()) + 1), bad[pick(static_cast<int>(bad.size()))]);
        if (pick(8) == 0)
            bytes.chop(1 + pick(3));
        const QString path = WriteTestFile(dir, QStringLiteral("u%1.csv").arg(round), bytes);
        auto q = MakeOwned<TKvCsvDataProvider>(nullptr);
        q->SetAutoSave(false);
        if (QByteArrayView(bytes).isValidUtf8()) {
            q->SetFileName(path);
            const QList<QStringList> expected = PlainTable(ReadPlainCsv(QString::fromUtf8(bytes)), 0, -1, 0);
            EXPECT_EQ(ProviderTable(*q), expected);
            ++valid;
        } else {
            KV_EXPECT_THROW_MSG(q->SetFileName(path), EEncodingError,
                                QStringLiteral("Invalid byte sequence for encoding UTF-8 at byte %1 in %2")
                                    .arg(TEncoding::FindInvalidUtf8(bytes))
                                    .arg(path));
            ++invalid;
        }
    }
    EXPECT_GT(valid, 100);
    EXPECT_GT(invalid, 50);
}

// A save into a folder that cannot be written fails with a clear error and leaves the old
// file as it was.
TEST(CsvProvider, SaveIntoAnUnwritableFolderKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QByteArray old = "n,m\r\n1,2\r\n";
    const QString path = WriteTestFile(dir, "s.csv", old);
    auto p = Open(path);
    p->SetData(0, 1, QStringLiteral("changed"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    {
        // Without the right to override file permissions, as root has it.
        TWithoutFileOverride asUser;
        KV_EXPECT_THROW_MSG(p->Save(), EInOutError,
                            QStringLiteral("Cannot write file %1: %2").arg(path, QStringLiteral("Permission denied")));
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"s.csv"}));
    p->Save();
    EXPECT_EQ(ReadAll(path), "n,m\r\n1,changed\r\n");
}

// Files past the save buffer: an unchanged save writes the same bytes (its leading U+FEFF
// after the mark), edits read back, in UTF-8 and in UTF-16.
TEST(CsvProvider, LargeFilesSaveAsTheyWereRead)
{
    QTemporaryDir dir;
    QString text = QString(QChar(0xFEFF)) + QStringLiteral("id,name,note\r\n");
    const QStringList breaks = {"\r\n", "\n", "\r"};
    for (int i = 0; i < 70000; ++i)
        text += QStringLiteral("%1,이름%2,\"a,\"\"b\"\" %3\"%4").arg(i).arg(i % 97).arg(QString::fromUtf8("\xF0\x9F\x98\x80")).arg(breaks[i % 3]);
    for (const TKvFileEncoding encoding : {EncodingUTF8, EncodingUnicode}) {
        const QString name = FileEncodingName(encoding);
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = TEncoding::Preamble(name) + TEncoding::FromUtf8(text.toUtf8(), name);
        ASSERT_GT(bytes.size(), 2 << 20);
        const QString path = WriteTestFile(dir, name + ".csv", bytes);
        auto p = Open(path, false, [&](TKvCsvDataProvider* c) { c->SetEncoding(encoding); });
        ASSERT_EQ(p->GetRowCount(), 70000);
        EXPECT_EQ(p->GetFieldNames().front(), QString(QChar(0xFEFF)) + QStringLiteral("id"));
        EXPECT_EQ(p->GetData(69999, 2), Variant(QStringLiteral("a,\"b\" ") + QString::fromUtf8("\xF0\x9F\x98\x80")));
        p->Save();
        EXPECT_TRUE(ReadAll(path) == bytes);
        p->SetData(20000, 1, QStringLiteral("바뀜"));
        p->RemoveRow(10);
        p->InsertRow(30000, {QStringLiteral("new"), QStringLiteral("x\ry")});
        const QList<QStringList> edited = ProviderTable(*p);
        p->Save();
        auto q = Open(path, false, [&](TKvCsvDataProvider* c) { c->SetEncoding(encoding); });
        EXPECT_TRUE(ProviderTable(*q) == edited);
    }
}

// What a loaded file keeps grows with the file, whatever the shape of its records: a wide
// header over many short records as much as an ordinary table.
TEST(CsvProvider, MemoryFollowsTheFileWhateverItsShape)
{
    QTemporaryDir dir;
    QByteArray wide;
    for (int i = 0; i < 65102; ++i)
        wide += (i > 0 ? "," : "") + QByteArray(1, char('a' + i % 26));
    wide += "\r\n";
    for (int r = 0; r < 1801; ++r)
        wide += QByteArray::number(r % 10) + "\n";
    QByteArray plain = "id,name,city,amount,qty,day,code,note\r\n";
    for (int r = 0; r < 2000; ++r)
        plain += QStringLiteral("%1,name %1,city %2,%3.25,%4,2024-01-%5,KV-%1,a note\r\n")
                     .arg(r).arg(r % 7).arg(r * 3).arg(r % 50).arg(r % 28 + 1, 2, 10, QLatin1Char('0')).toUtf8();
    for (const auto& [name, bytes] : {std::pair{"wide.csv", wide}, std::pair{"plain.csv", plain}}) {
        SCOPED_TRACE(name);
        const QString path = WriteTestFile(dir, QString::fromLatin1(name), bytes);
        TOwned<TKvCsvDataProvider> p = MakeOwned<TKvCsvDataProvider>(nullptr);
        p->SetAutoSave(false);
        const size_t before = AllocatedBytes();
        p->SetFileName(path);
        const double kept = static_cast<double>(AllocatedBytes() - before);
        EXPECT_LT(kept, 3.0 * static_cast<double>(bytes.size())) << kept / static_cast<double>(bytes.size()) << "x the file";
    }

    // The wide file reads as it is written.
    auto p = Open(WriteTestFile(dir, QStringLiteral("wide2.csv"), wide));
    EXPECT_EQ(p->GetFieldCount(), 65102);
    EXPECT_EQ(p->GetRowCount(), 1801);
    EXPECT_EQ(p->GetFieldName(65101), QStringLiteral("x"));
    EXPECT_EQ(p->GetFieldIndex(QStringLiteral("C")), 2);
    EXPECT_EQ(p->GetData(1800, 0), Variant("0"));
    EXPECT_EQ(p->GetData(1800, 1), Variant(""));
    EXPECT_EQ(p->GetData(3, 65101), Variant(""));
}

// Every value reads the same through ToString and AsString, as the text that was written:
// non-ASCII after ASCII runs of every length, quoted values with doubled quotes, commas and
// line breaks, U+FEFF at a value's start and after the file's mark, characters outside the
// BMP; an empty value is empty text and a value past a short record's end is null text.
TEST(CsvProvider, ValuesReadAsWrittenThroughEveryReadingPath)
{
    QTemporaryDir dir;
    const QString mark(QChar(0xFEFF));
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QStringList tails = {QStringLiteral("한"), QStringLiteral("é"), smile, mark, QStringLiteral("\"q\",\r\n한")};
    QList<QStringList> rows;
    for (int run = 0; run <= 20; ++run) {
        const QString ascii(run, QLatin1Char('x'));
        const QString tail = tails[run % tails.size()];
        rows.append({ascii + tail, tail + ascii, ascii, ascii + QStringLiteral("\"a\"\"b\"") + tail});
    }
    rows.append({QStringLiteral(""), QStringLiteral(""), mark + QStringLiteral("x"), QStringLiteral("")});
    rows.append({QStringLiteral("short")});
    const QStringList breaks = {"\r\n", "\n", "\r"};
    QByteArray file = "\xEF\xBB\xBF" "a,b,c,d\r\n";
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList fields;
        for (qsizetype f = 0; f < rows[r].size(); ++f) {
            const QString& value = rows[r][f];
            // The second field quoted always, the others when they must be.
            const bool quoted = f == 1 || value.contains(QLatin1Char('"')) || value.contains(QLatin1Char(',')) ||
                                value.contains(QLatin1Char('\r'));
            fields << (quoted ? QLatin1Char('"') + QString(value).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"')
                              : value);
        }
        file += fields.join(QLatin1Char(',')).toUtf8() + breaks[r % breaks.size()].toUtf8();
    }
    auto p = Open(WriteTestFile(dir, "values.csv", file));
    ASSERT_EQ(p->GetRowCount(), rows.size());
    for (int r = 0; r < p->GetRowCount(); ++r) {
        for (int f = 0; f < p->GetFieldCount(); ++f) {
            SCOPED_TRACE(testing::Message() << "row " << r << " field " << f);
            const bool past = f >= rows[r].size();
            const QString written = past ? QString() : rows[r][f];
            const QString viaToString = p->GetData(r, f).ToString();
            const Variant cell = p->GetData(r, f);
            EXPECT_EQ(viaToString, written);
            EXPECT_EQ(cell.AsString(), written);
            EXPECT_EQ(viaToString.isNull(), past);
            EXPECT_EQ(cell.AsString().isNull(), past);
        }
    }
}
