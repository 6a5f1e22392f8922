#include "platform/net/XmlMessage.h"

#include <pugixml.hpp>

#include <QtCore/QStringDecoder>
#include <algorithm>
#include <cstring>

namespace kv {

namespace {

pugi::xml_node N(void* node)
{
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node));
}

pugi::xml_node NextElement(pugi::xml_node node)
{
    while (node && node.type() != pugi::node_element)
        node = node.next_sibling();
    return node;
}

bool IsText(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// The element's whole text, when it is one piece: the text the parse kept in the element
// itself, or its only child when that is a text or CDATA node; null when the text is in
// several pieces (beside CDATA, around a comment, in child elements).
const char* SingleText(pugi::xml_node element)
{
    const pugi::xml_node child = element.first_child();
    if (!child)
        return element.value();
    if (!*element.value() && IsText(child) && !child.next_sibling())
        return child.value();
    return nullptr;
}

// Appends the text of the element and everything in it, in document order (comments and
// processing instructions left out), walking the tree without recursion.
void AppendWholeText(pugi::xml_node element, QByteArray& out)
{
    out.append(element.value());
    pugi::xml_node node = element.first_child();
    while (node) {
        if (IsText(node)) {
            out.append(node.value());
        } else if (node.type() == pugi::node_element) {
            out.append(node.value());
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
        }
        while (!node.next_sibling() && node.parent() != element)
            node = node.parent();
        node = node.next_sibling();
    }
}

QString WholeText(pugi::xml_node element)
{
    if (const char* single = SingleText(element))
        return QString::fromUtf8(single);
    QByteArray text;
    AppendWholeText(element, text);
    return QString::fromUtf8(text);
}

struct TByteWriter : pugi::xml_writer
{
    QByteArray Out;
    void write(const void* data, size_t size) override { Out.append(static_cast<const char*>(data), static_cast<qsizetype>(size)); }
};

} // namespace

struct TXmlMessage::TImpl
{
    QByteArray Buffer; // the text that an in-place parse points into
    pugi::xml_document Doc;
    QString Error;
};

QString TXmlMessageNode::Name() const
{
    return FNode ? QString::fromUtf8(N(FNode).name()) : QString();
}

QString TXmlMessageNode::Text() const
{
    return FNode ? WholeText(N(FNode)) : QString();
}

void TXmlMessageNode::SetText(const QString& value)
{
    if (!FNode)
        return;
    pugi::xml_node node = N(FNode);
    // One text child holding the value.
    for (pugi::xml_node child = node.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            node.remove_child(child);
        child = next;
    }
    // The text that the parse kept in the element itself.
    if (*node.value())
        node.text().set("");
    if (!value.isEmpty())
        node.prepend_child(pugi::node_pcdata).set_value(value.toUtf8().constData());
}

bool TXmlMessageNode::HasAttribute(const char* name) const
{
    return FNode && N(FNode).attribute(name);
}

QString TXmlMessageNode::Attribute(const char* name) const
{
    return FNode ? QString::fromUtf8(N(FNode).attribute(name).value()) : QString();
}

void TXmlMessageNode::SetAttribute(const char* name, const QString& value)
{
    if (!FNode)
        return;
    pugi::xml_node node = N(FNode);
    pugi::xml_attribute attr = node.attribute(name);
    if (!attr)
        attr = node.append_attribute(name);
    attr.set_value(value.toUtf8().constData());
}

TXmlMessageNode TXmlMessageNode::FirstChild() const
{
    return FNode ? TXmlMessageNode(NextElement(N(FNode).first_child()).internal_object()) : TXmlMessageNode();
}

TXmlMessageNode TXmlMessageNode::NextSibling() const
{
    return FNode ? TXmlMessageNode(NextElement(N(FNode).next_sibling()).internal_object()) : TXmlMessageNode();
}

TXmlMessageNode TXmlMessageNode::Child(const char* name) const
{
    return FNode ? TXmlMessageNode(N(FNode).child(name).internal_object()) : TXmlMessageNode();
}

