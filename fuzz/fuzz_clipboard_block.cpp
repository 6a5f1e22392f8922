// The clipboard's cell block reader. The input is read twice: as a block (a length and UTF-8
// text), which decodes to nothing or to a text that encodes back to the same bytes; and as a
// text, which goes through a block and comes back unchanged, a leading U+FEFF included.
#include "FuzzSupport.h"

#include "grid/KvGrids.Clipboard.h"

#include <QtCore/QStringDecoder>
#include <QtCore/QtEndian>

using namespace kv;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray block(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = TKvGridCliboardXml::DecodeBlock(block);
    if (!text.isEmpty()) {
        const quint32 n = qFromLittleEndian<quint32>(block.constData());
        Check(TKvGridCliboardXml::EncodeBlock(text) == block.left(4 + static_cast<qsizetype>(n)),
              "a decoded block does not encode back", text);
    }

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString input = decoder(block);
    if (decoder.hasError())
        return 0;
    Check(TKvGridCliboardXml::DecodeBlock(TKvGridCliboardXml::EncodeBlock(input)) == input,
          "a text does not come back through a block", input);
    return 0;
}
