// The reference of the library's streaming XML writer (TXmlUtf8Writer, platform/xml): the same
// calls and rules, the text appended to a QString; its tests and the xml_writer fuzz target
// check that the UTF-8 writer writes this text. Texts and attribute values are escaped, and
// characters that XML 1.0 does not allow (control characters other than tab, line feed and
// carriage return, U+FFFE, U+FFFF and unpaired surrogates) are dropped, so the output is always
// well-formed.
#pragma once

#include "platform/xml/XmlDom.h"

#include <QtCore/QLatin1String>
#include <QtCore/QString>
#include <QtCore/QStringView>
#include <vector>

namespace kv {

class TXmlTextWriter
{
public:
    // Appends to Out, which must outlive the writer.
    explicit TXmlTextWriter(QString& Out) : FOut(Out) {}
    TXmlTextWriter(const TXmlTextWriter&) = delete;
    TXmlTextWriter& operator=(const TXmlTextWriter&) = delete;

    // <?xml version="1.0" encoding="..."?> and a line break; only before the first element.
    void WriteDeclaration(QLatin1String Encoding);
    // <?Target Data?> and a line break; only before the first element.
    void WriteProcessingInstruction(QLatin1String Target, QStringView Data);
    // Names are trusted: the caller passes well-formed names.
    void StartElement(QLatin1String Name);
    // Only directly after StartElement (or another attribute): EXmlError otherwise.
    void Attribute(QLatin1String Name, QStringView Value);
    void Attribute(QLatin1String Name, QLatin1String Value);
    void Attribute(QLatin1String Name, qint64 Value);
    void Text(QStringView Value);
    void Text(QLatin1String Value);
    // Closes the innermost element ("<a/>" when it is empty); EXmlError when none is open.
    void EndElement();
    // Closes every open element.
    void EndDocument();
    int Depth() const { return static_cast<int>(FOpen.size()); }

    // True for the characters XML 1.0 allows (tab, line feed, carriage return, U+0020 and up,
    // except U+FFFE and U+FFFF; surrogates are judged in pairs by the writer).
    static bool IsXmlChar(char16_t C) { return C >= 0x20 ? C < 0xFFFE : (C == 0x09 || C == 0x0A || C == 0x0D); }

private:
    void CloseStartTag()
    {
        if (FStartOpen) {
            FOut += QLatin1Char('>');
            FStartOpen = false;
        }
    }
    void OpenAttribute(QLatin1String Name);
    void OpenText();
    void Escaped(QStringView Value, bool InAttribute);
    void Escaped(QLatin1String Value, bool InAttribute);

    QString& FOut;
    std::vector<QLatin1String> FOpen;
    bool FStartOpen = false;
    bool FStarted = false;
};

} // namespace kv