TXmlMessageNode TXmlMessageNode::ChildAt(int index) const
{
    if (!FNode || index < 0)
        return TXmlMessageNode();
    for (pugi::xml_node child = N(FNode).first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && index-- == 0)
            return TXmlMessageNode(child.internal_object());
    return TXmlMessageNode();
}

void TXmlMessageNode::GetChildren(std::vector<TXmlMessageNode>& out) const
{
    if (!FNode)
        return;
    for (pugi::xml_node child = N(FNode).first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element)
            out.push_back(TXmlMessageNode(child.internal_object()));
}

int TXmlMessageNode::ChildCount() const
{
    int count = 0;
    for (TXmlMessageNode c = FirstChild(); c; c = c.NextSibling())
        ++count;
    return count;
}

TXmlMessageNode TXmlMessageNode::AppendChild(const char* name)
{
    return FNode ? TXmlMessageNode(N(FNode).append_child(name).internal_object()) : TXmlMessageNode();
}

TXmlMessageNode TXmlMessageNode::InsertChildBefore(const char* name, TXmlMessageNode before)
{
    if (!FNode)
        return TXmlMessageNode();
    if (!before)
        return AppendChild(name);
    return TXmlMessageNode(N(FNode).insert_child_before(name, N(before.FNode)).internal_object());
}

bool TXmlMessageNode::RemoveChild(TXmlMessageNode child)
{
    return FNode && child && N(FNode).remove_child(N(child.FNode));
}

TXmlMessage::TXmlMessage() : FImpl(std::make_unique<TImpl>()) {}

TXmlMessage::~TXmlMessage() = default;

bool TXmlMessage::Load(QByteArray bytes, const QString& charset)
{
    // A cell holding only spaces keeps them. An element's leading text is kept in the element
    // itself (half the nodes of a table of cells); Text and SetText know it.
    const unsigned options =
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    if (charset.isEmpty()) {
        encoding = pugi::encoding_auto;
    } else if (charset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) != 0 &&
               charset.compare(QLatin1String("utf8"), Qt::CaseInsensitive) != 0) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (!decoder.isValid()) {
            FImpl->Doc.reset();
            FImpl->Error = QStringLiteral("unknown character set %1").arg(charset);
            return false;
        }
        bytes = QString(decoder.decode(bytes)).toUtf8();
        if (decoder.hasError()) {
            FImpl->Doc.reset();
            FImpl->Error = QStringLiteral("text that is not %1").arg(charset);
            return false;
        }
    }
    FImpl->Doc.reset();
    FImpl->Error.clear();
    FImpl->Buffer = std::move(bytes);
    const pugi::xml_parse_result result = FImpl->Doc.load_buffer_inplace(
        FImpl->Buffer.data(), static_cast<size_t>(FImpl->Buffer.size()), options, encoding);
    if (!result) {
        // The offset counts bytes of the text as parsed (UTF-8 once converted).
        FImpl->Error = QStringLiteral("%1 at byte %2").arg(QString::fromLatin1(result.description())).arg(result.offset);
        FImpl->Doc.reset();
        FImpl->Buffer.clear();
        return false;
    }
    if (!FImpl->Doc.document_element())
        FImpl->Error = QStringLiteral("no document element");
    return true;
}

const QString& TXmlMessage::GetError() const
{
    return FImpl->Error;
}

TXmlMessageNode TXmlMessage::Root() const
{
    return TXmlMessageNode(FImpl->Doc.document_element().internal_object());
}

QByteArray TXmlMessage::ToUtf8() const
{
    TByteWriter writer;
    FImpl->Doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.Out;
}

