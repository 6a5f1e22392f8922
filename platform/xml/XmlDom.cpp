#include "platform/xml/XmlDom.h"

#include <QtCore/QFile>
#include <pugixml.hpp>
#include <sstream>

namespace kv {

namespace {

pugi::xml_node N(void* node) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node)); }

void* P(pugi::xml_node node) { return node.internal_object(); }

QString S(const pugi::char_t* text) { return QString::fromUtf8(text); }

QByteArray U(const QString& text) { return text.toUtf8(); }

bool IsTextType(pugi::xml_node node) { return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata; }

} // namespace

bool TXmlNode::IsElement() const { return N(FNode).type() == pugi::node_element; }

bool TXmlNode::IsText() const { return IsTextType(N(FNode)); }

QString TXmlNode::NodeName() const
{
    const pugi::xml_node node = N(FNode);
    switch (node.type()) {
    case pugi::node_pcdata: return QStringLiteral("#text");
    case pugi::node_cdata: return QStringLiteral("#cdata-section");
    case pugi::node_document: return QStringLiteral("#document");
    default: return S(node.name());
    }
}

QString TXmlNode::NodeValue() const { return IsText() ? S(N(FNode).value()) : QString(); }

QString TXmlNode::Text() const { return IsText() ? NodeValue() : S(N(FNode).child_value()); }

void TXmlNode::SetText(const QString& Value)
{
    if (IsNull())
        throw EXmlError(QStringLiteral("Cannot set the text of a null node"));
    N(FNode).text().set(U(Value).constData());
}

int TXmlNode::ChildCount() const
{
    int count = 0;
    for (pugi::xml_node child = N(FNode).first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

TXmlNode TXmlNode::Child(int Index) const
{
    if (Index < 0)
        return TXmlNode();
    pugi::xml_node child = N(FNode).first_child();
    for (int i = 0; child && i < Index; ++i)
        child = child.next_sibling();
    return TXmlNode(P(child));
}

TXmlNode TXmlNode::Child(const QString& Name) const { return TXmlNode(P(N(FNode).child(U(Name).constData()))); }

TXmlNode TXmlNode::FirstChild() const { return TXmlNode(P(N(FNode).first_child())); }

TXmlNodeList TXmlNode::Children() const
{
    TXmlNodeList list;
    for (pugi::xml_node child = N(FNode).first_child(); child; child = child.next_sibling())
        list.push_back(TXmlNode(P(child)));
    return list;
}

TXmlNode TXmlNode::Parent() const { return TXmlNode(P(N(FNode).parent())); }

bool TXmlNode::HasAttribute(const QString& Name) const { return bool(N(FNode).attribute(U(Name).constData())); }

QString TXmlNode::Attribute(const QString& Name) const { return S(N(FNode).attribute(U(Name).constData()).value()); }

void TXmlNode::SetAttribute(const QString& Name, const QString& Value)
{
    pugi::xml_node node = N(FNode);
    if (node.type() != pugi::node_element)
        throw EXmlError(QStringLiteral("Attributes belong to elements only"));
    const QByteArray name = U(Name);
    pugi::xml_attribute attr = node.attribute(name.constData());
    if (!attr)
        attr = node.append_attribute(name.constData());
    attr.set_value(U(Value).constData());
}

TXmlNode TXmlNode::AddChild(const QString& Name)
{
    pugi::xml_node node = N(FNode);
    if (node.type() != pugi::node_element && node.type() != pugi::node_document)
        throw EXmlError(QStringLiteral("Cannot add a child element to this node"));
    return TXmlNode(P(node.append_child(U(Name).constData())));
}

TXmlNodeList TXmlNode::SelectNodes(const QString& XPath) const
{
    TXmlNodeList list;
    if (IsNull())
        return list;
    try {
        const pugi::xpath_node_set set = N(FNode).select_nodes(U(XPath).constData());
        for (const pugi::xpath_node& found : set)
            if (found.node())
                list.push_back(TXmlNode(P(found.node())));
    } catch (const pugi::xpath_exception& e) {
        throw EXmlError(QStringLiteral("Invalid XPath expression \"%1\": %2").arg(XPath, QString::fromUtf8(e.what())));
    }
    return list;
}

struct TXmlDocument::TImpl
{
    pugi::xml_document Doc;
};

TXmlDocument::TXmlDocument() : FImpl(std::make_unique<TImpl>()) {}

TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromText(const QString& Text)
{
    const QByteArray bytes = U(Text);
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                                                          pugi::parse_default, pugi::encoding_utf8);
    if (!result)
        throw EXmlError(QStringLiteral("XML parse error at offset %1: %2").arg(result.offset).arg(QString::fromUtf8(result.description())));
    FImpl->Doc.reset(doc);
    ++FGeneration;
}

void TXmlDocument::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EXmlError(QStringLiteral("Cannot open file %1: %2").arg(FileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!result)
        throw EXmlError(QStringLiteral("XML parse error in %1 at offset %2: %3")
                            .arg(FileName)
                            .arg(result.offset)
                            .arg(QString::fromUtf8(result.description())));
    FImpl->Doc.reset(doc);
    ++FGeneration;
}

std::shared_ptr<TXmlDocument> TXmlDocument::Parse(const QString& Text)
{
    auto doc = std::make_shared<TXmlDocument>();
    doc->LoadFromText(Text);
    return doc;
}

TXmlNode TXmlDocument::Root() const { return TXmlNode(P(FImpl->Doc.document_element())); }

TXmlNode TXmlDocument::Document() const { return TXmlNode(P(FImpl->Doc)); }

TXmlNode TXmlDocument::CreateRoot(const QString& Name)
{
    FImpl->Doc.reset();
    ++FGeneration;
    pugi::xml_node decl = FImpl->Doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    return TXmlNode(P(FImpl->Doc.append_child(U(Name).constData())));
}

QString TXmlDocument::SaveToText() const
{
    std::ostringstream out;
    FImpl->Doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return QString::fromStdString(out.str());
}

} // namespace kv
