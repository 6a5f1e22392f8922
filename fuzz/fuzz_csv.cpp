// The CSV provider over a file of the input's bytes. The first four bytes choose the encoding,
// the header line, the type line and the rows to load; the rest is the file. A file that does
// not read raises and leaves the provider's table, file name and file as they were. A file
// that reads saves, reloads to the same fields and values and saves to the same bytes again;
// a row inserted with awkward values (commas, quotes, line breaks, U+FEFF) comes back as it
// was written.
#include "FuzzSupport.h"

#include "model/KvGrids.Data.Files.h"
#include "platform/rtl/TextEncoding.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

using namespace kv;
using namespace kvfuzz;

namespace {

QTemporaryDir& Dir()
{
    static QTemporaryDir dir;
    return dir;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Fail("cannot write the test file", path);
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Control characters as \xNN, so that a report shows them.
QString Shown(const QStringList& lines)
{
    QString out;
    for (const QChar c : lines.join(QLatin1Char('\n')))
        out += c.unicode() < 0x20 && c != QLatin1Char('\n') ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return out;
}

// Fields, types and every value.
QStringList Snapshot(const TKvCsvDataProvider& p)
{
    QStringList out;
    out << p.GetFieldNames().join(QChar(0x1F));
    QString types;
    for (int f = 0; f < p.GetFieldCount(); ++f)
        types += QString::number(int(p.GetValueType(f)));
    out << types;
    for (int r = 0; r < p.GetRowCount(); ++r) {
        QStringList row;
        for (int f = 0; f < p.GetFieldCount(); ++f)
            row << p.GetData(r, f).ToString();
        out << row.join(QChar(0x1F));
    }
    return out;
}

TOwned<TKvCsvDataProvider> Provider(TKvFileEncoding encoding, int head, int type, int maxRows)
{
    TOwned<TKvCsvDataProvider> p = MakeOwned<TKvCsvDataProvider>(nullptr);
    p->SetAutoSave(false);
    p->SetEncoding(encoding);
    p->SetHeadLine(head);
    p->SetTypeLine(type);
    p->SetMaxLoadRows(maxRows);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    static const TKvFileEncoding encodings[] = {EncodingUTF8, EncodingUnicode, EncodingBigEndianUnicode,
                                                EncodingASCII, EncodingUTF7, EncodingANSI};
    const TKvFileEncoding encoding = encodings[data[0] % 6];
    const bool unicode = encoding == EncodingUTF8 || encoding == EncodingUnicode || encoding == EncodingBigEndianUnicode;
    const int head = data[1] % 4 - 1;
    const int type = data[2] % 4 - 1;
    const int maxRows = data[3] % 4;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    const QString good = Dir().filePath(QStringLiteral("good.csv"));
    const QString path = Dir().filePath(QStringLiteral("input.csv"));
    const QByteArray goodBytes = TEncoding::FromUtf8("n,m\r\nN,T\r\n1,2\r\n", FileEncodingName(encoding));
    Write(good, goodBytes);
    Write(path, bytes);

    TOwned<TKvCsvDataProvider> p = Provider(encoding, head, type, maxRows);
    p->SetFileName(good);
    const QStringList before = Snapshot(*p);
    QString error;
    if (!Refusable([&] { p->SetFileName(path); }, &error)) {
        Check(p->GetFileName() == good, "a failed load keeps the new file name", error);
        Check(Snapshot(*p) == before, "a failed load changes the table", error);
        (void)Refusable([&] { p->Save(); });
        Check(Read(path) == bytes, "a file that failed to load was written", error);
        Check(Read(good) == goodBytes, "an unchanged save rewrote the loaded file", error);
        return 0;
    }

    // Save, reload, save: the same table and the same bytes.
    const QStringList loaded = Snapshot(*p);
    Check(Refusable([&] { p->Save(); }, &error), "an unchanged table does not save", error);
    const QByteArray first = Read(path);
    Check(Refusable([&] { p->Load(); }, &error), "a saved file does not load", error);
    Check(Snapshot(*p) == loaded, "a saved file reads back different", Shown(loaded) + QStringLiteral("\n---\n") + Shown(Snapshot(*p)));
    p->Save();
    Check(Read(path) == first, "a second unchanged save writes different bytes", Shown(loaded));
    if (p->GetFieldCount() == 0)
        return 0;

    // Awkward values in a new first row and in the last field of the first loaded row.
    const QString mark = unicode ? QString(QChar(0xFEFF)) : QString();
    const QStringList awkward = {mark + QStringLiteral("a,b"), QStringLiteral("\"q\""), QStringLiteral("x\r\ny"),
                                 QStringLiteral(" s "), QString(), mark + QStringLiteral("\rz\n")};
    TKvGridDataRow values;
    for (int f = 0; f < p->GetFieldCount(); ++f)
        values.push_back(Variant(awkward[f % awkward.size()]));
    p->InsertRow(0, values);
    if (p->GetRowCount() > 1)
        p->SetData(1, p->GetFieldCount() - 1, awkward[static_cast<size_t>(data[3]) % awkward.size()]);
    const QStringList edited = Snapshot(*p);
    Check(Refusable([&] { p->Save(); }, &error), "an edited table does not save", error);
    // All rows, the unloaded tail after the edited ones.
    TOwned<TKvCsvDataProvider> q = Provider(encoding, head, type, 0);
    Check(Refusable([&] { q->SetFileName(path); }, &error), "an edited file does not load", error);
    const QStringList back = Snapshot(*q);
    Check(back.mid(0, edited.size()) == edited, "edited values read back different",
          Shown(edited) + QStringLiteral("\n---\n") + Shown(back) + QStringLiteral("\n---\n") + Shown({QString::fromLatin1(Read(path))}));
    return 0;
}