TXmlMessageTable TXmlMessage::TakeTable(TXmlMessageNode rows, int width)
{
    TXmlMessageTable table(width);
    const char* const begin = FImpl->Buffer.constData();
    const char* const end = begin + FImpl->Buffer.size();
    // Texts the parse did not leave in the buffer (converted encodings) go after it.
    QByteArray extra;
    const auto bufferSize = static_cast<std::int64_t>(FImpl->Buffer.size());
    const auto w = static_cast<size_t>(table.FWidth);
    std::int64_t first = -1, last = -1; // offsets of the first and latest texts in the buffer
    if (rows) {
        for (pugi::xml_node row = N(rows.FNode).first_child(); row; row = row.next_sibling()) {
            if (row.type() != pugi::node_element)
                continue;
            size_t f = 0;
            for (pugi::xml_node cell = row.first_child(); cell && f < w; cell = cell.next_sibling()) {
                if (cell.type() != pugi::node_element)
                    continue;
                // Mostly one piece: the text the parse kept in the element itself.
                const char* text = SingleText(cell);
                if (!text) {
                    const qsizetype at = extra.size();
                    AppendWholeText(cell, extra);
                    if (extra.size() == at) {
                        table.FCells.push_back(TXmlMessageTable::kEmpty);
                    } else {
                        table.FCells.push_back(bufferSize + at);
                        extra.append('\0');
                    }
                } else if (!*text) {
                    table.FCells.push_back(TXmlMessageTable::kEmpty);
                } else if (text >= begin && text < end) {
                    last = text - begin;
                    if (first < 0)
                        first = last;
                    table.FCells.push_back(last);
                } else {
                    table.FCells.push_back(bufferSize + extra.size());
                    extra.append(text, static_cast<qsizetype>(std::strlen(text) + 1));
                }
                ++f;
            }
            table.FCells.resize(table.FCells.size() + (w - f), TXmlMessageTable::kMissing);
            // After the first rows, room for as many more as the rest of the text holds at
            // their pace (at most one cell per four bytes, the shortest a cell can be).
            if (++table.FRowCount == 256 && last > first) {
                const double more = static_cast<double>(bufferSize - last) / static_cast<double>(last - first) * 256;
                const size_t cells = table.FCells.size() + (static_cast<size_t>(more * 1.1) + 16) * w;
                table.FCells.reserve(std::min(cells, static_cast<size_t>(bufferSize) / 4));
            }
        }
    }
    FImpl->Doc.reset();
    table.FText = std::move(FImpl->Buffer);
    FImpl->Buffer = QByteArray();
    table.FText.append(extra);
    return table;
}

void TXmlMessageTable::SetText(int row, int field, const QString& text)
{
    if (!Contains(row, field))
        return;
    const size_t first = static_cast<size_t>(row) * static_cast<size_t>(FWidth);
    for (size_t f = first; f < first + static_cast<size_t>(field); ++f)
        if (FCells[f] == kMissing)
            FCells[f] = kEmpty;
    std::int64_t& cell = FCells[first + static_cast<size_t>(field)];
    if (text.isEmpty()) {
        cell = kEmpty;
    } else if (cell < kEmpty) {
        FWritten[static_cast<size_t>(kEmpty - cell)] = text;
    } else {
        cell = kEmpty - static_cast<std::int64_t>(FWritten.size());
        FWritten.push_back(text);
    }
}

void TXmlMessageTable::InsertRow(int row)
{
    if (row < 0 || row > FRowCount)
        return;
    const auto at = FCells.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(row) * static_cast<size_t>(FWidth));
    FCells.insert(at, static_cast<size_t>(FWidth), kEmpty);
    ++FRowCount;
}

void TXmlMessageTable::RemoveRow(int row)
{
    if (row < 0 || row >= FRowCount)
        return;
    const auto at = FCells.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(row) * static_cast<size_t>(FWidth));
    FCells.erase(at, at + FWidth);
    --FRowCount;
}

bool TXmlMessage::IsValidText(const QString& text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20) {
            if (c != 0x09 && c != 0x0A && c != 0x0D)
                return false;
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= n || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return false;
            ++i;
        } else if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
            return false;
        }
    }
    return true;
}

} // namespace kv
