// The XML document provider. The input's first line is the data path (XPath), the rest the
// document. A document or path that does not parse raises the library's error. One that does
// is written out and read again: a provider over the copy shows the same fields and cells.
// Once the first document is reloaded its cells raise instead of reading freed nodes.
#include "FuzzSupport.h"

#include "model/KvGrids.Data.Xml.h"

using namespace kv;
using namespace kvfuzz;

namespace {

QStringList Cells(const TKvXmlDomDataProvider& p)
{
    QStringList out{p.GetFieldNames().join(QChar(0x1F)), QString::number(p.GetRowCount())};
    for (int r = 0; r < std::min(p.GetRowCount(), 64); ++r)
        for (int f = 0; f < std::min(p.GetFieldCount(), 64); ++f)
            out << p.GetData(r, f).ToString();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Plain names: lambdas of clang 14 cannot capture structured bindings.
    const std::pair<QString, QString> parts = SplitOnce(Text(data, size), QLatin1Char('\n'));
    const QString path = parts.first, text = parts.second;
    std::shared_ptr<TXmlDocument> doc;
    if (!Refusable([&] { doc = TXmlDocument::Parse(text); }))
        return 0;
    TOwned<TKvXmlDomDataProvider> p = MakeOwned<TKvXmlDomDataProvider>(nullptr);
    if (!Refusable([&] { p->SetDocument(doc, path); })) {
        Check(p->GetRowCount() == 0 && p->GetFieldCount() == 0, "a refused path leaves rows");
        return 0;
    }
    for (int f = 0; f < p->GetFieldCount(); ++f)
        Check(p->GetFieldIndex(p->GetFieldName(f)) <= f, "a field name finds a later field", p->GetFieldName(f));
    const QStringList cells = Cells(*p);

    const QString saved = doc->SaveToText();
    std::shared_ptr<TXmlDocument> copy;
    QString error;
    Check(Refusable([&] { copy = TXmlDocument::Parse(saved); }, &error), "a saved document does not parse", error);
    TOwned<TKvXmlDomDataProvider> q = MakeOwned<TKvXmlDomDataProvider>(nullptr);
    q->SetDocument(copy, path);
    Check(Cells(*q) == cells, "a saved document shows other cells", path + QLatin1Char('\n') + saved);

    doc->LoadFromText(QStringLiteral("<other/>"));
    if (p->GetRowCount() > 0 && p->GetFieldCount() > 0)
        Check(!Refusable([&] { (void)p->GetData(0, 0); }), "a cell of a reloaded document reads");
    return 0;
}
